// The sums that the divisors left can make, for the listing: one row of bits
// per divisor, over the sums that its group's divisors from it on can make,
// in units of the group (carry_free_groups.h).
//
// Cost: memory and time about n x (group sum) / 64 words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/carry_free_groups.h"

namespace taverlune {

class SommesAtteignables {
public:
    /// Left unfinished when the caller asks the search to stop (t.arret).
    SommesAtteignables(const Tache& t, const Decoupage& d);

    /// The rows would take at most `octets_max` bytes.
    static bool tient(const Decoupage& d, std::size_t octets_max);

    const Decoupage& decoupage() const { return d_; }

    /// The row of group g for element[m..fin]: bit v is set when some subset of
    /// the group's divisors from element[m] on makes v units, for v from 0 to the
    /// group's plafond. m runs from the group's debut to fin + 1, whose row
    /// holds the empty sum alone.
    const std::uint64_t* ligne(std::size_t g, std::size_t m) const {
        const Groupe& G = d_.groupes[g];
        return bits_.get() + debut_groupe_[g] + (m - G.debut) * largeur(G);
    }

    /// Bit v of a row; v at most the group's plafond.
    static bool contient(const std::uint64_t* ligne, std::uint64_t v) { return (ligne[v / 64] >> (v % 64)) & 1; }

private:
    static std::size_t largeur(const Groupe& G) { return static_cast<std::size_t>(G.plafond / 64) + 1; }

    const Decoupage& d_;
    std::vector<std::size_t> debut_groupe_;  // first word of each group's rows
    std::unique_ptr<std::uint64_t[]> bits_;  // each row written whole, none zeroed first
};

}  // namespace taverlune
