// Counting through the divisors' multiplicative structure.
//
// Let p be a prime factor of N with exponent e, and a = N / p^e. The
// divisors of N are the d p^i, d dividing a, 0 <= i <= e: a subset of them
// is a subset A_i of the divisors of a for each i, and its sum is
// sum over i of p^i s_i, s_i the sum of A_i. Written from the lowest digit,
// the target cible = s_0 + p R_1, R_1 = s_1 + p R_2, and so on: each level keeps
// the counts of the remainders R_i that the choices so far leave, and the
// last level takes R_e from the proper divisors of a (N itself never takes
// part). One table of the divisors of a, by sum and number of terms, serves
// every level; when the sums of the divisors of a never carry (p above their
// sum) each level has one remainder, otherwise carries spread them.
//
// The subsets of the divisors that take part with sum cible are those of all
// the proper divisors of N with sum cible, for the target N as for a chosen
// target (a divisor above the target cannot be in such a subset).
//
// Works on a Tache whose elements are every proper divisor of N up to the
// target, and which knows N's factorisation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "taverlune/exact_count.h"
#include "engine/count_table.h"

namespace taverlune {

/// The work and memory of a split, estimated without building anything;
/// travail is +inf when the split cannot serve.
struct CoutDecoupe {
    double travail = 0;  ///< table cell updates and products of one pass
    double octets = 0;   ///< memory of one pass
};
/// Those of the split by the prime factor t.premier[facteur] (1..nf), by
/// number of terms and at values of y, from one plan.
struct CoutsDecoupe {
    CoutDecoupe par_termes, aux_points;
};
CoutsDecoupe couts_decoupe(const Tache& t, int facteur, std::int64_t cible);

/// Counts the subsets of the proper divisors of N with sum cible >= 1 by number
/// of terms, par_termes[m] for m = 0..n, through the split by
/// t.premier[facteur]. False, par_termes untouched, when memory cannot be
/// had or the search was asked to stop.
bool compter_par_decoupe(const Tache& t, int facteur, std::int64_t cible, std::size_t n,
                         std::vector<Compte>& par_termes);

/// The same split with one cell a sum, at values of the number of terms
/// (see counts_at_points.h): more cell updates than the split by number of
/// terms, but in a table of a few bytes a sum that stays in the caches.
bool compter_par_decoupe_aux_points(const Tache& t, int facteur, std::int64_t cible, std::size_t n,
                                    std::vector<Compte>& par_termes);

}  // namespace taverlune
