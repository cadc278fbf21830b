// One calculation inside the test process (see stages.h).
#include "support/stages.h"

#include <cstddef>
#include <stdexcept>
#include <tuple>

#include "dialogue/console.h"
#include "dialogue/dialogue.h"
#include "search/search.h"

namespace essai {

namespace {

std::string capture;

/// The engine's choices: the table, the split, the bytes of the sums table, remembered remainders.
using Reglage = std::tuple<bool, bool, std::size_t, bool>;

void appliquer(const Reglage& r) {
    std::tie(comptage_par_table, comptage_par_structure, octets_sommes_max, comptage_memorise) = r;
}

}  // namespace

std::string calculer(Integer n, Integer cible, bool choisie, bool lister, void (*recherche)()) {
    demarrer();
    Branchements b = branchements_du_processus();
    b.lire = [](char*, std::size_t) -> long { return 0; };
    b.entree_est_fichier = [] { return false; };
    b.ecrire = [](const char* octets, std::size_t taille) {
        capture.append(octets, taille);
        return true;
    };
    b.quitter = [] { throw std::runtime_error("the program ended"); };
    b.est_terminal = [](int) { return false; };
    brancher_console(b);
    capture.clear();
    N = S = S1 = n;
    Sol = lister ? 1 : 0;
    Sdif = choisie ? 1 : 0;
    SN = cible;
    recherche_choisie = recherche != nullptr ? recherche : recherche_rapide;
    etapes();
    vider_sortie();
    recherche_choisie = recherche_rapide;
    brancher_console(branchements_du_processus());
    return capture;
}

std::string ecart_au_parcours(Integer n, Integer cible, bool choisie, bool lister) {
    const std::string attendu = calculer(n, cible, choisie, lister, parcours);
    const Reglage origine{comptage_par_table, comptage_par_structure, octets_sommes_max, comptage_memorise};
    // The engine's own choices, then each method alone: the table, the split
    // along a prime factor, remembered remainders, the listing with and
    // without its table of sums.
    const Reglage reglages[] = {origine,
                                {true, false, 0, false},
                                {false, true, 0, false},
                                {false, false, std::get<2>(origine), true},
                                {false, false, std::get<2>(origine), false},
                                {false, false, 0, false}};
    for (const Reglage& r : reglages) {
        appliquer(r);
        const bool meme = calculer(n, cible, choisie, lister) == attendu;
        appliquer(origine);
        if (!meme)
            return "N = " + std::to_string(n) + ", target " + std::to_string(cible) + (lister ? ", listed" : ", counted") +
                   ": method " + std::to_string(&r - reglages) + " differs";
    }
    return "";
}

}  // namespace essai
