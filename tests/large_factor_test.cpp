// Tests of the 64-bit primality test and factorisation (divisors/large_factor.h),
// against plain trial division and against numbers of known factorisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <random>
#include <vector>

#include "divisors/large_factor.h"

namespace {

__extension__ typedef unsigned __int128 u128;
using u64 = std::uint64_t;
using Facteurs = std::vector<u64>;

// ---- Reference: plain trial division ------------------------------------------

// The primes below 2^20 (sieve of Eratosthenes): enough to decide any n < 2^40
// by trial division.
const std::vector<u64>& premiers_du_crible() {
    static const std::vector<u64> premiers = [] {
        constexpr u64 kLimite = u64{1} << 20;
        std::vector<bool> compose(kLimite, false);
        std::vector<u64> p;
        for (u64 i = 2; i < kLimite; ++i) {
            if (compose[i]) continue;
            p.push_back(i);
            for (u64 j = i * i; j < kLimite; j += i) compose[j] = true;
        }
        return p;
    }();
    return premiers;
}

// Primality by trial division; n < 2^40.
bool premier_par_division(u64 n) {
    if (n < 2) return false;
    for (u64 p : premiers_du_crible()) {
        if (p * p > n) return true;
        if (n % p == 0) return false;
    }
    ADD_FAILURE() << "premier_par_division: " << n << " is too large";
    return false;
}

// Prime factors by trial division, ascending; n < 2^40.
Facteurs facteurs_par_division(u64 n) {
    Facteurs f;
    for (u64 p : premiers_du_crible()) {
        if (p * p > n) break;
        while (n % p == 0) {
            f.push_back(p);
            n /= p;
        }
    }
    if (n > 1) f.push_back(n);
    return f;
}

// The first prime >= n found by trial division; n < 2^39.
u64 premier_suivant(u64 n) {
    while (!premier_par_division(n)) ++n;
    return n;
}

// Random numbers from a fixed, printed seed. mt19937_64's output is the same
// everywhere; the values are drawn from it directly (no distributions, whose
// results depend on the standard library).
std::mt19937_64 generateur(u64 graine) {
    std::cout << "[  seed    ] " << graine << '\n';
    return std::mt19937_64(graine);
}

// A number of 1 to `bits` bits, with the number of bits itself uniform.
u64 taille_aleatoire(std::mt19937_64& rng, int bits) {
    const int b = 1 + static_cast<int>(rng() % static_cast<u64>(bits));
    return rng() >> (64 - b);
}

constexpr u64 kMersenne61 = (u64{1} << 61) - 1;
constexpr u64 kPlusGrandPremierSous2_63 = 9223372036854775783u;
constexpr u64 kPlusGrandPremierSous2_64 = 18446744073709551557u;

// Primes above 2^32, checked with an independent factoriser (coreutils
// factor); used as factors of test numbers.
constexpr u64 kGrandsPremiers[] = {
    8589934583u,            // 2^33 - 9
    1099511627689u,         // 2^40 - 87
    35184372088777u,        // 2^45 - 55
    1000000000000037u,      //
    1125899906842597u,      // 2^50 - 27
    36028797018963913u,     // 2^55 - 55
    kMersenne61,            // 2^61 - 1
    4611686018427387847u,   // 2^62 - 57
    kPlusGrandPremierSous2_63,
};

// ---- Against trial division -------------------------------------------------------

TEST(TrialDivision, EveryNumberBelow100000) {
    for (u64 n = 0; n < 100000; ++n) {
        ASSERT_EQ(est_premier(n), premier_par_division(n)) << "n = " << n;
        ASSERT_EQ(facteurs_premiers(n), n < 2 ? Facteurs{} : facteurs_par_division(n)) << "n = " << n;
    }
}

TEST(TrialDivision, RandomNumbersBelow2To40) {
    auto rng = generateur(0xFAC7E5);
    for (int cas = 0; cas < 4000; ++cas) {
        u64 n = (cas % 2 == 0) ? (rng() >> 24) : taille_aleatoire(rng, 40);
        if (n < 2) n += 2;
        ASSERT_EQ(facteurs_premiers(n), facteurs_par_division(n)) << "case " << cas << ", n = " << n;
        ASSERT_EQ(est_premier(n | 1), premier_par_division(n | 1)) << "case " << cas << ", n = " << (n | 1);
    }
}

// ---- est_premier -------------------------------------------------------------------

TEST(EstPremier, KnownPrimes) {
    std::vector<u64> premiers = {2, 3, 5, 7, 11, 13, 97, 997, 1009, 65537, 999983, 1000003, 998244353,
                                 999999937, 1000000007, 2147483647, 3000000019, 4294967279, 4294967291,
                                 kPlusGrandPremierSous2_64};
    premiers.insert(premiers.end(), std::begin(kGrandsPremiers), std::end(kGrandsPremiers));
    for (u64 n : premiers) EXPECT_TRUE(est_premier(n)) << "n = " << n;
}

TEST(EstPremier, KnownComposites) {
    const u64 composes[] = {
        0, 1, 4, 9, 25, 49, 121, 994009 /* 997^2 */, 1018081 /* 1009^2 */,
        // Carmichael numbers
        561, 1105, 1729, 2465, 2821, 6601, 8911, 10585, 15841, 29341, 41041, 46657, 52633,
        62745, 63973, 75361, 101101, 115921, 126217, 162401, 172081, 188461, 252601, 278545,
        294409, 314821, 334153, 340561, 399001, 410041, 449065, 488881, 512461, 825265,
        321197185, 5394826801u, 232250619601u, 9746347772161u,
        // strong pseudoprimes to the first prime bases
        2047, 1373653, 25326001, 3215031751u, 2152302898747u, 3474749660383u,
        341550071728321u, 3825123056546413051u,
        // others
        600851475143u, 998244359987710471u /* 998244353 * 1000000007 */,
        4611686014132420609u /* (2^31-1)^2 */, 9000000168000000703u /* 3000000019 * 3000000037 */,
        9000000114000000361u /* 3000000019^2 */, 18446743979220271189u /* 4294967279 * 4294967291 */,
        1055229678769825441u /* 1009^6 */, 9223372036854775807u /* 2^63 - 1 */,
        9223372036854775808u /* 2^63 */, 18446744073709551615u /* 2^64 - 1 */,
        18446744073709551613u, 18446744073709551555u,
    };
    for (u64 n : composes) EXPECT_FALSE(est_premier(n)) << "n = " << n;
}

// ---- facteurs_premiers ----------------------------------------------------------------

TEST(FacteursPremiers, RandomProductsOfPrimesBelow2To63) {
    // n is built from primes found by trial division (below 2^32) and from the
    // known large primes, so its factorisation is known without factorising.
    auto rng = generateur(0xC0FFEE63);
    constexpr u64 kPlafond = u64{1} << 63;
    for (int cas = 0; cas < 3000; ++cas) {
        Facteurs attendus;
        u64 n = 1;
        if (cas % 4 == 0) {
            const u64 g = kGrandsPremiers[rng() % std::size(kGrandsPremiers)];
            attendus.push_back(g);
            n = g;
        }
        const int voulus = 1 + static_cast<int>(rng() % 4);
        for (int essai = 0; essai < 20 && static_cast<int>(attendus.size()) < voulus; ++essai) {
            const int bits = 2 + static_cast<int>(rng() % 31);  // primes of 2..32 bits
            const u64 p = premier_suivant(rng() >> (64 - bits));
            if (static_cast<u128>(n) * p >= kPlafond) continue;
            attendus.push_back(p);
            n *= p;
        }
        if (n == 1) continue;
        SCOPED_TRACE(testing::Message() << "case " << cas << ", n = " << n);
        std::sort(attendus.begin(), attendus.end());
        EXPECT_EQ(facteurs_premiers(n), attendus);
    }
}

TEST(FacteursPremiers, RandomNumbersBelow2To64AreConsistent) {
    auto rng = generateur(0xABCDEF64);
    for (int cas = 0; cas < 3000; ++cas) {
        u64 n = (cas % 2 == 0) ? (rng() >> 1) : rng();
        if (n < 2) n += 2;
        // What any factorisation of n must be: primes, ascending, whose product is n.
        SCOPED_TRACE(testing::Message() << "case " << cas << ", n = " << n);
        const Facteurs f = facteurs_premiers(n);
        ASSERT_FALSE(f.empty());
        EXPECT_TRUE(std::is_sorted(f.begin(), f.end()));
        u128 produit = 1;
        for (u64 p : f) {
            EXPECT_TRUE(est_premier(p)) << "factor " << p;
            produit *= p;
            ASSERT_LE(produit, static_cast<u128>(n));
        }
        EXPECT_EQ(static_cast<u64>(produit), n);
    }
}

TEST(FacteursPremiers, ProductsOfPrimesOfEqualSize) {
    // Two primes of 32 bits: from 3e9 on (est_premier must agree on the whole
    // range), the largest below 2^32 and the smallest above 2^31, by trial
    // division; their products reach just below 2^64.
    Facteurs premiers;
    for (u64 n = 3000000000u; n < 3000000400u; ++n) {
        ASSERT_EQ(est_premier(n), premier_par_division(n)) << "n = " << n;
        if (premier_par_division(n)) premiers.push_back(n);
    }
    ASSERT_GE(premiers.size(), 10u);
    EXPECT_EQ(premiers[0], 3000000019u);
    for (u64 n = (u64{1} << 32) - 1, trouves = 0; trouves < 6; --n)
        if (premier_par_division(n)) premiers.push_back(n), ++trouves;
    for (u64 n = (u64{1} << 31) + 1, trouves = 0; trouves < 6; ++n)
        if (premier_par_division(n)) premiers.push_back(n), ++trouves;
    std::sort(premiers.begin(), premiers.end());
    for (std::size_t i = 0; i < premiers.size(); ++i) {
        EXPECT_EQ(facteurs_premiers(premiers[i]), Facteurs({premiers[i]}));
        for (std::size_t j = i; j < premiers.size(); ++j) {
            SCOPED_TRACE(testing::Message() << premiers[i] << " * " << premiers[j]);
            EXPECT_EQ(facteurs_premiers(premiers[i] * premiers[j]), Facteurs({premiers[i], premiers[j]}));
        }
    }
    // Three primes of 21 bits, or one cubed.
    Facteurs petits;
    for (u64 n = (u64{1} << 21) - 200; n < (u64{1} << 21) + 200; ++n)
        if (premier_par_division(n)) petits.push_back(n);
    ASSERT_GE(petits.size(), 8u);
    for (std::size_t i = 0; i < petits.size(); ++i)
        for (std::size_t j = i; j < petits.size(); ++j)
            for (std::size_t k = j; k < petits.size(); ++k) {
                const u64 p = petits[i], q = petits[j], r = petits[k];
                EXPECT_EQ(facteurs_premiers(p * q * r), Facteurs({p, q, r})) << p << " * " << q << " * " << r;
            }
}

TEST(FacteursPremiers, PowersOfPrimes) {
    const u64 bases[] = {2, 3, 997, 1009, 65537, 1000003, 3000000019u, 4294967291u,
                         8589934583u, 1099511627689u, kMersenne61, kPlusGrandPremierSous2_64};
    for (u64 p : bases) {
        Facteurs attendus;
        u128 puissance = 1;
        while (puissance * p <= ~u64{0}) {
            puissance *= p;
            attendus.push_back(p);
            SCOPED_TRACE(testing::Message() << p << "^" << attendus.size());
            EXPECT_EQ(facteurs_premiers(static_cast<u64>(puissance)), attendus);
        }
    }
}

TEST(FacteursPremiers, KnownFactorisations) {
    struct Cas {
        u64 n;
        Facteurs facteurs;
    };
    const Cas table[] = {
        {2, {2}},
        {4, {2, 2}},
        {561, {3, 11, 17}},
        {994009, {997, 997}},
        {600851475143u, {71, 839, 1471, 6857}},
        {3215031751u, {151, 751, 28351}},
        {341550071728321u, {10670053, 32010157}},
        {3825123056546413051u, {149491, 747451, 34233211}},
        {9746347772161u, {7, 11, 13, 17, 19, 31, 37, 41, 641}},
        {998244359987710471u, {998244353, 1000000007}},
        {4611686014132420609u, {2147483647, 2147483647}},
        {9000000168000000703u, {3000000019u, 3000000037u}},
        {18446743979220271189u, {4294967279u, 4294967291u}},
        {9223372036854775807u, {7, 7, 73, 127, 337, 92737, 649657}},
        {18446744073709551615u, {3, 5, 17, 257, 641, 65537, 6700417}},
        {kMersenne61, {kMersenne61}},
        {kPlusGrandPremierSous2_63, {kPlusGrandPremierSous2_63}},
        {kPlusGrandPremierSous2_64, {kPlusGrandPremierSous2_64}},
        {2 * kPlusGrandPremierSous2_63, {2, kPlusGrandPremierSous2_63}},
        {997 * 1000000000000037u, {997, 1000000000000037u}},
        {1009 * 1000000000000037u, {1009, 1000000000000037u}},
    };
    for (const Cas& c : table) EXPECT_EQ(facteurs_premiers(c.n), c.facteurs) << "n = " << c.n;
}

}  // namespace
