// The 64-bit primality test and factorisation (divisors/factorisation.h)
// against trial division, against products of known primes, and against
// numbers that fool weaker tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "engine/factorisation.h"
#include "engine/wide.h"

using namespace taverlune;

namespace {

using u64 = std::uint64_t;
using Facteurs = std::vector<u64>;

// Trial division by the primes below 2^20: n < 2^40.
Facteurs par_division(u64 n) {
    static std::vector<u64> premiers;
    std::vector<bool> compose(premiers.empty() ? u64{1} << 20 : 0, false);
    for (u64 i = 2; i < compose.size(); ++i)
        if (!compose[i]) {
            premiers.push_back(i);
            for (u64 j = i * i; j < compose.size(); j += i) compose[j] = true;
        }
    Facteurs f;
    for (u64 p : premiers) {
        if (p * p > n) break;
        for (; n % p == 0; n /= p) f.push_back(p);
    }
    if (n > 1) f.push_back(n);
    return f;
}

bool premier_par_division(u64 n) { return n > 1 && par_division(n) == Facteurs{n}; }

TEST(TrialDivision, EveryNumberBelow100000AndRandomOnesBelow2To40) {
    for (u64 n = 0; n < 100000; ++n) {
        ASSERT_EQ(est_premier(n), premier_par_division(n)) << n;
        ASSERT_EQ(facteurs_premiers(n), n < 2 ? Facteurs{} : par_division(n)) << n;
    }
    std::printf("seed 0xFAC7E5\n");
    std::mt19937_64 alea(0xFAC7E5);
    for (int cas = 0; cas < 4000; ++cas) {
        const u64 n = (alea() >> (24 + alea() % 38)) | 2;  // 2 to 40 bits
        ASSERT_EQ(facteurs_premiers(n), par_division(n)) << n;
        ASSERT_EQ(est_premier(n | 1), premier_par_division(n | 1)) << (n | 1);
    }
}

TEST(Factorisation, ProductsOfKnownPrimes) {
    // Primes around 2^21, 2^31.5, 2^32 and beyond, all checked by trial
    // division or known: products of two and three of them, and powers.
    Facteurs premiers;
    for (const auto& [debut, nombre] : {std::pair<u64, int>{(u64{1} << 21) - 100, 4}, {3037000400u, 4},
                                       {(u64{1} << 32) - 100, 3}, {(u64{1} << 31) + 1, 3}})
        for (u64 n = debut, trouves = 0; trouves < static_cast<u64>(nombre); ++n)
            if (premier_par_division(n)) premiers.push_back(n), ++trouves;
    const Facteurs grands = {8589934583u, 1099511627689u, 1000000000000037u, (u64{1} << 61) - 1,
                             4611686018427387847u, 9223372036854775783u, 18446744073709551557u};
    for (u64 g : grands) EXPECT_TRUE(est_premier(g)) << g;
    premiers.insert(premiers.end(), grands.begin(), grands.end());
    std::sort(premiers.begin(), premiers.end());
    for (std::size_t i = 0; i < premiers.size(); ++i) {
        u128 puissance = 1;
        for (Facteurs attendus; (puissance *= premiers[i]) <= ~u64{0};) {
            attendus.push_back(premiers[i]);
            EXPECT_EQ(facteurs_premiers(static_cast<u64>(puissance)), attendus);
        }
        for (std::size_t j = i; j < premiers.size(); ++j)
            for (std::size_t k = j; k < premiers.size(); ++k) {
                const u128 n2 = static_cast<u128>(premiers[i]) * premiers[j], n3 = n2 * premiers[k];
                if (n2 > ~u64{0}) break;
                EXPECT_EQ(facteurs_premiers(static_cast<u64>(n2)), Facteurs({premiers[i], premiers[j]}));
                EXPECT_TRUE(n3 > ~u64{0} ||
                            facteurs_premiers(static_cast<u64>(n3)) == Facteurs({premiers[i], premiers[j], premiers[k]}))
                    << static_cast<u64>(n3);
            }
    }
}

TEST(Factorisation, RandomBalancedSemiprimes) {
    // Two random primes in [2^31, 2^32), far apart or close: the products,
    // from 2^62 to 2^64, go to Fermat's steps or to the curves.
    std::printf("seed 0x5E31\n");
    std::mt19937_64 alea(0x5E31);
    const auto premier_au_hasard = [&] {
        u64 p = (u64{1} << 31) + (alea() >> 33);
        while (!premier_par_division(p)) ++p;
        return p;
    };
    for (int cas = 0; cas < 300; ++cas) {
        const u64 p = premier_au_hasard();
        const u64 q = cas % 3 == 0 ? p + 2 + 2 * (alea() % 200000) : premier_au_hasard();
        if (!premier_par_division(q) || p == q || static_cast<u128>(p) * q > ~u64{0}) continue;
        ASSERT_EQ(facteurs_premiers(p * q), Facteurs({std::min(p, q), std::max(p, q)})) << p << " " << q;
    }
}

TEST(Factorisation, NumbersThatFoolWeakerTests) {
    // Carmichael numbers, strong pseudoprimes to the first prime bases, and
    // factors on both sides of the trial bound.
    const std::pair<u64, Facteurs> table[] = {
        {561, {3, 11, 17}},
        {9746347772161u, {7, 11, 13, 17, 19, 31, 37, 41, 641}},
        {3215031751u, {151, 751, 28351}},
        {341550071728321u, {10670053, 32010157}},
        {3825123056546413051u, {149491, 747451, 34233211}},
        {9223372036854775807u, {7, 7, 73, 127, 337, 92737, 649657}},
        {18446744073709551615u, {3, 5, 17, 257, 641, 65537, 6700417}},
        {997 * 1000000000000037u, {997, 1000000000000037u}},
        {1009 * 1000000000000037u, {1009, 1000000000000037u}},
        {2 * 9223372036854775783u, {2, 9223372036854775783u}}};
    for (const auto& [n, f] : table) EXPECT_TRUE(facteurs_premiers(n) == f && !est_premier(n)) << n;
}

}  // namespace
