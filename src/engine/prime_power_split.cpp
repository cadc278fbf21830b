// Counting through the divisors' multiplicative structure (see prime_power_split.h).
//
// One pass modulo a prime q: the table of the divisors of a, rows [0, H]
// (a row s above H is read from row sigma(a) - s, the complements, with
// d(a) - m terms for m); then the levels, each a dense array over its range
// of remainders of polynomials in the number of terms, V_{i+1}[R'] = sum
// over s of V_i[p R' + s] * c(s); last the proper divisors of a at the top,
// c'(R) = c(R) - y c'(R - a), y counting one term.
//
// Cost: the table (see count_table.h), then for each level the pairs (R', s)
// times the products of their bands of terms.
#include "engine/prime_power_split.h"

#include "engine/x86.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

#include "engine/counts_at_points.h"
#include "engine/passes.h"

namespace taverlune {

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
    std::vector<std::int64_t> da;   // the divisors of a, ascending
    Somme sigma = 0;                // their sum
    std::vector<Intervalle> R;      // R[i]: the remainders of level i, 0..e
    std::vector<Intervalle> s;      // s[i]: the sums taken at level i < e
    bool vide = false;              // no subset reaches the target
    std::int64_t H = 0, utile = 0;  // the table's rows, and the least needed
    std::vector<double> largeur;    // remainders of each level
    std::size_t termes = 0;         // the most terms a sum up to the target can have
    double paires = 0;              // (R', s) pairs and products, estimated
};

/// The terms a polynomial of level i may hold: i digits of at most d(a)
/// terms each, and never more than a sum up to the target can have.
std::size_t degre(const Plan& plan, std::size_t i) { return std::min(i * plan.da.size(), plan.termes); }

Somme plancher(Somme x, Somme p) { return x >= 0 ? x / p : -((-x + p - 1) / p); }
Somme plafond(Somme x, Somme p) { return -plancher(-x, p); }

