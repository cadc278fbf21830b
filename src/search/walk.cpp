// The pattern walk: the search as it is defined, kept whole as the reference
// that the fast engine is checked against.
//
// A subset of Div[1..ND1] is a pattern of flags Term[1..ND1]; its value is the
// binary number the flags write, flag 1 the most significant. The walk counts
// down from the start pattern (the i smallest divisors) to the stop pattern
// (the longest run of largest divisors whose sum stays below SN), scanning
// every pattern in between from its largest divisor down.
//
// Reads: Div[1..ND1], ND1, SN, Sol, i (from the bounds stage).
// Writes: Term, Term1, Ter, S3, T, T0, K, ndec, i, j, A; ns, ndif, NS.
// Cost: up to 2^ND1 patterns, each scanned in up to ND1 steps.
#include "console/console.h"
#include "search/search.h"
#include "state/state.h"

namespace {

void imprimer_solution() {
    ecrire(forme_du_dialogue.ouverture);
    for (j = ndec; j >= 1; --j) {
        ecrire_nombre(Ter[j]);
        if (j > 1) ecrire(forme_du_dialogue.separateur);
    }
    ecrire(forme_du_dialogue.fermeture);
}

}  // namespace

int suiv3() {
    i = ND1;
    while (i > 0 && Term[i] == 0) --i;
    if (i == 0) {
        K = 0;
        return 1;
    }
    Term[i] = 0;
    for (i = i + 1; i <= ND1; ++i) Term[i] = 1;
    if (Term == Term1) K = 0;
    return 1;
}

void parcours() {
    // Start pattern: the i smallest divisors.
    for (j = 1; j <= ND1; ++j) Term[j] = j <= i ? 1 : 0;
    // Stop pattern: the divisors above the one with which the sum of the
    // largest ones reaches SN.
    S3 = 0;
    j = ND1 + 1;
    while (S3 < SN && j > 0) {
        --j;
        S3 += Div[j];
    }
    i = j + 1;
    for (j = 1; j <= ND1; ++j) Term1[j] = j >= i ? 1 : 0;

    T = ND1;
    T0 = ND1;
    for (j = 0; j <= ND1 + 3; ++j) Ter.push_back(0);
    K = 1;

    do {
        T = T0;
        ndec = 0;
        S3 = 0;
        if (Term[T0] == 1) {
            S3 = Div[T0];
            ndec = 1;
            if (Sol == 1) Ter[1] = Div[T0];
        }
        T = T0 - 1;
        while (S3 <= SN && T > 0) {
            if (Term[T] == 1) {
                S3 += Div[T];
                if (S3 <= SN) {
                    ++ndec;
                    if (Sol == 1) Ter[ndec] = Div[T];
                }
            }
            if (S3 == SN && T == 1) {
                ns += 1;
                if (ndif < ndec) ndif = ndec;
                NS[ndec] += 1;
                if (Sol == 1) imprimer_solution();
            }
            --T;
        }
        A = suiv3();
    } while (K != 0);
}
