// Prime factorisation of S by trial division with the prime table.
//
// Reads: S, Nprem, np.
// Writes: nf, Nfact[1..nf], Nexpo[1..nf] (grown by one element per factor),
//         S (1 on return), S1, k (index of the last trial prime), Npk, rS,
//         reste, f, expo, i (1, as Suiv requires), A; through Suiv, Nprem,
//         np and j.
// Cost: one trial division per prime up to the square root of what remains,
// for trial primes below 1000 (the table then holds at most the 169 primes up
// to 1009); what still needs larger ones has no factor below 1000 and is
// split by Miller-Rabin, elliptic curves and Pollard-Brent (factorisation.h),
// on average well under 0.1 ms, instead of up to 1.5 x 10^8 trial divisions.
// The factors, their exponents and S1 are those that trial division alone
// would give; only how far the table grows, and k, differ.
#include <cmath>
#include <limits>

#include "divisors/divisors.h"
#include <taverlune/engine.h>
#include "state/state.h"

using namespace taverlune;

namespace {

// The square root of v truncated toward zero. A negative v (a wrapped answer)
// has no square root: the smallest Integer stands for it, so that the
// square-root rule takes v as a factor at once.
Integer racine_tronquee(Integer v) {
    if (v < 0) return std::numeric_limits<Integer>::min();
    return static_cast<Integer>(std::sqrt(static_cast<double>(v)));
}

void nouveau_facteur(Integer p) {
    ++nf;
    Nexpo.push_back(0);
    Nfact.push_back(0);
    Nfact[nf] = p;
}

// Trial primes stay below this; past it, what remains is split otherwise.
constexpr Integer borne_essais = 1000;

// S has no prime factor below the current trial prime and is at least its
// square: its prime factors, ascending, end the factorisation. Trial
// division would have met the square-root rule with the largest of them
// left alone in S when its exponent is 1: S1 is set as it would have been.
void facteurs_restants() {
    for (const PuissancePremiere& f : factoriser(S)) {
        nouveau_facteur(f.p);
        Nexpo[nf] = f.e;
    }
    if (Nexpo[nf] == 1) S1 = Nfact[nf];
    S = 1;
}

}  // namespace

int decomp() {
    nf = 0;
    k = 0;
    S1 = S;
    i = 1;
    while (S != 1) {
        expo = 0;
        ++k;
        if (k > 2 && k > np) A = Suiv();
        const Integer p = Nprem[k];
        reste = S % p;
        f = 0;
        rS = racine_tronquee(S);
        Npk = p;
        if (rS < Npk) {  // what remains is prime
            reste = 1;
            nouveau_facteur(S);
            S1 = S;
            Nexpo[nf] = 1;
            S = 1;
        } else if (Npk > borne_essais) {
            facteurs_restants();
            reste = 1;
        }
        while (reste == 0) {
            S /= p;
            ++f;
            if (f == 1) nouveau_facteur(p);
            ++expo;
            Nexpo[nf] = expo;
            reste = S % p;
        }
    }
    return 1;
}