/// The plan, and false when it cannot serve (ranges past what memory holds).
bool planifier(const Tache& t, int facteur, std::int64_t cible, Plan& plan) {
    plan.p = t.premier[static_cast<std::size_t>(facteur)];
    plan.e = static_cast<int>(t.exposant[static_cast<std::size_t>(facteur)]);
    plan.a = 1;
    plan.da = {1};
    for (Somme somme = 0; plan.termes < t.n && somme + t.element[plan.termes + 1] <= cible;)
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
    plan.R[0] = {cible, cible};
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
    Somme H = 0, utile = std::numeric_limits<Somme>::max();
    for (const Intervalle& l : lus) {
        if (l.bas > l.haut) continue;
        const Somme milieu = sigma / 2;
        if (l.haut <= milieu) {
            H = std::max(H, l.haut);
            utile = std::min(utile, l.bas);
        } else if (l.bas >= sigma - milieu) {
            H = std::max(H, sigma - l.bas);
            utile = std::min(utile, sigma - l.haut);
        } else {
            H = std::max(H, milieu);
            utile = std::min(utile, std::min(l.bas, sigma - l.haut));
        }
    }
    if (H >= (Somme{1} << 40)) return false;
    plan.H = static_cast<std::int64_t>(H);
    plan.utile = static_cast<std::int64_t>(std::min(utile, H));

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
    const Residu* c = nullptr;  // c[m] for m in [bas, haut]
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

/// The product of a[0..na) and b[0..nb) added to acc[0..na + nb - 1), in
/// doubles: exact while the sums stay below 2^53.
void convoluer(double* __restrict acc, const double* a, std::size_t na, const double* b, std::size_t nb) {
    for (std::size_t i = 0; i < na; ++i)
        for (std::size_t j = 0; j < nb; ++j) acc[i + j] += a[i] * b[j];
}

#ifdef TAVERLUNE_X86
/// The same, four terms of a at a time against four sums of acc. a holds a
/// multiple of four terms; b has four zeros before it and eight after; acc
/// has room for eight more sums.
__attribute__((target("avx2,fma"))) void convoluer_avx2(double* acc, const double* a, std::size_t na, const double* b,
                                                        std::size_t nb) {
    for (std::size_t i = 0; i < na; i += 4) {
        const __m256d a0 = _mm256_set1_pd(a[i]), a1 = _mm256_set1_pd(a[i + 1]);
        const __m256d a2 = _mm256_set1_pd(a[i + 2]), a3 = _mm256_set1_pd(a[i + 3]);
        double* dst = acc + i;
        for (std::size_t t = 0; t < nb + 3; t += 4) {
            __m256d x = _mm256_loadu_pd(dst + t);
            x = _mm256_fmadd_pd(a0, _mm256_loadu_pd(b + t), x);
            x = _mm256_fmadd_pd(a1, _mm256_loadu_pd(b + t - 1), x);
            x = _mm256_fmadd_pd(a2, _mm256_loadu_pd(b + t - 2), x);
            x = _mm256_fmadd_pd(a3, _mm256_loadu_pd(b + t - 3), x);
            _mm256_storeu_pd(dst + t, x);
        }
    }
}
#endif

/// Products of polynomials summed in doubles: residues below 2^15 make
/// products below 2^30, and a sum of 2^22 of them stays exact.
class Somme_de_produits {
public:
    /// Sums of up to `termes` terms kept; products of polynomials of up to
    /// `facteurs` terms each.
    Somme_de_produits(std::size_t termes, std::size_t facteurs, double q, bool avx2)
        : termes_(termes), acc_(2 * facteurs + 16, 0), q_(q), avx2_(avx2) {}

    void vider() {
        std::fill(acc_.begin(), acc_.end(), 0);
        ajoutes_ = 0;
    }

    /// acc += a * b; the terms past the last kept are left as they come.
    void ajouter(const Poly& a, const Poly& b) {
        if (b.bas > b.haut || a.bas > a.haut) return;
        const std::size_t na = static_cast<std::size_t>(a.haut - a.bas + 1);
        const std::size_t nb = static_cast<std::size_t>(b.haut - b.bas + 1);
        if (ajoutes_ + na > (std::size_t{1} << 22)) reduire();
        ajoutes_ += na;
        a_.assign((na + 3) / 4 * 4, 0);
        for (std::size_t i = 0; i < na; ++i) a_[i] = a.c[a.bas + static_cast<int>(i)];
        b_.assign(nb + 12, 0);
        for (std::size_t j = 0; j < nb; ++j) b_[4 + j] = b.c[b.bas + static_cast<int>(j)];
        double* dst = acc_.data() + a.bas + b.bas;
#ifdef TAVERLUNE_X86
        if (avx2_) convoluer_avx2(dst, a_.data(), a_.size(), b_.data() + 4, nb);
        else
#endif
            convoluer(dst, a_.data(), na, b_.data() + 4, nb);
    }

    /// The sum modulo q, term m.
    Residu terme(std::size_t m) const { return m <= termes_ ? static_cast<Residu>(std::fmod(acc_[m], q_)) : Residu{0}; }
    std::size_t termes() const { return termes_; }

private:
    void reduire() {
        for (double& v : acc_) v = std::fmod(v, q_);
        ajoutes_ = 0;
    }

    std::size_t termes_;
    std::vector<double> acc_, a_, b_;
    double q_;
    bool avx2_;
    std::size_t ajoutes_ = 0;  // products any one sum received since the last reduction
};

/// An upper bound of the counts of the subsets with sum cible: the levels with
/// the bound of each sum s of the divisors of a, every number of terms
/// together, borne_c(s); sommes(bas, haut, f) calls f(s) for each sum s in
/// [bas, haut] whose bound is not 0.
template <class Sommes, class Borne>
long double borne_des_niveaux(const Plan& plan, const Sommes& sommes, const Borne& borne_c) {
    const Somme p = plan.p;
    std::vector<long double> W = {1};
    for (std::size_t i = 0; i < static_cast<std::size_t>(plan.e); ++i) {
        const Intervalle r = plan.R[i], r2 = plan.R[i + 1];
        std::vector<long double> suivant(static_cast<std::size_t>(r2.haut - r2.bas + 1), 0);
        for (Somme x = r2.bas; x <= r2.haut; ++x) {
            long double somme = 0;
            sommes(r.bas - p * x, r.haut - p * x,
                   [&](Somme s) { somme += W[static_cast<std::size_t>(p * x + s - r.bas)] * borne_c(s); });
            suivant[static_cast<std::size_t>(x - r2.bas)] = somme * (1 + 0x1p-40L);
        }
        W = std::move(suivant);
    }
    long double borne = 0;
    const Intervalle haut = plan.R.back();
    for (Somme x = haut.bas; x <= haut.haut; ++x) borne += W[static_cast<std::size_t>(x - haut.bas)] * borne_c(x);
    return borne * (1 + 0x1p-40L);
}

/// The memory of the levels a pass keeps whole: those below the last, two
/// at a time.
std::size_t octets_niveaux(const Plan& plan) {
    std::size_t niveaux = 1;
    for (std::size_t i = 1; i < static_cast<std::size_t>(plan.e); ++i)
        niveaux = std::max(niveaux, static_cast<std::size_t>(plan.largeur[i]) * (degre(plan, i) + 1));
    return niveaux * 2 * sizeof(Residu);
}

/// Everything one pass works with.
struct Passe {
    const Plan& plan;
    const TableDeComptes& table;
    const Residu* tab;
    std::vector<Residu> tampons[2];  // the last rows read

    /// c(s): the counts of the subsets of the divisors of a with sum s, in
    /// tampons[u].
    Poly c(Somme s, int u) {
        Poly r;
        if (s < 0 || s > plan.sigma) return r;
        const bool miroir = s > plan.H;
        const std::int64_t ligne = static_cast<std::int64_t>(miroir ? plan.sigma - s : s);
        if (ligne > table.derniere_ligne()) return r;  // a sum the divisors of a cannot make
        const TableDeComptes::Rangee& l = table.rangee(ligne);
        if (l.bas > l.haut) return r;
        const int d = static_cast<int>(plan.da.size());
        std::vector<Residu>& tampon = tampons[u];
        if (tampon.size() <= static_cast<std::size_t>(d)) tampon.resize(static_cast<std::size_t>(d) + 1);
        for (int m = l.bas; m <= l.haut; ++m) tampon[static_cast<std::size_t>(miroir ? d - m : m)] = tab[l.base + m];
        r.c = tampon.data();
        r.bas = miroir ? d - l.haut : l.bas;
        r.haut = miroir ? d - l.bas : l.haut;
        return r;
    }
};

/// The work and memory of one pass of the split by number of terms.
CoutDecoupe cout_par_termes(const Plan& plan) {
    const Estimation e = estimer_table(plan.da.data(), plan.da.size(), plan.H, plan.utile);
    // Its plan sweeps every row, even where few cells live.
    return {e.mises_a_jour + plan.paires * poids_produit + static_cast<double>(plan.H + 1),
            e.cellules * sizeof(Residu) + static_cast<double>(octets_niveaux(plan)) +
                static_cast<double>(plan.H + 1) * (sizeof(TableDeComptes::Rangee) + sizeof(long double))};
}

}  // namespace

