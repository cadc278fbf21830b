// The sums that the divisors left can make, for the listing: one row of bits
// per divisor, over the sums that its group's divisors from it on can make.
//
// Reads: Div[1..ND1], ND1.
// Cost: memory and time about ND1 x (group sum) / 64 words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/groups.h"

class SommesAtteignables {
public:
    explicit SommesAtteignables(const Decoupage& d);

    /// The rows would take at most `octets_max` bytes.
    static bool tient(const Decoupage& d, std::size_t octets_max);

    /// Some subset of Div[m..ND1] adds up to r.
    bool atteignable(std::size_t m, Somme r) const;

private:
    static std::size_t largeur(const Groupe& G) { return static_cast<std::size_t>(G.plafond / 64) + 1; }

    // Some subset of the group's divisors from Div[m] on makes v units.
    bool dans_le_groupe(std::size_t g, std::size_t m, Somme v) const {
        const Groupe& G = d_.groupes[g];
        if (v > G.plafond) return false;
        if (m > G.fin) return v == 0;
        const std::size_t x = static_cast<std::size_t>(v);
        return (bits_[debut_ligne_[m] + x / 64] >> (x % 64)) & 1;
    }

    const Decoupage& d_;
    std::vector<std::size_t> groupe_de_;    // group of each index
    std::vector<std::size_t> debut_ligne_;  // first word of each index's row
    std::vector<std::uint64_t> bits_;
};
