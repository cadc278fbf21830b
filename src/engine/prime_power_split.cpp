// Counting through the divisors' multiplicative structure (see structure.h).
//
// One pass modulo a prime q: the table of the divisors of a, rows [0, H]
// (a row s above H is read from row sigma(a) - s, the complements, with
// d(a) - m terms for m); then the levels, each a dense array over its range
// of remainders of polynomials in the number of terms, V_{i+1}[R'] = sum
// over s of V_i[p R' + s] * c(s); last the proper divisors of a at the top,
// c'(R) = c(R) - y c'(R - a), y counting one term.
//
// Cost: the table (see counting.h), then for each level the pairs (R', s)
// times the products of their bands of terms.
#include "engine/prime_power_split.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "engine/passes.h"

namespace {

constexpr double impossible = std::numeric_limits<double>::infinity();
/// A product of two residues costs about four cell updates of the table.
constexpr double poids_produit = 4;

struct Intervalle {
    Somme bas = 0, haut = -1;
};

/// Everything a pass needs that does not depend on the prime.
struct Plan {
    Somme p = 0;
    int e = 0;
    std::int64_t a = 0;
    std::vector<std::int64_t> da;    // the divisors of a, ascending
    Somme sigma = 0;                 // their sum
    std::vector<Intervalle> R;       // R[i]: the remainders of level i, 0..e
    std::vector<Intervalle> s;       // s[i]: the sums taken at level i < e
    bool vide = false;               // no subset reaches the target
    std::int64_t H = 0, besoin = 0;  // the table's rows, and the least needed
    std::vector<double> largeur;     // remainders of each level
    std::size_t termes = 0;          // the most terms a sum up to the target can have
    double paires = 0;               // (R', s) pairs and products, estimated
};

/// The terms a polynomial of level i may hold: i digits of at most d(a)
/// terms each, and never more than a sum up to the target can have.
std::size_t degre(const Plan& plan, std::size_t i) { return std::min(i * plan.da.size(), plan.termes); }

Somme plancher(Somme x, Somme p) { return x >= 0 ? x / p : -((-x + p - 1) / p); }
Somme plafond(Somme x, Somme p) { return -plancher(-x, p); }

/// The plan, and false when it cannot serve (ranges past what memory holds).
bool planifier(const Tache& t, int facteur, std::int64_t T, Plan& plan) {
    plan.p = t.premier[static_cast<std::size_t>(facteur)];
    plan.e = static_cast<int>(t.exposant[static_cast<std::size_t>(facteur)]);
    plan.a = 1;
    plan.da = {1};
    for (Somme somme = 0; plan.termes < t.n && somme + t.element[plan.termes + 1] <= T;)
        somme += t.element[++plan.termes];
    for (std::size_t q = 1; q <= static_cast<std::size_t>(t.nf); ++q) {
        if (q == static_cast<std::size_t>(facteur)) continue;
        const std::size_t avant = plan.da.size();
        std::int64_t puissance = 1;
        for (std::int64_t x = 1; x <= t.exposant[q]; ++x) {
            puissance *= t.premier[q];
            for (std::size_t y = 0; y < avant; ++y) plan.da.push_back(plan.da[y] * puissance);
        }
        plan.a *= puissance;
    }
    std::sort(plan.da.begin(), plan.da.end());
    for (std::int64_t d : plan.da) plan.sigma += d;
    const Somme sigma = plan.sigma, p = plan.p;

    // The remainders of each level, and the sums each level takes.
    plan.R.assign(static_cast<std::size_t>(plan.e) + 1, {});
    plan.s.assign(static_cast<std::size_t>(plan.e), {});
    plan.R[0] = {T, T};
    for (int i = 0; i < plan.e; ++i) {
        const Intervalle& r = plan.R[static_cast<std::size_t>(i)];
        Intervalle& suivant = plan.R[static_cast<std::size_t>(i) + 1];
        suivant.bas = std::max<Somme>(0, plafond(r.bas - sigma, p));
        suivant.haut = plancher(r.haut, p);
        if (suivant.bas > suivant.haut) {
            plan.vide = true;
            return true;
        }
        plan.s[static_cast<std::size_t>(i)] = {std::max<Somme>(0, r.bas - p * suivant.haut),
                                               std::min<Somme>(sigma, r.haut - p * suivant.bas)};
    }
    Intervalle& haut = plan.R.back();
    haut.haut = std::min<Somme>(haut.haut, sigma - plan.a);  // the proper divisors of a
    if (haut.bas > haut.haut) {
        plan.vide = true;
        return true;
    }
    // The rows of the table that the levels read, folded onto [0, sigma / 2].
    std::vector<Intervalle> lus = plan.s;
    lus.push_back({haut.haut >= plan.a ? 0 : haut.bas, haut.haut});
    Somme H = 0, besoin = std::numeric_limits<Somme>::max();
    for (const Intervalle& l : lus) {
        if (l.bas > l.haut) continue;
        const Somme milieu = sigma / 2;
        if (l.haut <= milieu) {
            H = std::max(H, l.haut);
            besoin = std::min(besoin, l.bas);
        } else if (l.bas >= sigma - milieu) {
            H = std::max(H, sigma - l.bas);
            besoin = std::min(besoin, sigma - l.haut);
        } else {
            H = std::max(H, milieu);
            besoin = std::min(besoin, std::min(l.bas, sigma - l.haut));
        }
    }
    if (H >= (Somme{1} << 40)) return false;
    plan.H = static_cast<std::int64_t>(H);
    plan.besoin = static_cast<std::int64_t>(std::min(besoin, H));

    // Pairs and products, for the estimate; the levels' widths for memory. A
    // row of the table holds at most the terms that fit in H; a few divisors
    // make few sums, and only those are visited.
    std::size_t tiennent = 0;
    for (Somme somme = 0; tiennent < plan.da.size() && somme + plan.da[tiennent] <= plan.H;)
        somme += plan.da[tiennent++];
    const double bande_c = std::min(static_cast<double>(plan.da.size()) / 2, static_cast<double>(tiennent)) + 1;
    const double densite =
        plan.da.size() >= 60
            ? 1
            : std::min(1.0, std::ldexp(1.0, static_cast<int>(plan.da.size())) / (static_cast<double>(sigma) + 1));
    for (int i = 0; i <= plan.e; ++i) {
        const Intervalle& r = plan.R[static_cast<std::size_t>(i)];
        const double w = static_cast<double>(r.haut - r.bas + 1);
        if (w > 1e8) return false;
        plan.largeur.push_back(w);
        const double bande_v = std::min(static_cast<double>(i) * (bande_c - 1) * 2, 1e9) / 2 + 1;
        if (i < plan.e) {
            // Each remainder of level i meets the R' below it that leave a
            // sum s in [0, sigma]: about sigma / p + 1 of them.
            const double s_par_r = std::min(static_cast<double>(sigma) / static_cast<double>(p) + 1,
                                            static_cast<double>(plan.R[static_cast<std::size_t>(i) + 1].haut -
                                                                plan.R[static_cast<std::size_t>(i) + 1].bas + 1));
            plan.paires += w * std::max(1.0, s_par_r * densite) * bande_v * bande_c;
        } else {
            plan.paires += w * bande_v * bande_c * 2;
        }
    }
    return true;
}

/// A polynomial in the number of terms, modulo q: coefficients [bas, haut].
struct Poly {
    const std::uint32_t* c = nullptr;  // c[m] for m in [bas, haut]
    int bas = 0, haut = -1;
};

/// The sums in [0, sigma] that the divisors of a can make, ascending: the
/// rows of the table that some subset reaches, and their complements.
std::vector<Somme> sommes_faites(const Plan& plan, const TableDeComptes& table) {
    std::vector<Somme> r;
    const std::int64_t h = table.derniere_ligne();
    for (std::int64_t s = 0; s <= h; ++s)
        if (table.bornes()[static_cast<std::size_t>(s)] > 0) r.push_back(s);
    const std::size_t directes = r.size();
    for (std::size_t k = directes; k-- > 0;) {
        const Somme miroir = plan.sigma - r[k];
        if (miroir > plan.H) r.push_back(miroir);
    }
    return r;
}

/// The sums of `faites` in [bas, haut]: a range of indices.
std::pair<std::size_t, std::size_t> entre(const std::vector<Somme>& faites, Somme bas, Somme haut) {
    const auto debut = std::lower_bound(faites.begin(), faites.end(), bas);
    const auto fin = std::upper_bound(debut, faites.end(), haut);
    return {static_cast<std::size_t>(debut - faites.begin()), static_cast<std::size_t>(fin - faites.begin())};
}

/// Everything one pass works with.
struct Passe {
    const Plan& plan;
    const TableDeComptes& table;
    const Residu* tab;
    std::uint32_t q;
    std::vector<std::uint32_t> tampon_c;  // the last row read
    std::vector<std::uint64_t> acc;

