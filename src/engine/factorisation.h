// Fast primality test and prime factorisation of 64-bit integers.
//
// Self-contained: uses none of the shared program state. Trial division by the
// primes below 1000, then Miller–Rabin (deterministic below 2^64), elliptic
// curves and Pollard–Brent rho in Montgomery arithmetic for what remains.
#pragma once

#include <cstdint>
#include <vector>

namespace taverlune {

/// True when n is prime. Deterministic for every n < 2^64: trial division by
/// the primes below 1000, then Miller–Rabin with the seven bases 2, 325, 9375,
/// 28178, 450775, 9780504, 1795265022. 0 and 1 are not prime.
bool est_premier(std::uint64_t n);

/// The prime factors of n, with multiplicity, in ascending order (their
/// product is n). Meant for n without small factors, but correct for every
/// n >= 2; returns an empty list for n < 2. Deterministic, and always
/// terminates. Cost: a few microseconds for a prime or a square; for n < 2^63
/// with two factors near its square root, some six curves of about 5500
/// products modulo n each on average (well under 0.1 ms), several times more
/// for a few numbers.
std::vector<std::uint64_t> facteurs_premiers(std::uint64_t n);

}  // namespace taverlune
