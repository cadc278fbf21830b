// Counting subsets by number of terms with one cell a sum, for when the
// table by sum and number of terms does not fit in memory.
//
// The subsets of the elements d with sum T, counted by number of terms m,
// are the coefficients of y^m in the coefficient of z^T of the product of
// the (1 + y z^d). For one value of y modulo a prime q, that coefficient is
// the last cell of a table over the sums alone, each element adding y times
// the row d below to each row: one cell a sum where the table by number of
// terms keeps one a possible number of terms. Computed at as many values of
// y as there are possible numbers of terms, it gives the counts back by
// interpolation; the values of y go side by side in the cells of a row, as
// many as memory allows. The work is some ten times the table's, and the
// memory a few bytes a sum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/count_table.h"
#include "engine/exact_count.h"
#include "engine/task.h"

/// The least memory (one value of y at a time, one thread) and the work of
/// compter_par_points, in the units of besoin_sous_ensembles.
Besoin besoin_par_points(const std::int64_t* d, std::size_t n, std::int64_t T);

/// Counts the subsets of d[0..n-1] (distinct, positive, ascending) whose sum
/// is T >= 1 by number of terms: par_termes[m], m = 0..n. Counts the
/// complements when that makes the table shorter. False, par_termes
/// untouched, when not even one value at a time fits in memory or the search
/// was asked to stop.
bool compter_par_points(const Tache& t, const std::int64_t* d, std::size_t n, std::int64_t T,
                        std::vector<Compte>& par_termes);
