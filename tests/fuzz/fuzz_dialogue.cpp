// libFuzzer target: the whole program, its standard input being the fuzz
// input read through a pipe, a few bytes at a time.
//
// Checked for every input: the program ends through the console's quitter
// and nowhere else, never seeks its input (a pipe), prints no NUL byte,
// begins with its presentation and ends with one of its five questions (the
// new-calculation question when the input was not used up). Searches of up
// to 20 divisors run as built; beyond, they are skipped so that every input
// stays quick. Afterwards the first calculations with up to 14 divisors are
// run again, the fast engine and each of its methods against the walk.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/console.h"
#include "dialogue/dialogue.h"
#include "search/search.h"
#include "state/state.h"
#include "support/oracle.h"
#include "support/stages.h"

namespace {

constexpr std::size_t morceau_max = 7;  // bytes handed out per read, at most
const std::uint8_t* donnees = nullptr;
std::size_t taille = 0, lus = 0;
bool fin_rencontree = false;  // a read has returned 0

long lire(char* tampon, std::size_t n) {
    const std::size_t m = std::min({taille - lus, morceau_max, n});
    fin_rencontree = fin_rencontree || m == 0;
    std::memcpy(tampon, donnees + lus, m);
    lus += m;
    return static_cast<long>(m);
}

std::string debut, fin;  // the first 4 KiB printed, the last 256 bytes
int sorties = 0;
struct FinDuProgramme {};

bool recevoir(const char* octets, std::size_t n) {
    const std::string_view v(octets, n);
    if (v.find('\0') != std::string_view::npos) __builtin_trap();
    if (debut.size() < 4096) debut.append(v.substr(0, 4096 - debut.size()));
    fin.append(v);
    if (fin.size() > 256) fin.erase(0, fin.size() - 256);
    return true;
}

struct Calcul {
    Integer n, cible;
    bool choisie, lister;
};
std::vector<Calcul> a_revoir;

void recherche_bornee() {
    if (ND1 > 20) return;
    if (ND1 <= 14 && a_revoir.size() < 3) a_revoir.push_back({N, SN, Sdif == 1, Sol == 1});
    recherche_rapide();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* octets, std::size_t n) {
    donnees = octets;
    taille = n;
    lus = sorties = 0;
    fin_rencontree = false;
    debut.clear();
    fin.clear();
    a_revoir.clear();
    Branchements b = branchements_du_processus();
    b.lire = lire;
    b.entree_est_fichier = [] { return false; };
    b.aller_a_la_fin = [] { __builtin_trap(); };  // a pipe cannot be positioned
    b.ecrire = recevoir;
    b.quitter = [] {
        ++sorties;
        throw FinDuProgramme{};
    };
    b.est_terminal = [](int) { return false; };
    brancher_console(b);
    recherche_choisie = recherche_bornee;
    try {
        programme();
    } catch (const FinDuProgramme&) {
    }
    recherche_choisie = recherche_rapide;
    brancher_console(branchements_du_processus());

    if (sorties != 1 || !debut.starts_with(essai::presentation().substr(0, 100))) __builtin_trap();
    bool question = false;
    for (const std::string& q : {essai::kN, essai::kToutes, essai::kAutre, essai::kS, essai::kNouveau})
        question = question || fin.ends_with(q);
    if (!question || (!fin_rencontree && !fin.ends_with(essai::kNouveau))) __builtin_trap();
    for (const Calcul& c : a_revoir)
        if (!essai::ecart_au_parcours(c.n, c.cible, c.choisie, c.lister).empty()) __builtin_trap();
    return 0;
}
