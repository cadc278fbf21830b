// The fast engine against the pattern walk that defines the results, for
// every number up to 2000 whose walk ends in about a second: the same bytes
// printed and the same counts, with and without the listing. Slow: about a
// minute.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "state/state.h"
#include "support/stages.h"

namespace {

using essai::diviseurs_propres;


// The walk scans at most 2^ND1 patterns: up to 24 divisors it ends in about
// a second.
constexpr Integer divisors_for_the_walk = 24;

}  // namespace

TEST(EngineAgainstWalk, EveryNumberUpTo2000WithTheTargetN) {
    int compares = 0;
    for (Integer n = 1; n <= 2000; ++n) {
        Integer nombre = 0, somme = 0;
        diviseurs_propres(n, nombre, somme);
        if (nombre > divisors_for_the_walk) continue;
        SCOPED_TRACE("N = " + std::to_string(n));
        ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n, false, false));
        ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n, false, true));
        ++compares;
    }
    std::printf("numbers compared: %d\n", compares);
}
