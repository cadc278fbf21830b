// The prime table: Nprem[1..np], grown one prime at a time and kept for the
// whole run.
//
// Reads and writes: Nprem, np, i (the candidate's step, 1 on entry and on
// return), j (the index of the trial prime).
// Cost: the primes below 2^12 are read from a sieve made at compile time
// (factorisation needs none beyond 1009); beyond it, each candidate is tried
// by the primes of the table up to its square root.
#include <array>
#include <cmath>
#include <vector>

#include "divisors/divisors.h"
#include "state/state.h"

namespace {

constexpr Integer borne_crible = Integer{1} << 12;

// compose[c / 2] for odd c below borne_crible: c is not prime.
constexpr std::array<bool, borne_crible / 2> compose = [] {
    std::array<bool, borne_crible / 2> v{};
    v[0] = true;  // 1
    for (Integer p = 3; p * p < borne_crible; p += 2)
        if (!v[static_cast<std::size_t>(p / 2)])
            for (Integer c = p * p; c < borne_crible; c += 2 * p) v[static_cast<std::size_t>(c / 2)] = true;
    return v;
}();

void ajouter_premier() {
    ++np;
    Nprem.push_back(0);
    Nprem[np] = Nprem[np - 1] + 2 * i;
    i = 1;
}

}  // namespace

int Suiv_par_essais() {
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
    ajouter_premier();
    return 1;
}

int Suiv() {
    // The same next prime as the trial divisions find, read from the sieve.
    for (Integer c = Nprem[np] + 2 * i; c < borne_crible; c += 2, ++i) {
        if (!compose[static_cast<std::size_t>(c / 2)]) {
            ajouter_premier();
            return 1;
        }
    }
    return Suiv_par_essais();
}
