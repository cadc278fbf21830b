// The fast search engine: the same solutions, in the same order, with the same
// counts as the pattern walk, without scanning patterns that cannot succeed.
//
// The walk meets the solutions in increasing lexicographic order of their
// ascending term lists. A depth-first search that extends a subset with each
// larger divisor in turn, smallest first, meets them in that same order; it
// gives up a branch as soon as the next divisor overshoots the target or all
// the divisors left cannot reach it.
//
// Reads: Div[1..ND1], ND1, SN, Sol.
// Writes: ns, ndif, NS[1..ND1], j.
// Cost: proportional to the branches that survive the two bounds.
#include <cstdint>
#include <vector>

#include "dialogue/console.h"
#include "search/search.h"
#include "state/state.h"

namespace {

// The decimal text of every divisor taking part, made once, so that printing a
// solution is copying.
struct TextesDiviseurs {
    std::vector<char> octets;
    std::vector<std::uint32_t> debut;  // texts of Div[m] at [debut[m], debut[m+1])

    explicit TextesDiviseurs(Integer n) {
        debut.reserve(static_cast<std::size_t>(n) + 2);
        debut.push_back(0);
        for (Integer m = 1; m <= n; ++m) {
            debut.push_back(static_cast<std::uint32_t>(octets.size()));
            const std::string s = std::to_string(Div[m]);
            octets.insert(octets.end(), s.begin(), s.end());
        }
        debut.push_back(static_cast<std::uint32_t>(octets.size()));
    }
    std::string_view texte(Integer m) const {
        return {octets.data() + debut[m], debut[m + 1] - debut[m]};
    }
};

}  // namespace

void recherche_rapide() {
    if (Sol == 1) ecrire(" \n \n \t Les sommes recherchees ont pour termes : \n ");
    if (SN < 1 || ND1 < 1) return;  // no subset of positive divisors reaches it
    const Somme cible = SN;
    const std::size_t n = static_cast<std::size_t>(ND1);

    // reste[m] = Div[m] + ... + Div[ND1]; reste[ND1 + 1] = 0.
    std::vector<Somme> reste_total(n + 2, 0);
    for (std::size_t m = n; m >= 1; --m) reste_total[m] = reste_total[m + 1] + Div[m];

    std::vector<std::uint64_t> par_termes(n + 1, 0);
    std::vector<std::size_t> choisi(n + 1, 0);  // indices taken, ascending
    std::vector<std::size_t> suivant(n + 2, 0);  // next index to try, per depth
    std::vector<Somme> somme(n + 2, 0);          // sum of the indices taken
    TextesDiviseurs* textes = nullptr;
    TextesDiviseurs textes_sol(Sol == 1 ? ND1 : 0);
    if (Sol == 1) textes = &textes_sol;

    std::size_t profondeur = 0;
    suivant[0] = 1;
    for (;;) {
        const std::size_t m = suivant[profondeur];
        const Somme s = somme[profondeur];
        const bool vivant = m <= n && s + reste_total[m] >= cible && s + Div[m] <= cible;
        if (vivant && s + Div[m] == cible) {
            // A solution; any larger divisor at this depth would overshoot.
            choisi[profondeur] = m;
            const std::size_t termes = profondeur + 1;
            ++par_termes[termes];
            if (textes != nullptr) {
                ecrire(" \n  \t  ");
                for (std::size_t q = 0; q < termes; ++q) {
                    if (q > 0) ecrire(" || ");
                    ecrire(textes->texte(static_cast<Integer>(choisi[q])));
                }
                ecrire(" \n  \t  ");
            }
        } else if (vivant) {
            choisi[profondeur] = m;
            ++profondeur;
            somme[profondeur] = s + Div[m];
            suivant[profondeur] = m + 1;
            continue;
        }
        // This depth is done: back to the one above, and its next divisor.
        if (profondeur == 0) break;
        --profondeur;
        ++suivant[profondeur];
    }

    for (std::size_t m = 1; m <= n; ++m) {
        if (par_termes[m] == 0) continue;
        NS[static_cast<Integer>(m)] += par_termes[m];
        ns += par_termes[m];
        ndif = static_cast<Integer>(m);
    }
}

void enumeration() {
    if (recherche_par_parcours) parcours();
    else recherche_rapide();
}
