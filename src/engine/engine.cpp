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

// About how many units of counting work (cell updates) a thread does in a
// second on an ordinary machine, and how long a count may take before the
// caller is told that it will not end soon.
constexpr double unites_par_seconde = 1.5e9;
constexpr double delai_raisonnable = 600;

// An upper bound of the bits of any count of solutions, from the elements
// up to the target.
double bits_au_plus(const Tache& t) {
    const std::size_t utiles = static_cast<std::size_t>(
        std::upper_bound(t.element.begin() + 1, t.element.end(), t.cible) - (t.element.begin() + 1));
    return taverlune::bits_au_plus(utiles, static_cast<double>(t.cible));
}

/// The seconds of a count of `travail` units a pass.
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

// Counting without listing: the table over all the elements at once (over
// the sums alone, when only the total is asked, or at values of the number
// of terms) or the split by one of N's prime factors (by number of terms or
// at values), whichever needs the least work and fits in memory; else
// group by group; else by remembered remainders. Leaves r.total and, but
// from the table over the sums alone, r.par_termes; false when none can
// serve or the search was stopped. `ecartee`: the least work of a method
// left out for want of memory (+inf when none was).
bool compter_sans_lister(const Tache& t, const Decoupage& d, Mesure mesure, Resultat& r, double& ecartee) {
    std::vector<Compte>& par_termes = r.par_termes;
    const std::size_t n = t.n;
    const double libre = static_cast<double>(t.memoire_disponible());
    struct Methode {
        double travail;
        // 0: the table over all the elements; -1: over the sums alone; -2:
        // at values of the number of terms; -3: group by group; else the
        // split by premier[facteur]
        int facteur;
        bool aux_points = false;  // the split at values of the number of terms
    };
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
    if (t.reglages.par_table) {
        const Besoin b = besoin_sous_ensembles(&t.element[1], n, t.cible);
        if (retenir(b.octets, b.travail)) table = b.travail, methodes.push_back({b.travail, 0});
    }
    if (t.reglages.par_sommes && mesure == Mesure::total) {
        const Besoin s = besoin_total_seul(&t.element[1], n, t.cible);
        // A pass of it is as many passes as the table's: their work compares.
        if (retenir(s.octets, s.travail)) table = std::min(table, s.travail), methodes.push_back({s.travail, -1});
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
    if (!methodes.empty()) {
        const double secondes = secondes_de(t, methodes[0].travail);
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