    /// c(s): the counts of the subsets of the divisors of a with sum s.
    Poly c(Somme s) {
        Poly r;
        if (s < 0 || s > plan.sigma) return r;
        const bool miroir = s > plan.H;
        const std::int64_t ligne = static_cast<std::int64_t>(miroir ? plan.sigma - s : s);
        if (ligne > table.derniere_ligne()) return r;  // a sum the divisors of a cannot make
        const TableDeComptes::Ligne& l = table.ligne(ligne);
        if (l.bas > l.haut) return r;
        const int d = static_cast<int>(plan.da.size());
        if (tampon_c.size() <= static_cast<std::size_t>(d)) tampon_c.resize(static_cast<std::size_t>(d) + 1);
        for (int m = l.bas; m <= l.haut; ++m) tampon_c[static_cast<std::size_t>(miroir ? d - m : m)] = tab[l.base + m];
        r.c = tampon_c.data();
        r.bas = miroir ? d - l.haut : l.bas;
        r.haut = miroir ? d - l.bas : l.haut;
        return r;
    }

    /// acc += a * b, term by term, the terms past acc's end dropped.
    void produit(const Poly& a, const Poly& b) {
        const int fin = static_cast<int>(acc.size()) - 1;
        for (int m1 = a.bas; m1 <= std::min(a.haut, fin - b.bas); ++m1) {
            const std::uint64_t x = a.c[m1];
            if (x == 0) continue;
            std::uint64_t* dst = acc.data() + m1;
            const int h = std::min(b.haut, fin - m1);
            for (int m2 = b.bas; m2 <= h; ++m2) dst[m2] += x * b.c[m2];
        }
    }
};

}  // namespace

