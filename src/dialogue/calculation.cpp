// One calculation: its questions, then its stages in order.
//
// Reads: valeur0, valeur2 (answers).
// Writes: N, S, S1, Sol, Sdif, SN1, SN, xn, message, A; ns, ndif, ND1, i, ndec
//         before the stages; then each stage writes its own.
#include <cstring>
#include <new>

#include "console/console.h"
#include "dialogue/dialogue.h"
#include "console/language.h"
#include "divisors/divisors.h"
#include "search/search.h"
#include "state/state.h"

using namespace taverlune;

namespace {

// The questions, exactly as printed.
constexpr char question_N[] = "\n \n \n \t Valeur de N ? ";  // 22 characters
constexpr char question_sol[] =                              // 71 characters
    "\n \n \t Voulez-vous afficher toutes les solutions  ?  Oui[1] / Non [0] : ";
constexpr char question_sdif[] =  // 100 characters
    "\n \n \t Voulez-vous trouver les solutions pour une somme  S   differente de  N  ?  Oui[1] / Non [0] : ";
constexpr char question_S[] = "\n \n \t Quelle est la valeur de cette somme  S ? ";  // 47 characters

template <std::size_t n>
void poser(const char (&question)[n]) {
    static_assert(n <= sizeof message);
    std::memcpy(message, question, n);
}

// The stages in order, with no guard.
void enchainer() {
    ns = Compte{};
    ndif = 0;
    ND1 = 0;
    i = 1;
    ndec = 0;
    A = decomp();
    liste_diviseurs();
    if (!bornes()) {
        // A quick outcome needs no report, but its lists are shrunk all the
        // same: otherwise each such calculation would leave them longer, and
        // a long session would grow without bound.
        remise_a_zero();
        return;
    }
    enumeration();
    rapport();
}

}  // namespace

void calcul() {
    poser(question_N);
    N = 0;
    Sol = 1;
    S = 0;
    S1 = 0;
    xn = 1;
    A = controle(9, message);
    S = S1 = N = valeur0;

    poser(question_sol);
    xn = 0;
    A = controle(1, message);
    Sol = valeur2;

    poser(question_sdif);
    A = controle(1, message);
    Sdif = valeur2;

    if (Sdif == 1) {
        SN1 = N;
        do {
            poser(question_S);
            xn = 1;
            A = controle(9, message);
            xn = 0;
            SN1 = valeur0;
        } while (SN1 == N);
        SN = SN1;
    } else {
        SN = N;
    }
    etapes();
}

void etapes() {
    try {
        enchainer();
    } catch (const std::bad_alloc&) {
        // Only the search has lighter methods to fall back on: elsewhere, and
        // when even those fail, the calculation cannot go on.
        vider_sortie();
        ecrire_erreurs(_("taverlune: out of memory: the calculation cannot go on\n"));
        terminer();
    }
}
