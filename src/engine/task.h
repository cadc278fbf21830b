// Inside the engine: one search as its parts see it, and the parts that
// engine.cpp chooses among.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/wide.h"
#include "taverlune/engine.h"
#include "taverlune/exact_count.h"

namespace taverlune {

class SommesAtteignables;

/// One search: the problem indexed from 1 (element[0] unused, always 0), the
/// settings and the callbacks. Built once per call and read by every part;
/// only `arret` changes, when the caller asks the search to stop.
struct Tache {
    Tache(const Probleme& p, const Reglages& r, const Rappels& rappels);

    std::vector<std::int64_t> element;  ///< element[1..n], ascending
    std::size_t n = 0;
    std::int64_t cible = 0;
    std::int64_t N = 0;                  ///< 0: no factorisation known
    int nf = 0;                          ///< prime factors of N
    std::vector<std::int64_t> premier;   ///< premier[1..nf], ascending
    std::vector<std::int64_t> exposant;  ///< exposant[1..nf]
    Reglages reglages;
    Rappels rappels;
    mutable std::atomic<bool> arret{false};  ///< the caller asked the search to stop

    /// Bytes this search may still take: its budget, or when it has none what
    /// the process's limits and the machine leave.
    std::size_t memoire_disponible() const;
    /// Threads a count may run.
    unsigned fils() const;
    /// Tells the caller how far the search is; false (and `arret`) when it
    /// asks to stop. Call from the calling thread only.
    bool suivre(double part, std::optional<std::uint64_t> trouvees = std::nullopt) const;
    /// In a phase that knows no share of its work (a plan, a table of
    /// sums): asks the caller whether to go on, at most every twentieth of a
    /// second; false once it asked to stop. Call from the calling thread only.
    bool veiller() const;

private:
    mutable std::chrono::steady_clock::time_point veille_ = std::chrono::steady_clock::now();
};

/// Counting by a remembered recursion on the remainders: the counts for the
/// target over every element, or false when it would remember too much.
bool compter_par_restes_retenus(const Tache& t, std::vector<Compte>& par_termes);

/// The depth-first listing: every solution in increasing lexicographic order
/// of its ascending terms, written to `puits` when there is one (else only
/// counted), counted by number of terms into `r`. With `sommes`, every branch
/// it enters leads to a solution.
void lister_tache(const Tache& t, const SommesAtteignables* sommes, Puits* puits, const Forme& forme, Resultat& r);

}  // namespace taverlune
