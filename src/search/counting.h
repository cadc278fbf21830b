// Exact counting of the subsets of a list of distinct positive integers that
// add up to a target, split by number of terms, without listing them.
//
// A 0/1-knapsack table over (sum, number of terms) with fixed-width exact
// cells: no count can wrap, whatever its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "state/state.h"

/// Progress callback: part_faite is the share of the work done, in [0, 1],
/// never decreasing from one call to the next.
using AvancementComptage = void (*)(double part_faite, void* contexte);

/// Counts the subsets of d[0..n-1] (distinct, positive, ascending) whose sum
/// is T, by number of terms: on success par_termes has size n + 1 and
/// par_termes[m] is the count with m terms. Returns false, touching nothing,
/// when the table it needs would take more than `octets_max` bytes of memory
/// (the caller then uses another method).
///
/// `avancement`, when not null, is called with `contexte` every few million
/// cell updates with the share of the work done, and once with 1 at the end
/// if it was called before; small calculations never call it.
///
/// Also false, touching nothing, when that memory cannot be had. T >= 1 is
/// expected. The counts come from a table of C + 1 rows, C = min(T, S - T)
/// with S the sum of the elements up to T, of at most M + 1 cells (M: the
/// most terms a subset with sum C can have), each cell a fixed number of
/// 64-bit words wide enough for any count.
/// Cost: time about (number of elements) x (useful rows) x (number of terms
/// possible) cell additions; memory octets_comptage().
bool compter_sous_ensembles(const std::int64_t* d, std::size_t n,
                            std::int64_t T, std::size_t octets_max,
                            std::vector<Compte>& par_termes,
                            AvancementComptage avancement = nullptr,
                            void* contexte = nullptr);

/// The memory, in bytes, that compter_sous_ensembles needs for these
/// arguments: it succeeds exactly when octets_max is at least this (0 when
/// the answer needs no table; SIZE_MAX when it does not fit in a size_t).
/// Builds no table, but runs the passes that size it (one number per row:
/// a few percent of the counting time on large cases); when even one-word
/// cells would take more than 1 TiB, answers at once with an upper estimate.
std::size_t octets_comptage(const std::int64_t* d, std::size_t n,
                            std::int64_t T);

namespace comptage_detail {

/// The number of 64-bit words of one cell of the table for these arguments:
/// enough for the largest count any cell can hold. 0 when no table is needed.
std::size_t mots_par_cellule(const std::int64_t* d, std::size_t n,
                             std::int64_t T);

/// compter_sous_ensembles with cells of `mots` 64-bit words forced (at least
/// the width mots_par_cellule asks for, else false); for tests of the wide
/// cell code on small inputs.
bool compter_avec_largeur(const std::int64_t* d, std::size_t n,
                          std::int64_t T, std::size_t octets_max,
                          std::size_t mots, std::vector<Compte>& par_termes);

}  // namespace comptage_detail
