#include "support/stages.h"

#include <stdexcept>

#include "dialogue/console.h"
#include "dialogue/dialogue.h"
#include "divisors/divisors.h"
#include "search/search.h"

namespace essai {

namespace {

std::string capture;

struct FinDeProgramme : std::runtime_error {
    FinDeProgramme() : std::runtime_error("end of program") {}
};

Branchements vers_capture() {
    Branchements b = branchements_du_processus();
    b.lire = [](char*, std::size_t) -> long { return 0; };
    b.entree_est_fichier = [] { return false; };
    b.ecrire = [](const char* octets, std::size_t n) {
        capture.append(octets, n);
        return true;
    };
    b.quitter = [] { throw FinDeProgramme(); };
    return b;
}

}  // namespace

void etat_de_depart() { demarrer(); }

Calcul calculer(Integer n, Integer cible, bool cible_choisie, bool lister, bool par_parcours) {
    etat_de_depart();
    brancher_console(vers_capture());
    capture.clear();
    N = S = S1 = n;
    Sol = lister ? 1 : 0;
    Sdif = cible_choisie ? 1 : 0;
    SN = cible;
    // The counts are read as the search leaves them, before the report.
    static Calcul r;
    r = Calcul{};
    recherche_choisie = par_parcours ? parcours : recherche_rapide;
    static void (*recherche)() = nullptr;
    recherche = recherche_choisie;
    recherche_choisie = [] {
        recherche();
        r.recherche = true;
        r.total = ns.decimal();
        for (Integer m = 1; m <= ndif; ++m) r.par_termes.push_back(NS[m].decimal());
    };
    etapes();
    recherche_choisie = recherche_rapide;
    vider_sortie();
    r.sortie = capture;
    brancher_console(branchements_du_processus());
    return r;
}

::testing::AssertionResult meme_resultat_que_le_parcours(Integer n, Integer cible, bool cible_choisie,
                                                        bool lister) {
    const Calcul attendu = calculer(n, cible, cible_choisie, lister, true);
    const Calcul obtenu = calculer(n, cible, cible_choisie, lister, false);
    const std::string cas = "N = " + std::to_string(n) + ", target " + std::to_string(cible) +
                            (lister ? ", listing" : ", counting");
    if (obtenu.sortie != attendu.sortie) return ::testing::AssertionFailure() << cas << ": output differs";
    if (obtenu.total != attendu.total || obtenu.par_termes != attendu.par_termes)
        return ::testing::AssertionFailure() << cas << ": counts differ";
    return ::testing::AssertionSuccess();
}

void diviseurs_propres(Integer n, Integer& nombre, Integer& somme) {
    nombre = somme = 0;
    for (Integer d = 1; d < n; ++d)
        if (n % d == 0) {
            ++nombre;
            somme += d;
        }
}

}  // namespace essai
