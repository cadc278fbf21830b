// Counting subsets by number of terms with one cell a sum: over all the
// elements, for when the table by sum and number of terms does not fit in
// memory; and the sweeps it shares with the split along a prime power at
// values of y (prime_power_split.h).
//
// The subsets of the elements d with sum cible, counted by number of terms m,
// are the coefficients of y^m in the coefficient of z^cible of the product of
// the (1 + y z^d). For one value of y modulo a prime q, that coefficient is
// the last cell of a table over the sums alone, each element adding y times
// the row d below to each row: one cell a sum where the table by number of
// terms keeps one a possible number of terms. Computed at as many values of
// y as there are possible numbers of terms, it gives the counts back by
// interpolation; the values of y go side by side in the cells of a row, as
// many as memory allows. Over all the elements, the work is some ten times
// the table's, and the memory a few bytes a sum. Over the divisors of
// N / p^e alone, the table of a value stays in the caches, and the split at
// values takes less time than the split by number of terms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/count_table.h"
#include "taverlune/exact_count.h"
#include "engine/task.h"

namespace taverlune {

/// How much costlier a cell of a table at values of y is than one of the
/// table by number of terms: a product modulo q and its reduction against
/// an addition.
constexpr double cout_cellule_aux_points = 3;

/// The numbers of terms a subset of the ne elements d with sum comptee can have:
/// from the fewest largest that reach comptee to the most smallest that fit in comptee.
struct Termes {
    std::size_t bas = 1, haut = 0;  ///< none when bas > haut
};
Termes termes(const std::int64_t* d, std::size_t ne, std::int64_t comptee);

/// Reads the value of a count at each of the L values y[0..L) of a table
/// swept modulo q (row s at tab[s L .. s L + L)), to valeurs[0..L).
using LecteurDePoints =
    std::function<void(const Residu* tab, std::size_t L, const Residu* y, Residu q, std::uint32_t* valeurs)>;

/// The sweeps of a count at values of y and the counts they give back: for
/// each prime needed for counts below 2^bits and each group of L of the
/// values 1, 2, .., J (J the numbers of terms in m), a table of `lignes`
/// rows where element d[k] adds y times row s - d[k] to each row s of its
/// window f[k], from the top down; `lire` turns it into the count's values.
/// comptes[j] is then the count of m.bas + j terms. Each thread takes
/// octets_en_plus bytes a value besides its table. False when not even one
/// value at a time fits in memory or the search was asked to stop.
bool balayer_aux_points(const Tache& t, const std::int64_t* d, const std::vector<Fenetre>& f, std::size_t lignes,
                        double bits, Termes m, std::size_t octets_en_plus, const LecteurDePoints& lire,
                        std::vector<Compte>& comptes);

/// The least memory (one value of y at a time, one thread) and the work of
/// compter_aux_points, in the units of besoin_sous_ensembles.
Besoin besoin_aux_points(const std::int64_t* d, std::size_t n, std::int64_t cible);

/// Counts the subsets of d[0..n-1] (distinct, positive, ascending) whose sum
/// is cible >= 1 by number of terms: par_termes[m], m = 0..n. Counts the
/// complements when that makes the table shorter. False, par_termes
/// untouched, when not even one value at a time fits in memory or the search
/// was asked to stop.
bool compter_aux_points(const Tache& t, const std::int64_t* d, std::size_t n, std::int64_t cible,
                        std::vector<Compte>& par_termes);

}  // namespace taverlune
