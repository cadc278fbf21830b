// The fast engine: the same solutions, in the same order, with the same
// counts as the pattern walk, without scanning patterns that cannot succeed.
//
// The listing (listing.cpp) meets the solutions in the walk's order and cuts
// every branch that cannot reach the target. Counting alone needs no
// enumeration at all when the sums are small enough: a table of counts by
// sum and number of terms (counting.h), over all the divisors at once or
// over each group of divisors whose sums never carry into one another
// (groups.h); else remembered remainders (memo.cpp); else the listing.
//
// Reads: Div[1..ND1], ND1, SN, Sol, N, nf, Nfact, Nexpo.
// Writes: ns, ndif, NS[1..ND1]; the solutions' header and the solutions.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "dialogue/console.h"
#include "search/counting.h"
#include "search/engine.h"
#include "search/groups.h"
#include "search/modulaire.h"
#include "search/moyens.h"
#include "search/progress.h"
#include "search/reachable.h"
#include "search/structure.h"
#include "search/search.h"
#include "state/state.h"

namespace {

// A table is worth its memory only when it costs less than a plain search of
// all the 2^n subsets of n divisors, which never needs one.
std::size_t utile(std::size_t octets_max, std::size_t n) {
    if (n >= 58) return octets_max;
    return std::min(octets_max, (std::size_t{1} << n) * 16);
}

// Counting group by group: each group's counts by the table, then multiplied
// together, number of terms by number of terms.
bool compter_par_groupes(const Decoupage& d, const Suivi& suivi, std::vector<Compte>& produit) {
    produit.assign(1, Compte{});  // the empty subset of no group
    produit[0] += 1;
    for (const Groupe& G : d.groupes) {
        const std::size_t taille = G.fin >= G.debut ? G.fin - G.debut + 1 : 0;
        std::vector<Compte> groupe(1);
        if (G.chiffre == 0) {
            groupe[0] += 1;  // only the empty subset makes 0
        } else {
            std::vector<Integer> unites(taille);
            for (std::size_t q = 0; q < taille; ++q)
                unites[q] = static_cast<Integer>(Div[static_cast<Integer>(G.debut + q)] / G.unite);
            if (!compter_sous_ensembles(unites.data(), taille, static_cast<Integer>(G.chiffre), suivi, groupe))
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
// user is told that it will not end soon.
constexpr double unites_par_seconde = 1.5e9;
constexpr double delai_raisonnable = 600;

// An upper bound of the bits of any count of solutions: there are no more
// than the subsets of the divisors up to the target, nor than the partitions
// of the target into distinct parts (fewer than exp(pi sqrt(T / 3))).
double bits_au_plus() {
    Integer utiles = 0;
    while (utiles < ND1 && Div[utiles + 1] <= SN) ++utiles;
    const double partitions = 3.14159265358979 * std::sqrt(static_cast<double>(SN) / 3) / std::log(2.0);
    return std::min(static_cast<double>(utiles), partitions);
}

// Tells the user, on standard error, that this search will not end in a
// reasonable time, and how long it would take; the search goes on.
void prevenir(const char* quoi, double secondes) {
    char ligne[256];
    const double ans = secondes / (365.25 * 86400);
    if (ans >= 1)
        std::snprintf(ligne, sizeof ligne,
                      "taverlune: %s cannot end in reasonable time: about %.2g years of work estimated; it goes on "
                      "(Ctrl-C stops it)\n",
                      quoi, ans);
    else
        std::snprintf(
            ligne, sizeof ligne,
            "taverlune: %s will take long: about %.2g hours of work estimated; it goes on (Ctrl-C stops it)\n", quoi,
            secondes / 3600);
    // On the terminal of standard output, the line of results is still open:
    // the warning goes on lines of its own, below it.
    if (erreurs_sur_un_terminal() && !erreurs_sur_un_autre_terminal()) ecrire_erreurs("\n");
    ecrire_erreurs(ligne);
}

// Counting without listing: the table over all the divisors at once or the
// split by one of N's prime factors, whichever needs the least work and fits
// in memory; else group by group; else by remembered remainders; false when
// none can serve.
bool compter_sans_lister(const Decoupage& d, Avancement& avancement) {
    const std::size_t n = static_cast<std::size_t>(ND1);
    const Suivi suivi = [&](double part) { avancement.montrer(part); };
    const double libre = static_cast<double>(memoire_disponible());
    struct Methode {
        double travail;
        int facteur;  // 0: the table over all the divisors; else the split by Nfact[facteur]
    };
    std::vector<Methode> methodes;
    double table = std::numeric_limits<double>::infinity();
    if (comptage_par_table) {
        const Besoin b = besoin_sous_ensembles(&Div[1], n, SN);
        if (b.octets <= libre) table = b.travail, methodes.push_back({b.travail, 0});
    }
    // Planning a split sorts the divisors of N / p^e, for each p: not worth
    // it when the table alone costs less than that.
    double diviseurs = 1, plans = 0;
    for (int f = 1; f <= nf; ++f) diviseurs *= static_cast<double>(Nexpo[f] + 1);
    for (int f = 1; f <= nf; ++f) plans += 32 * diviseurs / static_cast<double>(Nexpo[f] + 1);
    if (comptage_par_structure && N > 1 && table > plans)
        for (int f = 1; f <= nf; ++f) {
            const CoutStructure c = cout_structure(f, SN);
            if (c.octets <= libre && c.travail < std::numeric_limits<double>::infinity())
                methodes.push_back({c.travail, f});
        }
    std::stable_sort(methodes.begin(), methodes.end(),
                     [](const Methode& x, const Methode& y) { return x.travail < y.travail; });
    if (!methodes.empty()) {
        const double secondes = methodes[0].travail * static_cast<double>(premiers_necessaires(bits_au_plus())) /
                                (unites_par_seconde * fils_disponibles());
        if (secondes > delai_raisonnable) prevenir("this count", secondes);
    }
    // Each method gives way to the next when memory runs short.
    const auto essayer = [](auto&& methode) {
        try {
            return methode();
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
    std::vector<Compte> par_termes;
    bool compte = false;
    for (const Methode& m : methodes) {
        compte = essayer([&] {
            return m.facteur == 0 ? compter_sous_ensembles(&Div[1], n, SN, suivi, par_termes)
                                  : compter_par_structure(m.facteur, SN, n, suivi, par_termes);
        });
        if (compte) break;
    }
    compte = compte || (d.groupes.size() > 1 && essayer([&] { return compter_par_groupes(d, suivi, par_termes); })) ||
             (comptage_memorise && essayer([&] { return compter_par_restes(par_termes); }));
    if (compte) ajouter_comptes(par_termes);
    return compte;
}

}  // namespace

bool comptage_par_table = true;
bool comptage_par_structure = true;
std::size_t octets_sommes_max = std::size_t{1} << 28;
bool comptage_memorise = true;

void ajouter_comptes(const std::vector<Compte>& par_termes) {
    for (std::size_t m = 1; m < par_termes.size(); ++m) {
        if (par_termes[m].est_nul()) continue;
        NS[static_cast<Integer>(m)] += par_termes[m];
        ns += par_termes[m];
        ndif = static_cast<Integer>(m);
    }
}

void recherche_rapide() {
    if (Sol == 1) ecrire(" \n \n \t Les sommes recherchees ont pour termes : \n ");
    if (SN < 1 || ND1 < 1) return;  // no subset of positive divisors reaches it
    const Decoupage decoupage = decouper();
    if (decoupage.impossible) return;
    vider_sortie();  // the divisors and their sum are on screen before a long search
    Avancement avancement(Sol == 1);
    if (Sol == 0) {
        if (compter_sans_lister(decoupage, avancement)) return;
        // Counting by listing every solution, at a few million a second.
        const double bits = bits_au_plus();
        if (bits > 40)
            prevenir("counting by listing every solution",
                     std::ldexp(1.0, static_cast<int>(std::min(bits, 1000.0))) / 5e6);
    }
    std::unique_ptr<SommesAtteignables> sommes;
    if (SommesAtteignables::tient(decoupage, utile(octets_sommes_max, static_cast<std::size_t>(ND1)))) {
        try {
            sommes = std::make_unique<SommesAtteignables>(decoupage);
        } catch (const std::bad_alloc&) {
            // The listing goes on without its table.
        }
    }
    lister(sommes.get(), avancement);
}

void (*recherche_choisie)() = recherche_rapide;

void enumeration() { recherche_choisie(); }
