// One calculation inside the test process (see stages.h).
#include "support/stages.h"

#include <cstddef>
#include <stdexcept>

#include "dialogue/console.h"
#include "dialogue/dialogue.h"
#include "search/search.h"

namespace essai {

namespace {

std::string capture;

Branchements vers_capture() {
    Branchements b = branchements_du_processus();
    b.lire = [](char*, std::size_t) -> long { return 0; };
    b.entree_est_fichier = [] { return false; };
    b.ecrire = [](const char* octets, std::size_t n) {
        capture.append(octets, n);
        return true;
    };
    b.quitter = [] { throw std::runtime_error("the program ended"); };
    b.est_terminal = [](int) { return false; };
    return b;
}

/// The engine's choices, each method alone in turn.
struct Reglage {
    bool table, structure;
    std::size_t sommes;
    bool memorise;
};

void appliquer(const Reglage& r) {
    comptage_par_table = r.table;
    comptage_par_structure = r.structure;
    octets_sommes_max = r.sommes;
    comptage_memorise = r.memorise;
}

}  // namespace

std::string calculer(Integer n, Integer cible, bool choisie, bool lister, void (*recherche)()) {
    demarrer();
    brancher_console(vers_capture());
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
    const Reglage reglages[] = {
        origine,
        {true, false, 0, false},                  // the table over all the divisors
        {false, true, 0, false},                  // the split along a prime factor
        {false, false, origine.sommes, true},     // remembered remainders
        {false, false, origine.sommes, false},    // listing with the table of sums
        {false, false, 0, false},                 // plain listing
    };
    std::string ecart;
    for (const Reglage& r : reglages) {
        appliquer(r);
        if (calculer(n, cible, choisie, lister) != attendu)
            ecart = "N = " + std::to_string(n) + ", target " + std::to_string(cible) +
                    (lister ? ", listed" : ", counted") + ": method " + std::to_string(&r - reglages) + " differs";
        appliquer(origine);
        if (!ecart.empty()) break;
    }
    return ecart;
}

}  // namespace essai
