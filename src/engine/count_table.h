// Counting the subsets of a list of distinct positive integers by sum and
// number of terms, without listing them: a table computed modulo small
// primes, one pass each, the passes on every core, joined exactly.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "taverlune/exact_count.h"
#include "engine/residues.h"
#include "engine/task.h"

namespace taverlune {

/// A table of counts of the subsets of e[0..n-1] by sum s in [0, H] and by
/// number of terms m, modulo a prime below 2^15.
///
/// Row s holds the m that a subset with sum s can have: from the fewest
/// largest elements that reach s to the most smallest that fit in s (its
/// band). The elements are added in ascending order, each row updated in
/// place with the sums descending (0/1 knapsack): row s receives row s - x
/// shifted by one term, on the terms that the elements so far can make.
/// After element k only the rows that can still lead to a needed row are
/// updated: from the least needed row less the sum of the elements after k;
/// and, when one row alone is needed, only the rows whose difference to it
/// the elements after k can make (the marks).
class TableDeComptes {
public:
    /// Row s: the cell of m terms is at base + m, for m in [bas, haut]
    /// (none when bas > haut).
    struct Rangee {
        std::int64_t base;
        std::int32_t bas, haut;
    };

    /// e ascending, distinct, positive; the rows [0, H] are kept, and the rows
    /// from `utile` up are needed at the end (`seule`: row utile alone).
    /// Requires H < 2^40; the elements above H are left out. `r` says which
    /// kernels the passes may use. `veille`, called between two elements of
    /// the sweep of the bounds, stops it (PasseArretee) when it says false.
    TableDeComptes(const std::int64_t* e, std::size_t n, std::int64_t H, std::int64_t utile, bool seule,
                   const Reglages& r, const std::function<bool()>& veille = {});

    std::int64_t derniere_ligne() const { return H_; }
    const Rangee& rangee(std::int64_t s) const { return rangees_[static_cast<std::size_t>(s)]; }
    /// The residues a pass needs (the cells, and room past the last one).
    std::size_t cellules() const { return cellules_ + 16; }
    /// Cell updates of one pass.
    double mises_a_jour() const { return mises_a_jour_; }

    /// Upper bounds of the counts of each row, every number of terms
    /// together (rounded up); 0 for a row no subset reaches.
    const std::vector<long double>& bornes() const { return bornes_; }

    /// One pass modulo q: tab (cellules() residues, all 0 on entry) receives
    /// the counts. Adds the cells it updates to *fait as it goes; throws
    /// PasseArretee, between two elements, once *arret is set.
    void remplir(Residu q, Residu* tab, std::atomic<std::uint64_t>* fait,
                 const std::atomic<bool>* arret = nullptr) const;

private:
    friend struct Balayage;

    std::vector<std::int64_t> e_;    // the elements up to H
    std::vector<std::int64_t> pre_;  // pre_[j]: sum of the j smallest
    std::int64_t H_ = 0, utile_ = 0;
    std::vector<Rangee> rangees_;
    std::size_t cellules_ = 0;
    // Marks of the useful rows of element k: bit (utile - s) of
    // marques_[debut_[k]..], the run starting at word mot0_[k]; none when
    // debut_[k] == tous (every row of its window is useful).
    std::vector<std::uint64_t> marques_;
    std::vector<std::size_t> debut_, mot0_;
    std::vector<long double> bornes_;
    double mises_a_jour_ = 0;
    bool portable_ = false;   // the portable kernel even where AVX2 is there
    std::size_t paires_ = 0;  // from this many bytes on, elements two at a time
};

/// The cell updates one thread of this machine does in a second with the
/// table's kernel (the portable one when `portable`), on rows that stay in
/// its caches: measured once in a process, in a few milliseconds.
double cellules_par_seconde(bool portable);

/// Work and memory of such a table, estimated without building it.
struct Estimation {
    double mises_a_jour = 0;  ///< cell updates of one pass
    double cellules = 0;      ///< cells of the table
};
Estimation estimer_table(const std::int64_t* e, std::size_t n, std::int64_t H, std::int64_t utile);

/// Runs `passe(q, tampon, resultats)` once per prime needed for counts below
/// 2^bits, on every core the memory allows (each pass gets `octets` zeroed
/// bytes, takes `octets_en_plus` more of its own, and writes `largeur`
/// residues to resultats), then rebuilds the `largeur` exact counts.
/// `travail` is the work of one pass, in the units the passes add to *fait;
/// the caller is told the share done. False when not even one pass fits in
/// memory, or when the caller asked the search to stop (t.arret).
bool compter_par_passes(
    const Tache& t, double bits, std::size_t largeur, std::size_t octets, std::size_t octets_en_plus, double travail,
    const std::function<void(Residu q, void* tampon, Residu* resultats, std::atomic<std::uint64_t>* fait)>& passe,
    std::vector<Compte>& comptes);

/// The memory (bytes) compter_sous_ensembles needs with one thread, and the
/// work of its passes in all (cell updates), estimated.
struct Besoin {
    double octets = 0;
    double travail = 0;
};
Besoin besoin_sous_ensembles(const std::int64_t* d, std::size_t n, std::int64_t cible);

/// Counts the subsets of d[0..n-1] (distinct, positive, ascending) whose sum
/// is cible >= 1, by number of terms: par_termes[m], m = 0..n. Counts the
/// complements when the sum of the elements up to cible, less cible, is below cible.
/// False, with par_termes untouched, when the memory cannot be had.
bool compter_sous_ensembles(const Tache& t, const std::int64_t* d, std::size_t n, std::int64_t cible,
                            std::vector<Compte>& par_termes);

/// The memory and the work of one pass of compter_total_seul.
Besoin besoin_total_seul(const std::int64_t* d, std::size_t n, std::int64_t cible);

/// Counts the subsets of d[0..n-1] (distinct, positive, ascending) whose sum
/// is cible >= 1, every number of terms together: a table over the sums alone,
/// one cell a row, swept sixteen rows at a time. False, total untouched, when
/// the memory cannot be had or the search was asked to stop.
bool compter_total_seul(const Tache& t, const std::int64_t* d, std::size_t n, std::int64_t cible, Compte& total);

/// The target a table counts: cible, or the complement (the sum of the elements
/// up to cible, less cible) when it is smaller.
struct SommeComptee {
    std::size_t ne = 0;        ///< the elements up to cible
    Somme total = 0;           ///< their sum
    std::int64_t comptee = 0;  ///< the sum counted
    bool complement = false;
};
SommeComptee somme_comptee(const std::int64_t* d, std::size_t n, std::int64_t cible);

/// An upper bound of the bits of a count of subsets of `elements` elements
/// with sum comptee: no more than 2^elements, nor than the partitions of comptee into
/// distinct parts (fewer than exp(pi sqrt(comptee / 3))).
double bits_au_plus(std::size_t elements, double comptee);

/// The rows element k of a table over the sums alone updates, counting the
/// sum comptee: from the least row that the elements after it can still lift to
/// comptee, to the most the elements up to it make.
struct Fenetre {
    std::int64_t bas, haut;
};
std::vector<Fenetre> fenetres(const std::int64_t* d, std::size_t ne, std::int64_t comptee);
/// The cell updates of one pass over those rows.
double mises_a_jour(const std::vector<Fenetre>& fenetres);

}  // namespace taverlune
