// How the divisors that take part split into groups whose sums never carry
// into one another.
//
// When the largest prime factor p of N (exponent E) exceeds the sum of all
// the divisors of a = N / p^E, every divisor is d p^e with d dividing a, and
// the divisors with the same e add up to less than p units of p^e: written in
// base p, a sum of divisors has the sum of group e as its digit e. A subset
// then reaches the target exactly when each group reaches the target's digit,
// and each group is a small problem even when N and the target are near 2^63.
// Otherwise there is a single group, in units of 1.
//
// Reads: the Tache's elements, target and factorisation.
#pragma once

#include <cstddef>
#include <vector>

#include "taverlune/exact_count.h"
#include "engine/task.h"

namespace taverlune {

struct Groupe {
    std::size_t debut = 1;  ///< element[debut..fin]; empty when fin < debut
    std::size_t fin = 0;
    Somme unite = 1;    ///< p^e
    Somme chiffre = 0;  ///< the target's digit, in units
    Somme plafond = 0;  ///< the group's whole sum, in units (its table's width)
};

struct Decoupage {
    std::vector<Groupe> groupes;
    Somme base = 0;           ///< p, or 0 for a single group
    bool impossible = false;  ///< a digit that its group cannot make
};

/// The groups of t.element[1..n] for the target t.cible.
Decoupage decouper(const Tache& t);

}  // namespace taverlune
