// Exact counts of solutions, of any size.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace taverlune {

/// An exact count of solutions, of any size (the number of subsets of 119
/// divisors that reach a target can pass 2^64). Little-endian 64-bit words,
/// no trailing zero word; no word at all is the count 0.
struct Compte {
    std::vector<std::uint64_t> mots;  ///< the digits of the count in base 2^64

    bool est_nul() const { return mots.empty(); }
    Compte& operator+=(std::uint64_t n);
    Compte& operator+=(const Compte& autre);
    /// The product, exact.
    friend Compte operator*(const Compte& x, const Compte& y);
    bool operator==(const Compte& autre) const = default;
    std::strong_ordering operator<=>(const Compte& autre) const;
    /// Plain decimal digits, "0" for the count 0.
    std::string decimal() const;
    /// The count of the plain decimal digits `chiffres` (nothing else in it,
    /// at least one).
    static Compte de_decimal(std::string_view chiffres);
    /// The nearest double (infinity past 1.8 x 10^308).
    double en_double() const;
    /// Its base 10 logarithm, from its top bits (a count may pass 10^308);
    /// -1 for the count 0.
    double log10() const;
};

}  // namespace taverlune