bool compter_par_decoupe(const Tache& t, int facteur, std::int64_t cible, std::size_t n,
                         std::vector<Compte>& par_termes) {
    try {
        Plan plan;
        if (!planifier(t, facteur, cible, plan)) return false;
        std::vector<Compte> resultat(n + 1);
        if (plan.vide) {
            par_termes = std::move(resultat);
            return true;
        }
        const TableDeComptes table(plan.da.data(), plan.da.size(), plan.H, plan.utile, false, t.reglages,
                                   [&] { return t.veiller(); });
        const std::vector<Somme> faites = sommes_faites(plan, table);
        const std::size_t d = plan.da.size();
        const Somme p = plan.p, sigma = plan.sigma;
        const int e = plan.e;

        // A bound of the counts: the same levels with the table's bounds of
        // every number of terms together.
        const Intervalle haut = plan.R.back();
        const auto parmi_faites = [&](Somme de, Somme a, const auto& f) {
            const auto [debut, fin] = entre(faites, de, a);
            for (std::size_t y = debut; y < fin; ++y) f(faites[y]);
        };
        const long double borne = borne_des_niveaux(plan, parmi_faites, [&](Somme s) -> long double {
            if (s < 0 || s > sigma) return 0;
            const Somme ligne = s > plan.H ? sigma - s : s;
            return ligne > table.derniere_ligne() ? 0 : table.bornes()[static_cast<std::size_t>(ligne)];
        });
        if (borne < 1) {
            par_termes = std::move(resultat);
            return true;
        }

        const std::size_t niveaux = octets_niveaux(plan);
        const double travail = table.mises_a_jour() + plan.paires;
#ifdef TAVERLUNE_X86
        const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && !t.reglages.noyau_portable;
#else
        const bool avx2 = false;
#endif
        std::vector<Compte> comptes;
        const bool ok = compter_par_passes(
            t, static_cast<double>(std::log2(borne)), n + 1, table.cellules() * sizeof(Residu), niveaux, travail,
            [&](Residu q, void* tampon, Residu* resultats, std::atomic<std::uint64_t>* fait) {
                Residu* tab = static_cast<Residu*>(tampon);
                table.remplir(q, tab, fait, &t.arret);
                Passe passe{plan, table, tab, {}};
                // Level 0: the target alone, with no term.
                std::size_t degre_v = 0;  // terms a level's polynomials may hold
                std::vector<Residu> V = {1};
                std::vector<int> bas = {0}, haut_v = {0};
                // The polynomial of remainder x at level i + 1, from level i.
                const auto monter = [&](int i, Somme x, Somme_de_produits& somme) {
                    const Intervalle r = plan.R[static_cast<std::size_t>(i)];
                    somme.vider();
                    std::uint64_t produits = 0;
                    const auto [debut, fin] = entre(faites, r.bas - p * x, r.haut - p * x);
                    for (std::size_t y = debut; y < fin; ++y) {
                        const Somme s = faites[y];
                        const std::size_t k = static_cast<std::size_t>(p * x + s - r.bas);
                        if (bas[k] > haut_v[k]) continue;
                        const Poly c = passe.c(s, 0);
                        if (c.bas > c.haut) continue;
                        somme.ajouter({V.data() + k * (degre_v + 1), bas[k], haut_v[k]}, c);
                        produits += static_cast<std::uint64_t>(haut_v[k] - bas[k] + 1) *
                                    static_cast<std::uint64_t>(c.haut - c.bas + 1);
                    }
                    return produits;
                };
                // Its coefficients, and the least and most terms not 0 (1 > 0: none).
                const auto ecrire = [](const Somme_de_produits& somme, Residu* dst, int& b, int& h) {
                    b = 1, h = 0;
                    for (std::size_t m = 0; m <= somme.termes(); ++m) {
                        dst[m] = somme.terme(m);
                        if (dst[m] == 0) continue;
                        if (b > h) b = static_cast<int>(m);
                        h = static_cast<int>(m);
                    }
                };
                // The levels below the last are kept whole; the last is
                // computed one remainder at a time, as the top level asks.
                for (int i = 0; i + 1 < e; ++i) {
                    const Intervalle r2 = plan.R[static_cast<std::size_t>(i) + 1];
                    const std::size_t degre2 = degre(plan, static_cast<std::size_t>(i) + 1);
                    const std::size_t w2 = static_cast<std::size_t>(r2.haut - r2.bas + 1);
                    std::vector<Residu> V2(w2 * (degre2 + 1), 0);
                    std::vector<int> bas2(w2, 1), haut2(w2, 0);
                    Somme_de_produits somme(degre2, std::max(degre_v, d), q, avx2);
                    for (Somme x = r2.bas; x <= r2.haut; ++x) {
                        const std::uint64_t produits = monter(i, x, somme);
                        const std::size_t k2 = static_cast<std::size_t>(x - r2.bas);
                        ecrire(somme, V2.data() + k2 * (degre2 + 1), bas2[k2], haut2[k2]);
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
                const std::size_t degre_e = degre(plan, static_cast<std::size_t>(e));
                Somme_de_produits total(plan.termes, std::max(degre_e, dc), q, avx2);
                Somme_de_produits dernier(degre_e, std::max(degre_v, d), q, avx2);
                std::vector<Residu> cprime(dc + 1), v(dernier.termes() + 1);
                for (Somme x = haut.bas; x <= haut.haut; ++x) {
                    std::uint64_t produits = monter(e - 1, x, dernier);
                    int vb = 1, vh = 0;
                    ecrire(dernier, v.data(), vb, vh);
                    if (vb > vh) continue;
                    std::fill(cprime.begin(), cprime.end(), 0);
                    int cb = static_cast<int>(d), ch = -1;
                    for (Somme r = x, termes = 0; r >= 0; r -= plan.a, ++termes) {
                        const Poly c = passe.c(r, 1);
                        for (int m = c.bas; m <= c.haut; ++m) {
                            const std::size_t mm = static_cast<std::size_t>(m + termes);
                            if (mm > dc) continue;  // fewer than d terms, and no more than the target holds
                            const std::uint32_t w = c.c[m];
                            cprime[mm] =
                                static_cast<Residu>((termes % 2 == 0 ? cprime[mm] + w : cprime[mm] + q - w) % q);
                            cb = std::min(cb, static_cast<int>(mm));
                            ch = std::max(ch, static_cast<int>(mm));
                        }
                    }
                    if (cb > ch) continue;
                    total.ajouter({v.data(), vb, vh}, {cprime.data(), cb, ch});
                    produits += static_cast<std::uint64_t>(vh - vb + 1) * static_cast<std::uint64_t>(ch - cb + 1);
                    fait->fetch_add(produits, std::memory_order_relaxed);
                }
                for (std::size_t m = 0; m <= n; ++m) resultats[m] = total.terme(m);
            },
            comptes);
        if (!ok) return false;
        par_termes = std::move(comptes);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// ---- The same split at values of y ----------------------------------------
//
// The table of the divisors of a at L values of y, one cell a sum and a
// value, rows [0, Hmax] with no folding (the folding exchanges y and 1/y);
// then the levels, one residue a remainder and a value, and the counts back
// from their values (see counts_at_points.h).

namespace {

/// The table of one value of y is a few bytes a sum: it stays in the
/// caches, and a cell of it costs about what a cell of the table by number
/// of terms, which waits on memory, does (720720 to 9699690: 0.5 to 0.6 of
/// the split by number of terms' time, measured, for 0.6 to 0.7 estimated).
constexpr double cout_cellule_en_cache = 1;

/// The rows of the table the levels read, unfolded.
Somme lignes_lues(const Plan& plan) {
    Somme h = plan.R.back().haut;
    for (const Intervalle& s : plan.s) h = std::max(h, s.haut);
    return h;
}

/// Element k of the divisors of a updates the rows from itself to the most
/// the elements up to it make, within [0, H].
std::vector<Fenetre> fenetres_des_diviseurs(const Plan& plan, Somme H) {
    std::vector<Fenetre> f;
    Somme pre = 0;
    for (const std::int64_t x : plan.da) {
        pre += x;
        f.push_back({x, static_cast<std::int64_t>(std::min(H, pre))});
    }
    return f;
}

/// The remainders the levels below the last hold at once, two levels at a
/// time; and the (remainder, sum) pairs all the levels meet.
struct Niveaux {
    double largeur = 0, paires = 0;
};
Niveaux niveaux_aux_points(const Plan& plan) {
    Niveaux n;
    for (std::size_t i = 0; i < static_cast<std::size_t>(plan.e); ++i) {
        const double lus = std::min(plan.largeur[i], static_cast<double>(plan.sigma) + 1);
        n.paires += plan.largeur[i + 1] * lus;
        if (i + 1 < static_cast<std::size_t>(plan.e)) n.largeur = std::max(n.largeur, plan.largeur[i + 1]);
    }
    n.paires += plan.largeur.back() * (static_cast<double>(plan.sigma / plan.a) + 1);
    return n;
}

/// x modulo q for any x below 2^64, by Barrett's method.
struct Reduction {
    std::uint64_t q, m;  // m = floor(2^64 / q) (q is no power of 2)
    explicit Reduction(std::uint64_t modulo) : q(modulo), m(~std::uint64_t{0} / modulo) {}
    std::uint64_t operator()(std::uint64_t x) const {
        const std::uint64_t r = x - static_cast<std::uint64_t>((static_cast<u128>(x) * m) >> 64) * q;
        return r >= q ? r - q : r;
    }
};

}  // namespace

CoutsDecoupe couts_decoupe(const Tache& t, int facteur, std::int64_t cible) {
    Plan plan;
    try {
        if (!planifier(t, facteur, cible, plan)) return {{impossible, impossible}, {impossible, impossible}};
    } catch (const std::bad_alloc&) {
        return {{impossible, impossible}, {impossible, impossible}};
    }
    if (plan.vide) return {};
    CoutsDecoupe c{cout_par_termes(plan), {impossible, impossible}};
    if (plan.da.size() > 1000) return c;  // bounds of the sums past a double
    const Somme H = lignes_lues(plan);
    const Termes m = termes(&t.element[1], t.n, cible);
    const double J = m.bas > m.haut ? 0 : static_cast<double>(m.haut - m.bas + 1);
    const Niveaux n = niveaux_aux_points(plan);
    const double lignes = static_cast<double>(H) + 1;
    c.aux_points = {
        J * (cout_cellule_en_cache * mises_a_jour(fenetres_des_diviseurs(plan, H)) + n.paires + lignes) + lignes,
        std::max(lignes * sizeof(double), (lignes + 16) * sizeof(Residu) + n.largeur * 2 * sizeof(std::uint32_t))};
    return c;
}

bool compter_par_decoupe_aux_points(const Tache& t, int facteur, std::int64_t cible, std::size_t n,
                                    std::vector<Compte>& par_termes) {
    try {
        Plan plan;
        if (!planifier(t, facteur, cible, plan) || plan.da.size() > 1000) return false;
        std::vector<Compte> resultat(n + 1);
        const Termes m = termes(&t.element[1], t.n, cible);
        if (plan.vide || m.bas > m.haut) {
            par_termes = std::move(resultat);
            return true;
        }
        const Somme H = lignes_lues(plan), p = plan.p;
        const int e = plan.e;
        const std::vector<Fenetre> f = fenetres_des_diviseurs(plan, H);

        // A bound of the counts of each sum the divisors of a make (at most
        // 2^1000: a double holds it), kept only while the bound of the whole
        // is computed.
        long double borne = 0;
        {
            // Zeroed a slice at a time: hundreds of megabytes take a while.
            std::unique_ptr<double[]> bornes(new double[static_cast<std::size_t>(H) + 1]);
            for (std::size_t debut = 0, tranche = std::size_t{1} << 22; debut <= static_cast<std::size_t>(H);
                 debut += tranche) {
                if (!t.veiller()) return false;
                std::fill_n(bornes.get() + debut, std::min(tranche, static_cast<std::size_t>(H) + 1 - debut), 0.0);
            }
            bornes[0] = 1;
            for (std::size_t k = 0; k < f.size(); ++k) {
                if (!t.veiller()) return false;  // asked to stop: a sweep of seconds in all
                for (std::int64_t s = f[k].haut; s >= f[k].bas; --s)
                    bornes[static_cast<std::size_t>(s)] += bornes[static_cast<std::size_t>(s - f[k].bas)];
            }
            std::uint64_t lues = 0;
            const auto faites = [&](Somme de, Somme a, const auto& g) {
                for (Somme s = std::max<Somme>(de, 0); s <= std::min<Somme>(a, H); ++s) {
                    if ((++lues & 0x3FFFF) == 0 && !t.veiller()) throw PasseArretee{};
                    if (bornes[static_cast<std::size_t>(s)] > 0) g(s);
                }
            };
            borne = borne_des_niveaux(plan, faites, [&](Somme s) -> long double {
                return s < 0 || s > H ? 0
                                      : static_cast<long double>(bornes[static_cast<std::size_t>(s)]) * (1 + 0x1p-40L);
            });
        }
        if (borne < 1) {
            par_termes = std::move(resultat);
            return true;
        }

        const Niveaux niveaux = niveaux_aux_points(plan);
        const std::size_t kmax = static_cast<std::size_t>(plan.sigma / plan.a) + 1;  // a's multiples below sigma
        std::vector<Compte> comptes;
        const bool ok = balayer_aux_points(
            t, plan.da.data(), f, static_cast<std::size_t>(H) + 1, static_cast<double>(std::log2(borne)), m,
            static_cast<std::size_t>(niveaux.largeur) * 2 * sizeof(std::uint32_t),
            [&](const Residu* tab, std::size_t L, const Residu* y, Residu q, std::uint32_t* valeurs) {
                const Reduction reduire(q);
                const auto c = [&](Somme s) { return tab + static_cast<std::size_t>(s) * L; };
                // Level 0: the target alone, with no term, at every value.
                std::vector<std::uint32_t> V(L, 1);
                std::vector<std::uint64_t> acc(L);
                // acc: the value of remainder x at level i + 1, from level i.
                const auto monter = [&](std::size_t i, Somme x) {
                    const Intervalle r = plan.R[i];
                    std::fill(acc.begin(), acc.end(), 0);
                    for (Somme s = std::max<Somme>(0, r.bas - p * x); s <= std::min(H, r.haut - p * x); ++s) {
                        const std::uint32_t* v = V.data() + static_cast<std::size_t>(p * x + s - r.bas) * L;
                        const Residu* cs = c(s);
                        for (std::size_t l = 0; l < L; ++l) acc[l] += static_cast<std::uint64_t>(v[l]) * cs[l];
                    }
                    for (std::size_t l = 0; l < L; ++l) acc[l] = reduire(acc[l]);
                };
                for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(e); ++i) {
                    const Intervalle r2 = plan.R[i + 1];
                    std::vector<std::uint32_t> V2(static_cast<std::size_t>(r2.haut - r2.bas + 1) * L);
                    for (Somme x = r2.bas; x <= r2.haut; ++x) {
                        monter(i, x);
                        std::copy(acc.begin(), acc.end(), V2.begin() + static_cast<std::ptrdiff_t>((x - r2.bas) * L));
                    }
                    V = std::move(V2);
                }
                // The top level, with the proper divisors of a: the sum over
                // x of v(x) c'(x), c'(x) the sum over k of (-y)^k c(x - k a),
                // summed for each k apart. Products below 2^30, fewer than
                // 2^27 of them: no reduction until the end.
                std::vector<std::uint64_t> S(kmax * L, 0);
                const Intervalle haut = plan.R.back();
                for (Somme x = haut.bas; x <= haut.haut; ++x) {
                    if (e == 1) {
                        const Residu* v = c(cible - p * x);  // level 0 holds 1
                        for (std::size_t l = 0; l < L; ++l) acc[l] = v[l];
                    } else {
                        monter(static_cast<std::size_t>(e) - 1, x);
                    }
                    std::size_t k = 0;
                    for (Somme r = x; r >= 0; r -= plan.a, ++k) {
                        const Residu* cr = c(r);
                        for (std::size_t l = 0; l < L; ++l) S[k * L + l] += acc[l] * cr[l];
                    }
                }
                for (std::size_t l = 0; l < L; ++l) {
                    std::uint64_t total = 0, puissance = 1;
                    const std::uint64_t moins_y = q - y[l];
                    for (std::size_t k = 0; k < kmax; ++k) {
                        total = reduire(total + puissance * reduire(S[k * L + l]));
                        puissance = reduire(puissance * moins_y);
                    }
                    valeurs[l] = static_cast<std::uint32_t>(total);
                }
            },
            comptes);
        if (!ok) return false;
        for (std::size_t j = 0; j < comptes.size(); ++j) resultat[m.bas + j] = std::move(comptes[j]);
        par_termes = std::move(resultat);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace taverlune
