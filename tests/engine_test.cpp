// The fast engine against the pattern walk that defines the results: the same
// bytes printed and the same counts, for every number up to 2000 whose walk
// is short enough, for many chosen targets, with and without the listing.
// Beyond the walk's reach, counting and listing check each other.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "divisors/large_factor.h"
#include "search/search.h"
#include "state/state.h"
#include "support/stages.h"

namespace {

using essai::Calcul;
using essai::calculer;
using essai::diviseurs_propres;

}  // namespace

TEST(EngineAgainstWalk, ChosenTargets) {
    // Fixed seed, printed so that a failure can be replayed.
    const unsigned graine = 20261206;
    std::printf("seed %u\n", graine);
    std::mt19937_64 alea(graine);
    int compares = 0;
    while (compares < 1500) {
        const Integer n = static_cast<Integer>(alea() % 3000) + 1;
        Integer nombre = 0, somme = 0;
        diviseurs_propres(n, nombre, somme);
        // A target at most the sum of the divisors (most of them), or past it.
        const Integer cible = static_cast<Integer>(alea() % static_cast<std::uint64_t>(somme + 3)) + 1;
        if (cible == n) continue;
        Integer prenant_part = 0;
        for (Integer d = 1; d < n; ++d)
            if (n % d == 0 && d <= cible) ++prenant_part;
        if (prenant_part > 22) continue;  // keeps the walk short
        SCOPED_TRACE("N = " + std::to_string(n) + ", S = " + std::to_string(cible));
        ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, cible, true, false));
        ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, cible, true, true));
        ++compares;
    }
}

TEST(EngineAgainstWalk, SmallestWalksAndWrappedTargets) {
    ASSERT_TRUE(essai::meme_resultat_que_le_parcours(4, 2, true, true));
    ASSERT_TRUE(essai::meme_resultat_que_le_parcours(12, 6, true, true));
    ASSERT_TRUE(essai::meme_resultat_que_le_parcours(12, 7, true, true));
    ASSERT_TRUE(essai::meme_resultat_que_le_parcours(70, 70, false, true));
    ASSERT_TRUE(essai::meme_resultat_que_le_parcours(12, -1, true, true));
    ASSERT_TRUE(essai::meme_resultat_que_le_parcours(-9223372036854775807 - 1, -9223372036854775807 - 1, false, true));
    ASSERT_TRUE(essai::meme_resultat_que_le_parcours(720, 100, true, true));
}

// Targets far too large for the tables: N = a p^e with a large prime p. The
// divisors then split into groups that the search treats one by one, and
// sums come near 2^63.
TEST(EngineAgainstWalk, TargetsBeyondTheTables) {
    struct Row {
        Integer a;
        int e;
    };
    for (const Row r : {Row{12, 1}, Row{30, 1}, Row{60, 1}, Row{6, 2}, Row{4, 2}, Row{6, 3}}) {
        // The largest prime p with a p^e below 2^63.
        std::uint64_t p = static_cast<std::uint64_t>(std::pow(static_cast<double>(INT64_MAX / r.a), 1.0 / r.e));
        auto puissance = [&](std::uint64_t q) {
            __extension__ unsigned __int128 v = static_cast<std::uint64_t>(r.a);
            for (int x = 0; x < r.e; ++x) v *= q;
            return v;
        };
        while (puissance(p) > static_cast<std::uint64_t>(INT64_MAX) || !est_premier(p)) --p;
        const Integer n = static_cast<Integer>(puissance(p));
        SCOPED_TRACE("N = " + std::to_string(n));
        for (const bool lister : {false, true}) {
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n, false, lister));
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n / 2 + 1, true, lister));
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n / 3 * 2 + 7, true, lister));
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n / static_cast<Integer>(p) * 5 + 3, true, lister));
            // 1 + 2 (or 3) and p^e + 2 p^e (or 3 p^e): the groups' counts multiply.
            const Integer pe = n / r.a;
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, 3 + 3 * pe, true, lister));
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n - pe, true, lister));
        }
    }
}

// Every method of the engine, each made to serve alone by taking the tables
// away from it, against the walk.
TEST(EngineAgainstWalk, EachMethodAlone) {
    struct Methode {
        const char* nom;
        std::size_t comptage, sommes;
        bool memorise;
    };
    const Methode methodes[] = {
        {"remembered remainders", 0, std::size_t{1} << 28, true},
        {"search without tables", 0, 0, false},
    };
    // The engine's own bounds come back whatever happens.
    struct Reglages {
        std::size_t comptage = octets_comptage_max, sommes = octets_sommes_max;
        bool memorise = comptage_memorise;
        ~Reglages() {
            octets_comptage_max = comptage;
            octets_sommes_max = sommes;
            comptage_memorise = memorise;
        }
    } const reglages;
    for (const Methode& methode : methodes) {
        SCOPED_TRACE(methode.nom);
        octets_comptage_max = methode.comptage;
        octets_sommes_max = methode.sommes;
        comptage_memorise = methode.memorise;
        for (Integer n = 2; n <= 1500; ++n) {
            Integer nombre = 0, somme = 0;
            diviseurs_propres(n, nombre, somme);
            if (nombre > 20 || somme <= n) continue;
            SCOPED_TRACE("N = " + std::to_string(n));
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n, false, false));
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, n, false, true));
            ASSERT_TRUE(essai::meme_resultat_que_le_parcours(n, somme - n / 2, true, false));
        }
    }
}

TEST(CountingAgainstListing, EveryNumberUpTo2000) {
    int compares = 0;
    for (Integer n = 2; n <= 2000; ++n) {
        SCOPED_TRACE("N = " + std::to_string(n));
        const Calcul compte = calculer(n, n, false, false, false);
        if (!compte.recherche) continue;         // settled without a search
        if (compte.total.size() > 7) continue;  // ten million solutions or more
        const Calcul liste = calculer(n, n, false, true, false);
        ASSERT_EQ(liste.total, compte.total);
        ASSERT_EQ(liste.par_termes, compte.par_termes);
        // Every solution listed is one of the count.
        std::size_t listees = 0;
        for (std::size_t p = liste.sortie.find(" \n  \t  "); p != std::string::npos;
             p = liste.sortie.find(" \n  \t  ", p + 1))
            ++listees;
        ASSERT_EQ(std::to_string(listees / 2), compte.total);
        ++compares;
    }
    std::printf("numbers compared: %d\n", compares);
}
