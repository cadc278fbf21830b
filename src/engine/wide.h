// The engine's 128-bit integers, kept inside the engine.
#pragma once

namespace taverlune {

/// Unsigned 128-bit integer: products of two 64-bit words, residues.
__extension__ typedef unsigned __int128 u128;

/// Sums of divisors. The divisors of a number below 2^63 can add up to more
/// than 2^63 - 1, and a running sum may pass twice the target, so every sum
/// is kept on 128 bits, which no such sum can leave.
__extension__ typedef __int128 Somme;

}  // namespace taverlune
