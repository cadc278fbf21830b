// The engine's entry (see engine.h): which method counts or lists.
//
// The listing (listing.cpp) meets the solutions in order and cuts every
// branch that cannot reach the target. Counting alone needs no enumeration
// at all when the sums are small enough: a table of counts by sum and number
// of terms (count_table.h), over all the elements at once, through the split
// along a prime power of N (prime_power_split.h), or over each group of
// divisors whose sums never carry into one another (carry_free_groups.h);
// else remembered remainders; else the listing, counting only.
#include "taverlune/engine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/carry_free_groups.h"
#include "engine/factorisation.h"
#include "engine/one_number.h"
#include "engine/count_table.h"
#include "engine/counts_at_points.h"
#include "engine/passes.h"
#include "engine/prime_power_split.h"
#include "engine/reachable_sums.h"
#include "engine/residues.h"
#include "engine/task.h"

namespace taverlune {

namespace {

// A table is worth its memory only when it costs less than a plain search of
// all the 2^n subsets of n elements, which never needs one.
std::size_t utile(std::size_t octets_max, std::size_t n) {
    if (n >= 58) return octets_max;
    return std::min(octets_max, (std::size_t{1} << n) * 16);
}

// Counting group by group: each group's counts by the table, then multiplied
// together, number of terms by number of terms.
std::size_t taille(const Groupe& G) { return G.fin >= G.debut ? G.fin - G.debut + 1 : 0; }

// A group's elements in its units.
std::vector<std::int64_t> unites(const Tache& t, const Groupe& G) {
    std::vector<std::int64_t> u(taille(G));
    for (std::size_t q = 0; q < u.size(); ++q) u[q] = static_cast<std::int64_t>(t.element[G.debut + q] / G.unite);
    return u;
}

bool compter_par_groupes(const Tache& t, const Decoupage& d, std::vector<Compte>& produit) {
    produit.assign(1, Compte{});  // the empty subset of no group
    produit[0] += 1;
    for (const Groupe& G : d.groupes) {
        std::vector<Compte> groupe(1);
        if (G.chiffre == 0) {
            groupe[0] += 1;  // only the empty subset makes 0
        } else if (!compter_sous_ensembles(t, unites(t, G).data(), taille(G), static_cast<std::int64_t>(G.chiffre),
                                           groupe)) {
            return false;
        }
        std::vector<Compte> suivant(produit.size() + groupe.size() - 1);
        for (std::size_t x = 0; x < produit.size(); ++x)
            for (std::size_t y = 0; y < groupe.size(); ++y)
                if (!produit[x].est_nul() && !groupe[y].est_nul()) suivant[x + y] += produit[x] * groupe[y];
        produit = std::move(suivant);
    }
    return true;
}

// How long a count may take before the caller is told that it will not end soon.
constexpr double delai_raisonnable = 600;

// An upper bound of the bits of any count of solutions, from the elements
// up to the target.
double bits_au_plus(const Tache& t) {
    const std::size_t utiles = static_cast<std::size_t>(
        std::upper_bound(t.element.begin() + 1, t.element.end(), t.cible) - (t.element.begin() + 1));
    return taverlune::bits_au_plus(utiles, static_cast<double>(t.cible));
}

/// Cell updates a thread does in a second on a slow machine: a first guess
/// (longer than the count will take), before any method is weighed.
constexpr double unites_par_seconde = 1.5e9;

/// The seconds of a count of `travail` units a pass, at that speed.
double secondes_de(const Tache& t, double travail) {
    return travail * static_cast<double>(premiers_necessaires(bits_au_plus(t))) / (unites_par_seconde * t.fils());
}

void prevenir(const Tache& t, Lenteur::Quoi quoi, double secondes, double solutions = 0) {
    if (t.rappels.lenteur) t.rappels.lenteur({quoi, secondes, solutions});
}

// The total, from the distribution.
bool sommer(Resultat& r) {
    r.total = Compte{};
    for (const Compte& c : r.par_termes) r.total += c;
    return true;
}

// A way of counting without listing, and the work it was weighed by.
struct Methode {
    double travail;
    // 0: the table over all the elements; -1: over the sums alone; -2:
    // at values of the number of terms; -3: group by group; else the
    // split by premier[facteur]
    int facteur;
    bool aux_points = false;  // the split at values of the number of terms
};

// The methods that fit, the least work first: the table over all the
// elements at once (over the sums alone, when only the total is asked, or
// at values of the number of terms), the split by one of N's prime factors
// (by number of terms or at values), group by group. `ecartee`: the least
// work of a method left out for want of memory (+inf when none was).
std::vector<Methode> methodes_de(const Tache& t, const Decoupage& d, Mesure mesure, double& ecartee) {
    const std::size_t n = t.n;
    const double libre = static_cast<double>(t.memoire_disponible());
    std::vector<Methode> methodes;
    double table = std::numeric_limits<double>::infinity();
    ecartee = std::numeric_limits<double>::infinity();
    // A few elements are listed sooner than any table over a large target
    // is swept: no method that costs more than walking their 2^n subsets.
    const double liste = n < 60 ? std::ldexp(16.0, static_cast<int>(n)) : std::numeric_limits<double>::infinity();
    const auto retenir = [&](double octets, double travail) {
        if (octets > libre) ecartee = std::min(ecartee, travail);
        return octets <= libre && travail <= liste;
    };
    if (t.reglages.par_sommes && mesure == Mesure::total) {
        const Besoin s = besoin_total_seul(&t.element[1], n, t.cible);
        // A pass of it is as many passes as the table's: their work compares.
        if (retenir(s.octets, s.travail)) table = s.travail, methodes.push_back({s.travail, -1});
    }
    // For the total alone, the table by number of terms updates the same
    // rows with a band of cells each, in more memory: weighed only when the
    // table over the sums alone does not fit.
    if (t.reglages.par_table && methodes.empty()) {
        const Besoin b = besoin_sous_ensembles(&t.element[1], n, t.cible);
        if (retenir(b.octets, b.travail)) table = std::min(table, b.travail), methodes.push_back({b.travail, 0});
    }
    if (t.reglages.aux_points) {
        const Besoin b = besoin_aux_points(&t.element[1], n, t.cible);
        if (retenir(b.octets, b.travail)) methodes.push_back({b.travail, -2});
    }
    // Group by group, each group's table over its own digit of the target.
    if (d.groupes.size() > 1) {
        Besoin groupes;
        for (const Groupe& G : d.groupes) {
            if (G.chiffre == 0) continue;  // only the empty subset makes 0
            const Besoin b =
                besoin_sous_ensembles(unites(t, G).data(), taille(G), static_cast<std::int64_t>(G.chiffre));
            groupes.travail += b.travail;
            groupes.octets = std::max(groupes.octets, b.octets);
        }
        if (retenir(groupes.octets, groupes.travail)) methodes.push_back({groupes.travail, -3});
    }
    // Planning a split sorts the divisors of N / p^e, for each p: not worth
    // it when the table alone costs less than that.
    double diviseurs = 1, plans = 0;
    for (int f = 1; f <= t.nf; ++f) diviseurs *= static_cast<double>(t.exposant[static_cast<std::size_t>(f)] + 1);
    for (int f = 1; f <= t.nf; ++f)
        plans += 32 * diviseurs / static_cast<double>(t.exposant[static_cast<std::size_t>(f)] + 1);
    if (t.reglages.par_decoupe && t.N > 1 && table > plans)
        for (int f = 1; f <= t.nf && t.veiller(); ++f) {
            const CoutsDecoupe c = couts_decoupe(t, f, t.cible);
            constexpr double jamais = std::numeric_limits<double>::infinity();
            if (retenir(c.par_termes.octets, c.par_termes.travail) && c.par_termes.travail < jamais)
                methodes.push_back({c.par_termes.travail, f});
            if (t.reglages.aux_points && retenir(c.aux_points.octets, c.aux_points.travail) &&
                c.aux_points.travail < jamais)
                methodes.push_back({c.aux_points.travail, f, true});
        }
    std::stable_sort(methodes.begin(), methodes.end(),
                     [](const Methode& x, const Methode& y) { return x.travail < y.travail; });
    return methodes;
}

// ---- The time a count takes ------------------------------------------------
//
// Each method's cost in seconds of one thread of this machine: its cell
// updates (or products) of one pass, times its passes (one per residue
// prime, from the bits of the count), times what one of its cells costs
// against a cell of the table's kernel; the passes shared between the
// threads the count runs, the cores shared with the load the machine
// already carries. The costs were measured on counts of 1 to 600 s (see
// bench/estimate_bench.py).

/// What a cell of each method costs against one of the table's kernel on
/// rows in the caches; the tables over all the elements, past the caches,
/// cost more (secondes_de_passes).
constexpr double cout_table = 1.75;
constexpr double cout_total_seul = 2.0;
constexpr double cout_aux_points = 0.75;
constexpr double cout_decoupe = 3.4;
constexpr double cout_decoupe_aux_points = 3.1;
/// Seconds of the remembered remainders, a remainder remembered.
constexpr double secondes_par_reste = 1e-6;

/// The bits of the count of the subsets of e[0..ne) with sum s, about: the
/// saddle point of the product of the (1 + z^e), within a few bits where
/// the elements are many; never above the bound the methods start from.
double bits_estimes(const std::int64_t* e, std::size_t ne, std::int64_t s) {
    const double borne = taverlune::bits_au_plus(ne, static_cast<double>(s));
    if (ne == 0 || s <= 0) return 1;
    // With u = theta s: f(u) = sum of log(1 + exp(u x)) - u, x = e / s.
    std::vector<double> x(ne);
    for (std::size_t k = 0; k < ne; ++k) x[k] = static_cast<double>(e[k]) / static_cast<double>(s);
    const auto pente = [&](double u) {  // f'(u)
        double r = -1;
        for (const double v : x) r += v / (1 + std::exp(-u * v));
        return r;
    };
    double bas = -1, haut = 1;
    while (pente(bas) > 0 && bas > -1e6) bas *= 2;
    while (pente(haut) < 0 && haut < 1e6) haut *= 2;
    for (int i = 0; i < 60; ++i) {
        const double milieu = (bas + haut) / 2;
        (pente(milieu) < 0 ? bas : haut) = milieu;
    }
    const double u = (bas + haut) / 2;
    double f = -u, courbure = 0;
    for (const double v : x) {
        const double z = u * v;
        f += z > 0 ? z + std::log1p(std::exp(-z)) : std::log1p(std::exp(z));
        const double q = 1 / (1 + std::exp(-z));
        courbure += v * v * q * (1 - q);
    }
    // The density of the sums at s: f'' in units of s, in the integers.
    const double bits =
        (f - 0.5 * std::log(2 * 3.14159265358979 * courbure * static_cast<double>(s) * static_cast<double>(s))) /
        std::log(2.0);
    return std::clamp(bits, 1.0, borne);
}

/// The threads that run `travaux` passes at once, as many as `fils` and the
/// memory allow, each on a share of a core beside the load the machine
/// carries: the work of one thread that the passes take, from the passes.
double fils_effectifs(const Tache& t, double travaux, double octets_par_fil, double tout) {
    constexpr double pile = 8 << 20;
    double fils = static_cast<double>(std::max(1u, t.fils()));
    // A short count runs its passes on the calling thread.
    if (tout < 1e7 || (t.reglages.fils == 1 && !t.rappels.progres)) fils = 1;
    fils = std::max(
        1.0, std::min({fils, std::floor((static_cast<double>(t.memoire_disponible()) + pile) / (octets_par_fil + pile)),
                       std::max(1.0, travaux)}));
    // The passes go in rounds: the last may leave threads idle.
    const double tours = std::ceil(std::max(1.0, travaux) / fils);
    const double paralleles = std::max(1.0, travaux) / tours;
    // A count of a tenth of a second or so is worth one look at the load,
    // not a sixth of a second of them.
    const double partage = coeurs_pour(static_cast<unsigned>(fils), tout < 1e9 ? 1 : 8) / fils;
    return std::max(paralleles * partage, 1e-3);
}

/// The seconds of `passes` passes of `travail` cells each, a cell costing
/// `cout` cells of the kernel, each pass in a table of `octets`. A table
/// past the caches of a core (`en_memoire`) waits on memory: a fifth more
/// each time it doubles past 4 MiB, and half as much again for each other
/// thread of the count sharing the memory with it.
double secondes_de_passes(const Tache& t, double cout, double travail, double passes, double octets, bool en_memoire) {
    const double tout = travail * passes;
    const double fils = fils_effectifs(t, passes, octets, tout);
    const double lenteur =
        en_memoire ? 1 + 0.2 * std::max(0.0, std::log2(octets / (4 << 20))) * (1 + 0.5 * std::max(0.0, fils - 1)) : 1;
    return cout * lenteur * tout / (cellules_par_seconde(t.reglages.noyau_portable) * fils);
}

/// The seconds of one method, from its plan.
double secondes_methode(const Tache& t, const Decoupage& d, const Methode& m) {
    const std::size_t n = t.n;
    const auto passes = [](double bits) { return static_cast<double>(premiers_necessaires(bits)); };
    switch (m.facteur) {
        case 0: {
            const SommeComptee c = somme_comptee(&t.element[1], n, t.cible);
            const Besoin b = besoin_sous_ensembles(&t.element[1], n, t.cible);
            return secondes_de_passes(t, cout_table, b.travail, passes(bits_estimes(&t.element[1], c.ne, c.comptee)),
                                      b.octets, true);
        }
        case -1:
        case -2: {
            // Their passes: as many as the bound of the count calls for.
            const SommeComptee c = somme_comptee(&t.element[1], n, t.cible);
            const double P = passes(taverlune::bits_au_plus(c.ne, static_cast<double>(c.comptee)));
            const Besoin b = m.facteur == -1 ? besoin_total_seul(&t.element[1], n, t.cible)
                                             : besoin_aux_points(&t.element[1], n, t.cible);
            return secondes_de_passes(t, m.facteur == -1 ? cout_total_seul : cout_aux_points, b.travail, P, b.octets,
                                      true);
        }
        case -3: {
            double secondes = 0;
            for (const Groupe& G : d.groupes) {
                if (G.chiffre == 0) continue;
                const std::vector<std::int64_t> u = unites(t, G);
                const std::int64_t chiffre = static_cast<std::int64_t>(G.chiffre);
                const SommeComptee c = somme_comptee(u.data(), u.size(), chiffre);
                const Besoin b = besoin_sous_ensembles(u.data(), u.size(), chiffre);
                secondes += secondes_de_passes(t, cout_table, b.travail,
                                               passes(bits_estimes(u.data(), c.ne, c.comptee)), b.octets, true);
            }
            return secondes;
        }
        default: {
            const SommeComptee c = somme_comptee(&t.element[1], n, t.cible);
            const CoutsDecoupe cd = couts_decoupe(t, m.facteur, t.cible);
            const CoutDecoupe& k = m.aux_points ? cd.aux_points : cd.par_termes;
            return secondes_de_passes(t, m.aux_points ? cout_decoupe_aux_points : cout_decoupe, k.travail,
                                      passes(bits_estimes(&t.element[1], c.ne, c.comptee)), k.octets, false);
        }
    }
}

/// The remainders the remembered recursion meets, at most: at each element,
/// those up to the sum of the elements so far that the target less a sum
/// of the elements after it can be (a multiple of their gcd away from it).
double restes_retenus(const Tache& t) {
    double restes = 0;
    std::int64_t pgcd = 0;
    Somme avant = 0;
    for (std::size_t m = 1; m <= t.n; ++m) avant += t.element[m];
    for (std::size_t m = t.n; m >= 1; --m) {
        const double apres = static_cast<double>(t.n - m);
        const double par_pgcd = pgcd == 0 ? 1 : static_cast<double>(avant) / static_cast<double>(pgcd) + 1;
        restes += std::min(std::ldexp(1.0, static_cast<int>(std::min(apres, 1000.0))), par_pgcd);
        pgcd = std::gcd(pgcd, t.element[m]);
        avant -= t.element[m];
    }
    return restes;
}

/// The most remainders the recursion remembers before it gives up.
constexpr double restes_max = 8388608;

// Counting without listing: the methods of methodes_de, each giving way to
// the next when memory runs short; else by remembered remainders. Leaves
// r.total and, but from the table over the sums alone, r.par_termes; false
// when none can serve or the search was stopped.
bool compter_sans_lister(const Tache& t, const Decoupage& d, Mesure mesure, Resultat& r, double& ecartee) {
    std::vector<Compte>& par_termes = r.par_termes;
    const std::size_t n = t.n;
    const std::vector<Methode> methodes = methodes_de(t, d, mesure, ecartee);
    // A count that a slow machine would end in seconds is not weighed any
    // further (weighing looks at the load for a sixth of a second).
    if (!methodes.empty() && t.rappels.lenteur && secondes_de(t, methodes[0].travail) > delai_raisonnable / 50) {
        const double secondes = secondes_methode(t, d, methodes[0]);
        if (secondes > delai_raisonnable) prevenir(t, Lenteur::Quoi::comptage, secondes);
    }
    // Each method gives way to the next when memory runs short.
    const auto essayer = [&](auto&& methode) {
        if (t.arret) return false;
        try {
            return methode();
        } catch (const std::bad_alloc&) {
            return false;
        } catch (const PasseArretee&) {
            return false;  // asked to stop while a table was being laid out
        }
    };
    for (const Methode& m : methodes) {
        if (m.facteur == -1) {
            if (essayer([&] { return compter_total_seul(t, &t.element[1], n, t.cible, r.total); })) return true;
            continue;
        }
        if (essayer([&] {
                if (m.facteur == -3) return compter_par_groupes(t, d, par_termes);
                if (m.facteur == -2) return compter_aux_points(t, &t.element[1], n, t.cible, par_termes);
                if (m.aux_points) return compter_par_decoupe_aux_points(t, m.facteur, t.cible, n, par_termes);
                return m.facteur == 0 ? compter_sous_ensembles(t, &t.element[1], n, t.cible, par_termes)
                                      : compter_par_decoupe(t, m.facteur, t.cible, n, par_termes);
            }))
            return sommer(r);
    }
    return t.reglages.par_restes_retenus && essayer([&] { return compter_par_restes_retenus(t, par_termes); }) &&
           sommer(r);
}

// The listing, with its table of reachable sums when that fits.
void lister_avec_ou_sans_table(const Tache& t, const Decoupage& d, Puits* puits, const Forme& forme, Resultat& r) {
    std::unique_ptr<SommesAtteignables> sommes;
    if (SommesAtteignables::tient(d, utile(t.reglages.octets_sommes_max, t.n))) {
        try {
            sommes = std::make_unique<SommesAtteignables>(t, d);
        } catch (const std::bad_alloc&) {
            // The listing goes on without its table.
        }
    }
    if (t.arret) {  // the caller stopped it while the table was being made
        r.complet = false;
        return;
    }
    lister_tache(t, sommes.get(), puits, forme, r);
}

// About how many solutions a listing prints in a second.
constexpr double solutions_par_seconde = 1e8;

// A listing that may not end (more than 2^40 solutions by the cheap bound)
// is counted first, by the table over the sums alone when that takes a few
// seconds at most, and the caller is told when it cannot end in reasonable
// time. Listings that end are not slowed: the bound rules them out.
void prevenir_d_une_liste_sans_fin(const Tache& t) {
    if (!t.rappels.lenteur || bits_au_plus(t) <= 40) return;
    const Besoin b = besoin_total_seul(&t.element[1], t.n, t.cible);
    const double passes = static_cast<double>(premiers_necessaires(bits_au_plus(t)));
    if (b.octets > static_cast<double>(t.memoire_disponible()) || b.travail * passes > 10 * unites_par_seconde) return;
    Compte total;
    // Silent, but its caller may stop it.
    Rappels silence;
    silence.progres = [&t](double, std::optional<std::uint64_t>) { return t.veiller(); };
    Reglages r = t.reglages;
    const Tache comptage(Probleme{{t.element.begin() + 1, t.element.end()}, t.cible, 0, {}}, r, silence);
    try {
        if (!compter_total_seul(comptage, &comptage.element[1], comptage.n, comptage.cible, total)) return;
    } catch (const std::bad_alloc&) {
        return;
    }
    const double solutions = total.en_double();  // it may pass 10^308
    if (solutions / solutions_par_seconde > delai_raisonnable)
        prevenir(t, Lenteur::Quoi::liste, solutions / solutions_par_seconde, solutions);
}

// No solution: every count 0.
Resultat aucune(const Tache& t) {
    Resultat r;
    r.par_termes.assign(t.n + 1, Compte{});
    return r;
}

}  // namespace

namespace {

[[noreturn]] void refuser(const std::string& pourquoi) { throw std::invalid_argument("taverlune: " + pourquoi); }

// The problem as the engine needs it, or std::invalid_argument: elements
// ascending, distinct and positive; N's factorisation (found here when N
// comes alone) with N as product and, as the divisors of N other than N up
// to the target, exactly the elements.
std::vector<PuissancePremiere> verifier(const Probleme& p) {
    for (std::size_t k = 0; k < p.elements.size(); ++k)
        if (p.elements[k] < 1 || (k > 0 && p.elements[k] <= p.elements[k - 1]))
            refuser("the elements must be positive, distinct and ascending: element " + std::to_string(k) + " is " +
                    std::to_string(p.elements[k]));
    if (p.N < 0 || (p.N < 2 && !p.facteurs.empty()))
        refuser("N = " + std::to_string(p.N) + " cannot have the factorisation given");
    if (p.N < 2) return {};
    const std::vector<PuissancePremiere> f = p.facteurs.empty() ? factoriser(p.N) : p.facteurs;
    u128 produit = 1;
    for (std::size_t k = 0; k < f.size(); ++k) {
        if (f[k].e < 1 || f[k].e > 63 || (k > 0 && f[k].p <= f[k - 1].p) || f[k].p < 2 ||
            !est_premier(static_cast<std::uint64_t>(f[k].p)))
            refuser("the factorisation of N must be of primes ascending, each with an exponent from 1: " +
                    std::to_string(f[k].p) + "^" + std::to_string(f[k].e) + " is not");
        for (int e = 0; e < f[k].e && produit <= static_cast<u128>(p.N); ++e) produit *= static_cast<u128>(f[k].p);
    }
    if (produit != static_cast<u128>(p.N)) refuser("the factorisation given is not that of N = " + std::to_string(p.N));
    if (diviseurs_jusqua(f, std::min(p.N - 1, p.cible)) != p.elements)
        refuser("the elements must be the divisors of N = " + std::to_string(p.N) + " other than N, up to the target " +
                std::to_string(p.cible));
    return f;
}

}  // namespace

const char* MemoireTropCourte::what() const noexcept {
    return "taverlune: memory too short for any method that would end";
}

Tache::Tache(const Probleme& p, const Reglages& r, const Rappels& rap)
    : n(p.elements.size()), cible(p.cible), N(p.N), reglages(r), rappels(rap) {
    const std::vector<PuissancePremiere> facteurs = verifier(p);
    nf = static_cast<int>(facteurs.size());
    element.reserve(n + 1);
    element.push_back(0);
    element.insert(element.end(), p.elements.begin(), p.elements.end());
    premier.assign(1, 0);
    exposant.assign(1, 0);
    for (const PuissancePremiere& f : facteurs) {
        premier.push_back(f.p);
        exposant.push_back(f.e);
    }
    if (nf == 0) N = 0;
}

std::size_t Tache::memoire_disponible() const {
    // A budget given is taken as it is: asking the system costs more than
    // a small count.
    return reglages.memoire != 0 ? reglages.memoire : taverlune::memoire_disponible();
}

unsigned Tache::fils() const { return reglages.fils != 0 ? reglages.fils : coeurs_disponibles(); }

bool Tache::suivre(double part, std::optional<std::uint64_t> trouvees) const {
    if (rappels.progres && !rappels.progres(part, trouvees)) arret = true;
    return !arret;
}

bool Tache::veiller() const {
    if (!rappels.progres || arret) return !arret;
    const auto maintenant = std::chrono::steady_clock::now();
    if (maintenant - veille_ < std::chrono::milliseconds(50)) return true;
    veille_ = maintenant;
    return suivre(0);
}

Resultat compter(const Probleme& p, const Reglages& r, const Rappels& rappels, Mesure mesure) {
    const Tache t(p, r, rappels);
    if (t.cible < 1 || t.n < 1) return aucune(t);  // no subset of positive elements reaches it
    const Decoupage d = decouper(t);
    if (d.impossible) return aucune(t);
    Resultat resultat;
    double ecartee = 0;
    if (compter_sans_lister(t, d, mesure, resultat, ecartee)) {
        if (!resultat.par_termes.empty() || mesure == Mesure::distribution) resultat.par_termes.resize(t.n + 1);
        return resultat;
    }
    if (t.arret) {
        resultat.complet = false;
        return resultat;
    }
    // Counting by listing every solution, at a few million a second. When
    // that cannot end, but a table would within a day given the memory,
    // the count cannot be had for want of memory.
    const double bits = bits_au_plus(t);
    const double liste = std::ldexp(1.0, static_cast<int>(std::min(bits, 1000.0))) / 5e6;
    if (liste > delai_raisonnable && secondes_de(t, ecartee) < 86400) throw MemoireTropCourte();
    // Past 2^1000 the figure is a floor: the seconds would pass a double.
    if (bits > 40 && t.rappels.lenteur) t.rappels.lenteur({Lenteur::Quoi::comptage_par_liste, liste, 0, bits > 1000});
    lister_avec_ou_sans_table(t, d, nullptr, Forme{}, resultat);
    return resultat;
}

double estimer(const Probleme& p, const Reglages& r, Mesure mesure) {
    const Tache t(p, r, {});
    if (t.cible < 1 || t.n < 1) return 0;
    const Decoupage d = decouper(t);
    if (d.impossible) return 0;
    double ecartee = 0;
    const std::vector<Methode> methodes = methodes_de(t, d, mesure, ecartee);
    if (!methodes.empty()) return secondes_methode(t, d, methodes[0]);
    if (r.par_restes_retenus) {
        const double restes = restes_retenus(t);
        if (restes <= restes_max) return restes * secondes_par_reste;
    }
    // Counting by listing every solution, as compter says.
    return std::ldexp(1.0, static_cast<int>(std::min(bits_au_plus(t), 1000.0))) / 5e6;
}

Resultat lister(const Probleme& p, Puits& puits, const Forme& forme, const Reglages& r, const Rappels& rappels) {
    const Tache t(p, r, rappels);
    if (t.cible < 1 || t.n < 1) return aucune(t);
    const Decoupage d = decouper(t);
    if (d.impossible) return aucune(t);
    prevenir_d_une_liste_sans_fin(t);
    Resultat resultat;
    if (t.arret) {
        resultat.complet = false;
        return resultat;
    }
    lister_avec_ou_sans_table(t, d, &puits, forme, resultat);
    return resultat;
}

}  // namespace taverlune
