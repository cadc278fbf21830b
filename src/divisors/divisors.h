// Divisors of N: the prime table, the prime factorisation and the divisor list.
#pragma once

#include <cstdint>
#include <vector>

/// Appends the next prime to Nprem (np grows by 1). Requires i = 1; leaves
/// i = 1. Always returns 1.
int Suiv();

/// Suiv by trial division alone: each odd candidate after the last prime is
/// divided by the primes of the table up to its square root.
int Suiv_par_essais();

/// Factorises S into Nfact[1..nf], Nexpo[1..nf] (ascending primes, their
/// exponents), growing the prime table as trial division needs it. Leaves
/// S = 1. A negative S (a wrapped answer) is taken as one factor. Returns 1.
int decomp();

/// Steps the exponent odometer Prod[1..nf] to the next combination (the last
/// factor fastest) and adds 1 to k; at the last combination changes nothing.
/// Returns 1.
int suiv2();

/// The divisor-list stage: Div[1..ND1] = the divisors of N other than N,
/// ascending, and the working lists Term, Term1, Div, Prod grown for the
/// calculation.
void liste_diviseurs();
