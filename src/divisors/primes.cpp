// The prime table: Nprem[1..np], grown one prime at a time and kept for the
// whole run.
//
// Reads and writes: Nprem, np, i (the candidate's step, 1 on entry and on
// return), j (the index of the trial prime).
#include <cmath>

#include "divisors/divisors.h"
#include "state/state.h"

int Suiv() {
    j = 1;
    for (;;) {
        const Integer c = Nprem[np] + 2 * i;
        const Integer p = Nprem[j];
        // The candidate is prime once the trial prime passes its square root;
        // candidates stay far below 2^53, where this test is exact.
        if (std::sqrt(static_cast<double>(c)) < static_cast<double>(p)) break;
        ++j;
        if (c % p == 0) {
            ++i;
            j = 1;
        }
    }
    ++np;
    Nprem.push_back(0);
    Nprem[np] = Nprem[np - 1] + 2 * i;
    i = 1;
    return 1;
}
