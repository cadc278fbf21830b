// The divisor list: Div[1..ND1] = the divisors of N other than N, ascending.
//
// Reads: nf, Nfact[1..nf], Nexpo[1..nf].
// Writes: ND1, Div[1..ND1], Prod, Diviseur, k, j, A; i through suiv2; grows
//         Term, Term1 and Div by ND1 + 4 elements and Prod by nf + 4.
// Leaves for the next stage: ND1 and Div.
// Cost: one product per divisor, then one sort: O(d log d) for d divisors.
#include <algorithm>

#include "divisors/divisors.h"
#include "state/state.h"

int suiv2() {
    i = nf;
    while (i >= 1 && Prod[i] == Nexpo[i]) --i;
    if (i == 0) return 1;
    ++Prod[i];
    for (i = i + 1; i <= nf; ++i) Prod[i] = 0;
    ++k;
    return 1;
}

void liste_diviseurs() {
    ND1 = 1;
    for (j = 1; j <= nf; ++j) ND1 *= Nexpo[j] + 1;
    ND1 -= 1;
    for (j = 0; j <= ND1 + 3; ++j) {
        Term.push_back(0);
        Term1.push_back(0);
        Div.push_back(0);
    }
    for (j = 0; j <= nf + 3; ++j) Prod.push_back(0);
    for (j = 0; j <= nf + 1; ++j) Prod[j] = 0;
    k = 1;
    Div[1] = 1;
    // Every combination of exponents but the last (N itself) gives one
    // divisor; each is below 2^62, so the products are exact.
    while (k < ND1) {
        A = suiv2();
        Diviseur = 1;
        for (j = 1; j <= nf; ++j)
            for (Integer e = 0; e < Prod[j]; ++e) Diviseur *= Nfact[j];
        Div[k] = Diviseur;
    }
    std::sort(Div.begin() + 1, Div.begin() + 1 + ND1);
}
