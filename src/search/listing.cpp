// The depth-first listing (see engine.h).
//
// The walk meets the solutions in increasing lexicographic order of their
// ascending term lists (a pattern of greater value holds the smaller divisor
// where two patterns first differ). A depth-first search that extends a subset
// with each larger divisor in turn, smallest first, meets them in that same
// order. It gives up a branch as soon as the next divisor overshoots the
// target or the divisors left cannot reach it; with the table of reachable
// sums it cuts every branch that leads to no solution, so the work follows
// the solutions found.
//
// Reads: Div[1..ND1], ND1, SN, Sol.
// Writes: ns, ndif, NS[1..ND1]; the solutions, when Sol = 1.
// Cost: a few steps per divisor of each solution with the sum table,
// otherwise every branch that survives the two bounds.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogue/console.h"
#include "search/engine.h"
#include "state/state.h"

void lister(const SommesAtteignables* sommes, Avancement& avancement) {
    const std::size_t n = static_cast<std::size_t>(ND1);
    const Somme cible = SN;

    // reste_total[m] = Div[m] + ... + Div[n]; reste_total[n + 1] = 0.
    std::vector<Somme> reste_total(n + 2, 0);
    for (std::size_t m = n; m >= 1; --m) reste_total[m] = reste_total[m + 1] + Div[static_cast<Integer>(m)];

    // Decimal texts of the divisors, made once, so that printing is copying.
    std::vector<std::string> textes;
    if (Sol == 1) {
        textes.resize(n + 1);
        for (std::size_t m = 1; m <= n; ++m) textes[m] = std::to_string(Div[static_cast<Integer>(m)]);
    }
    // The terms taken so far, " || " between them; ligne_fin[p] = its length
    // at depth p.
    std::string ligne;
    std::vector<std::size_t> ligne_fin(n + 2, 0);

    std::vector<std::uint64_t> par_termes(n + 1, 0);
    std::uint64_t trouvees = 0;
    // On a terminal each solution shows as soon as it is found.
    const bool au_terminal = Sol == 1 && sortie_est_un_terminal();
    std::vector<std::size_t> choisi(n + 1, 0);   // index taken at each depth
    std::vector<std::size_t> suivant(n + 2, 0);  // next index to try at each depth
    std::vector<Somme> somme(n + 2, 0);          // sum of the indices taken

    // The share of the walk covered: the walk counts pattern values down, and
    // the value of the current branch, in units of 2^n, is the sum of 2^-m
    // over its divisors.
    std::vector<double> valeur(n + 2, 0.0);
    auto part = [&](std::size_t p, std::size_t m) {
        return 1.0 - (valeur[p] + std::ldexp(1.0, -static_cast<int>(std::min<std::size_t>(m, 2000))));
    };

    std::size_t p = 0;
    suivant[0] = 1;
    for (;;) {
        const std::size_t m = suivant[p];
        const Somme s = somme[p];
        avancement.pas([&] { return part(p, m); }, trouvees);
        bool vivant = m <= n && s + reste_total[m] >= cible;
        const Somme avec = vivant ? s + Div[static_cast<Integer>(m)] : 0;
        if (vivant && avec > cible) vivant = false;
        if (vivant && sommes != nullptr && !sommes->atteignable(m, cible - s)) vivant = false;
        if (vivant && avec == cible) {
            // A solution; any larger divisor at this depth would overshoot.
            ++par_termes[p + 1];
            ++trouvees;
            if (Sol == 1) {
                ecrire(" \n  \t  ");
                ecrire(std::string_view(ligne).substr(0, ligne_fin[p]));
                if (p > 0) ecrire(" || ");
                ecrire(textes[m]);
                ecrire(" \n  \t  ");
                if (au_terminal) vider_sortie();
            }
        } else if (vivant && (sommes == nullptr || sommes->atteignable(m + 1, cible - avec))) {
            choisi[p] = m;
            if (Sol == 1) {
                ligne.resize(ligne_fin[p]);
                if (p > 0) ligne += " || ";
                ligne += textes[m];
                ligne_fin[p + 1] = ligne.size();
            }
            valeur[p + 1] = valeur[p] + std::ldexp(1.0, -static_cast<int>(std::min<std::size_t>(m, 2000)));
            ++p;
            somme[p] = avec;
            suivant[p] = m + 1;
            continue;
        } else if (vivant) {
            ++suivant[p];  // leaving Div[m] out may still work
            continue;
        }
        // This depth is done: back to the one above, and its next divisor.
        if (p == 0) break;
        --p;
        ++suivant[p];
    }
    std::vector<Compte> comptes(par_termes.size());
    for (std::size_t m = 0; m < par_termes.size(); ++m) comptes[m] += par_termes[m];
    ajouter_comptes(comptes);
}
