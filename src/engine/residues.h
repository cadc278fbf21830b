// Counts modulo small primes, and the exact count they determine.
//
// A count too large for a machine word is computed modulo several primes
// below 2^15, one pass each (a cell is 16 bits, so that the tables stay in
// the processor's caches), and rebuilt exactly by the Chinese remainder
// theorem once every residue is known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/wide.h"
#include "taverlune/exact_count.h"

namespace taverlune {

/// A residue, or a prime modulus, below 2^15.
using Residu = std::uint16_t;

/// x^e modulo q < 2^16.
std::uint32_t puissance(std::uint64_t x, std::uint64_t e, std::uint32_t q);

/// a^-1 modulo the prime q < 2^16, a not a multiple of q.
std::uint32_t inverse(std::uint32_t a, std::uint32_t q);

/// The odd primes below 2^15, in decreasing order (3511 of them).
const std::vector<Residu>& premiers_modulaires();

/// How many of those primes are needed for counts below 2^bits: their
/// product exceeds 2^bits.
std::size_t premiers_necessaires(double bits);

/// The count x with 0 <= x < q[0] * ... * q[P-1] and x = r[k] modulo q[k] for
/// every k (Garner's mixed radix, then exact arithmetic). `pas` is the
/// distance between two residues of one count in r.
Compte reconstruire(const Residu* r, std::size_t pas, const std::vector<Residu>& q);

}  // namespace taverlune
