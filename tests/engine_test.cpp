// The fast engine, with its own choices and with each of its methods alone,
// against the pattern walk that defines the results: the same bytes printed,
// counts included. The quick sweep takes random targets; the slow one (label
// slow) every N up to 2000 with the target N, and the reference program's
// count for 720.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "engine/factorisation.h"
#include "engine/wide.h"
#include "support/oracle.h"
#include "support/process.h"

using namespace taverlune;

namespace {

using namespace essai;

/// Divisors of n at most `cible`: the walk scans up to 2^that patterns.
auto au_plus(Integer n, Integer cible) { return std::ranges::count_if(propres(n), [&](Integer d) { return d <= cible; }); }

TEST(EngineAgainstWalk, RandomTargetsAndEdges) {
    std::mt19937_64 alea(20261206);  // a fixed seed: a failure replays
    for (int compares = 0; compares < 250;) {
        const Integer n = static_cast<Integer>(alea() % 3000) + 1;
        const Integer cible = static_cast<Integer>(alea() % static_cast<std::uint64_t>(3 * n)) + 1;
        if (cible == n || au_plus(n, cible) > 20) continue;
        for (const bool lister : {false, true}) ASSERT_EQ(ecart_au_parcours(n, cible, true, lister), "");
        ++compares;
    }
    // The smallest walks, targets typed past 2^63 - 1, a divisor as target.
    for (const auto& [n, cible] : {std::pair<Integer, Integer>{4, 2}, {12, 6}, {12, 7}, {12, -1}, {720, 100}, {70, 70},
                                   {INT64_MIN, INT64_MIN}}) {
        ASSERT_EQ(ecart_au_parcours(n, cible, cible != n, true), "");
    }
}

// N = a p^e with p the largest prime that keeps N below 2^63: the groups
// of divisors of one power of p, and sums near 2^63.
TEST(EngineAgainstWalk, TargetsFarBeyondTheTables) {
    for (const auto& [a, e] : {std::pair<Integer, int>{12, 1}, {60, 1}, {6, 2}, {4, 2}, {6, 3}}) {
        std::uint64_t p = static_cast<std::uint64_t>(std::pow(static_cast<double>(INT64_MAX / a), 1.0 / e));
        const auto fois = [&](std::uint64_t q) {
            u128 v = static_cast<std::uint64_t>(a);
            for (int x = 0; x < e; ++x) v *= q;
            return v;
        };
        while (fois(p) > static_cast<std::uint64_t>(INT64_MAX) || !est_premier(p)) --p;
        const Integer n = static_cast<Integer>(fois(p)), pe = n / a;
        for (const Integer cible : {n / 2 + 1, n / 3 * 2 + 7, n / static_cast<Integer>(p) * 5 + 3, 3 + 3 * pe, n - pe}) {
            for (const bool lister : {false, true}) ASSERT_EQ(ecart_au_parcours(n, cible, true, lister), "");
        }
        ASSERT_EQ(ecart_au_parcours(n, n, false, false), "");
    }
    // A group of one divisor: 3 p, the target 1 + p.
    ASSERT_EQ(ecart_au_parcours(9223372036854775797, 3074457345618258600, true, false), "");
}

TEST(EngineAgainstWalkSlow, EveryNUpTo2000WithTheTargetN) {
    for (Integer n = 1; n <= 2000; ++n) {
        if (au_plus(n, n) > 24) continue;
        for (const bool lister : {false, true}) ASSERT_EQ(ecart_au_parcours(n, n, false, lister), "");
    }
}

TEST(EngineAgainstWalkSlow, TheReferenceProgramCounts720) {
    const Echange s = session({echange(720, false)});
    const Execution e = lancer(programme_reference(), s.reponses, 900.0);
    verifier_fin_normale(e);
    EXPECT_TRUE(meme_sortie(e.sortie, s.sortie));
}

}  // namespace
