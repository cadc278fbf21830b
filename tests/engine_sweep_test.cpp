// The fast engine against the pattern walk that defines the results, for
// every number up to 2000 whose walk ends in about a second: the same bytes
// printed and the same counts, with and without the listing; and the
// reference program's count for 720 (2^29 patterns). Slow: a minute or more.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "state/state.h"
#include "support/process.h"
#include "support/stages.h"
#include "support/texts.h"

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

TEST(ReferenceWalk, Counts720) {
    const essai::Echange s = essai::session({essai::echange(720, false)});
    const essai::Execution reference = essai::lancer(essai::programme_reference(), s.reponses, 900.0);
    essai::verifier_fin_normale(reference);
    EXPECT_TRUE(essai::meme_sortie(reference.sortie, s.sortie));
}