CoutStructure cout_structure(const Tache& t, int facteur, std::int64_t T) {
    Plan plan;
    try {
        if (!planifier(t, facteur, T, plan)) return {impossible, impossible};
    } catch (const std::bad_alloc&) {
        return {impossible, impossible};
    }
    if (plan.vide) return {0, 0};
    const Estimation e = estimer_table(plan.da.data(), plan.da.size(), plan.H, plan.besoin);
    double niveaux = 0;
    for (std::size_t i = 0; i < plan.largeur.size(); ++i)
        niveaux = std::max(niveaux, plan.largeur[i] * (static_cast<double>(degre(plan, i)) + 1));
    return {e.mises_a_jour + plan.paires * poids_produit,
            e.cellules * sizeof(Residu) + niveaux * 2 * sizeof(std::uint32_t) +
                static_cast<double>(plan.H + 1) * (sizeof(TableDeComptes::Ligne) + sizeof(long double))};
}

bool compter_par_structure(const Tache& t, int facteur, std::int64_t T, std::size_t n,
                           std::vector<Compte>& par_termes) {
    try {
        Plan plan;
        if (!planifier(t, facteur, T, plan)) return false;
        std::vector<Compte> resultat(n + 1);
        if (plan.vide) {
            par_termes = std::move(resultat);
            return true;
        }
        const TableDeComptes table(plan.da.data(), plan.da.size(), plan.H, plan.besoin, false, t.reglages);
        const std::vector<Somme> faites = sommes_faites(plan, table);
        const std::size_t d = plan.da.size();
        const Somme p = plan.p, sigma = plan.sigma;
        const int e = plan.e;

        // A bound of the counts: the same levels with the table's bounds of
        // every number of terms together.
        const auto borne_c = [&](Somme s) -> long double {
            if (s < 0 || s > sigma) return 0;
            const Somme ligne = s > plan.H ? sigma - s : s;
            return ligne > table.derniere_ligne() ? 0 : table.bornes()[static_cast<std::size_t>(ligne)];
        };
        std::vector<long double> W = {1};
        for (int i = 0; i < e; ++i) {
            const Intervalle r = plan.R[static_cast<std::size_t>(i)], r2 = plan.R[static_cast<std::size_t>(i) + 1];
            std::vector<long double> suivant(static_cast<std::size_t>(r2.haut - r2.bas + 1), 0);
            for (Somme x = r2.bas; x <= r2.haut; ++x) {
                long double somme = 0;
                const auto [debut, fin] = entre(faites, r.bas - p * x, r.haut - p * x);
                for (std::size_t y = debut; y < fin; ++y)
                    somme += W[static_cast<std::size_t>(p * x + faites[y] - r.bas)] * borne_c(faites[y]);
                suivant[static_cast<std::size_t>(x - r2.bas)] = somme * (1 + 0x1p-40L);
            }
            W = std::move(suivant);
        }
        long double borne = 0;

        const Intervalle haut = plan.R.back();
        for (Somme x = haut.bas; x <= haut.haut; ++x) borne += W[static_cast<std::size_t>(x - haut.bas)] * borne_c(x);
        borne *= 1 + 0x1p-40L;
        if (borne < 1) {
            par_termes = std::move(resultat);
            return true;
        }

        // Memory of a pass: its table, then two levels of remainders.
        std::size_t niveaux = 1;
        for (int i = 0; i <= e; ++i)
            niveaux = std::max(niveaux, static_cast<std::size_t>(plan.largeur[static_cast<std::size_t>(i)]) *
                                            (degre(plan, static_cast<std::size_t>(i)) + 1));
        const double travail = table.mises_a_jour() + plan.paires;
        std::vector<Compte> comptes;
        const bool ok = compter_par_passes(
            t, static_cast<double>(std::log2(borne)), n + 1, table.cellules() * sizeof(Residu),
            niveaux * 2 * sizeof(std::uint32_t), travail,
            [&](Residu q, void* tampon, Residu* resultats, std::atomic<std::uint64_t>* fait) {
                Residu* tab = static_cast<Residu*>(tampon);
                table.remplir(q, tab, fait, &t.arret);
                Passe passe{plan, table, tab, q, {}, {}};
                // Level 0: the target alone, with no term.
                std::size_t degre_v = 0;  // terms a level's polynomials may hold
                std::vector<std::uint32_t> V = {1};
                std::vector<int> bas = {0}, haut_v = {0};
                for (int i = 0; i < e; ++i) {
                    const Intervalle r = plan.R[static_cast<std::size_t>(i)];
                    const Intervalle r2 = plan.R[static_cast<std::size_t>(i) + 1];
                    const std::size_t degre2 = degre(plan, static_cast<std::size_t>(i) + 1);
                    const std::size_t w2 = static_cast<std::size_t>(r2.haut - r2.bas + 1);
                    std::vector<std::uint32_t> V2(w2 * (degre2 + 1), 0);
                    std::vector<int> bas2(w2, 0), haut2(w2, -1);
                    for (Somme x = r2.bas; x <= r2.haut; ++x) {
                        passe.acc.assign(degre2 + 1, 0);
                        std::uint64_t produits = 0;
                        const auto [debut, fin] = entre(faites, r.bas - p * x, r.haut - p * x);
                        for (std::size_t y = debut; y < fin; ++y) {
                            const Somme s = faites[y];
                            const std::size_t k = static_cast<std::size_t>(p * x + s - r.bas);
                            if (bas[k] > haut_v[k]) continue;
                            const Poly c = passe.c(s);
                            if (c.bas > c.haut) continue;
                            passe.produit({V.data() + k * (degre_v + 1), bas[k], haut_v[k]}, c);
                            produits += static_cast<std::uint64_t>(haut_v[k] - bas[k] + 1) *
                                        static_cast<std::uint64_t>(c.haut - c.bas + 1);
                        }
                        const std::size_t k2 = static_cast<std::size_t>(x - r2.bas);
                        for (std::size_t m = 0; m <= degre2; ++m) {
                            const std::uint32_t v = static_cast<std::uint32_t>(passe.acc[m] % q);
                            V2[k2 * (degre2 + 1) + m] = v;
                            if (v == 0) continue;
                            if (bas2[k2] > haut2[k2]) bas2[k2] = static_cast<int>(m);
                            haut2[k2] = static_cast<int>(m);
                        }
                        if (bas2[k2] > haut2[k2]) bas2[k2] = 1, haut2[k2] = 0;
                        fait->fetch_add(produits, std::memory_order_relaxed);
                    }
                    V = std::move(V2);
                    bas = std::move(bas2);
                    haut_v = std::move(haut2);
                    degre_v = degre2;
                }
                // The top level: the proper divisors of a, c'(R) = sum over
                // k of (-y)^k c(R - k a).
                const std::size_t dc = std::min(d, plan.termes);  // terms of c'
                passe.acc.assign(plan.termes + 1, 0);
                std::vector<std::uint32_t> cprime(dc + 1);
                for (Somme x = haut.bas; x <= haut.haut; ++x) {
                    const std::size_t k = static_cast<std::size_t>(x - haut.bas);
                    if (bas[k] > haut_v[k]) continue;
                    std::fill(cprime.begin(), cprime.end(), 0);
                    int cb = static_cast<int>(d), ch = -1;
                    for (Somme r = x, termes = 0; r >= 0; r -= plan.a, ++termes) {
                        const Poly c = passe.c(r);
                        for (int m = c.bas; m <= c.haut; ++m) {
                            const std::size_t mm = static_cast<std::size_t>(m + termes);
                            if (mm > dc) continue;  // fewer than d terms, and no more than the target holds
                            const std::uint32_t v = c.c[m];
                            cprime[mm] = (termes % 2 == 0 ? cprime[mm] + v : cprime[mm] + q - v) % q;
                            cb = std::min(cb, static_cast<int>(mm));
                            ch = std::max(ch, static_cast<int>(mm));
                        }
                    }
                    if (cb > ch) continue;
                    passe.produit({V.data() + k * (degre_v + 1), bas[k], haut_v[k]}, {cprime.data(), cb, ch});
                }
                for (std::size_t m = 0; m <= n; ++m)
                    resultats[m] = static_cast<Residu>(m < passe.acc.size() ? passe.acc[m] % q : 0);
            },
            comptes);
        if (!ok) return false;
        par_termes = std::move(comptes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
