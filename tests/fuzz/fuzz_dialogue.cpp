// libFuzzer target: the whole program, its standard input the fuzz input
// read through a pipe a few bytes at a time. Checked for every input: the
// program ends through the console's quitter alone, never seeks its input,
// prints no NUL byte, begins with its presentation and ends on one of its
// questions (the new-calculation one when the input was not used up). Searches
// beyond 20 divisors are skipped to keep every input quick; afterwards the
// first three with up to 14 are run again, each method of the fast engine
// against the walk.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "console/console.h"
#include "dialogue/dialogue.h"
#include "search/search.h"
#include "support/oracle.h"

using namespace taverlune;

namespace {

const std::uint8_t* donnees = nullptr;
std::size_t taille = 0, lus = 0;
bool fin_rencontree = false;  // a read has returned 0
std::string debut, fin;       // the first 4 KiB printed, the last 256 bytes
int sorties = 0;
std::vector<std::tuple<Integer, Integer, bool, bool>> a_revoir;  // N, the target, chosen, listed

void recherche_bornee() {
    if (ND1 > 20) return;
    if (ND1 <= 14 && a_revoir.size() < 3) a_revoir.push_back({N, SN, Sdif == 1, Sol == 1});
    recherche_rapide();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* octets, std::size_t n) {
    donnees = octets, taille = n, lus = 0, sorties = 0, fin_rencontree = false;
    debut.clear(), fin.clear(), a_revoir.clear();
    Branchements b = branchements_du_processus();
    b.lire = [](char* tampon, std::size_t max) {
        const std::size_t m = std::min({taille - lus, std::size_t{7}, max});
        fin_rencontree = fin_rencontree || m == 0;
        std::memcpy(tampon, donnees + lus, m);
        lus += m;
        return static_cast<long>(m);
    };
    b.entree_est_fichier = [] { return false; };
    b.aller_a_la_fin = [] { __builtin_trap(); };  // a pipe cannot be positioned
    b.ecrire = [](const char* o, std::size_t m) {
        if (std::memchr(o, '\0', m) != nullptr) __builtin_trap();
        if (debut.size() < 4096) debut.append(o, std::min(m, 4096 - debut.size()));
        fin.append(o, m);
        if (fin.size() > 256) fin.erase(0, fin.size() - 256);
        return true;
    };
    b.quitter = [] {
        ++sorties;
        throw 0;
    };
    b.est_terminal = [](int) { return false; };
    brancher_console(b);
    recherche_choisie = recherche_bornee;
    try {
        programme();
    } catch (int) {
    }
    recherche_choisie = [] { recherche_rapide(); };
    brancher_console(branchements_du_processus());
    if (sorties != 1 || !debut.starts_with(essai::presentation().substr(0, 100))) __builtin_trap();
    bool question = false;
    for (const std::string& q : {essai::kN, essai::kToutes, essai::kAutre, essai::kS, essai::kNouveau})
        question = question || fin.ends_with(q);
    if (!question || (!fin_rencontree && !fin.ends_with(essai::kNouveau))) __builtin_trap();
    for (const auto& [n_, cible, choisie, lister] : a_revoir)
        if (!essai::ecart_au_parcours(n_, cible, choisie, lister).empty()) __builtin_trap();
    return 0;
}
