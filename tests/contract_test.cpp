// The engine's contract with a program of someone else's: every misuse an
// error with a message, never a wrong count or an abort; what a callback
// throws leaves the call in the caller's thread, every thread joined.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <taverlune/engine.h>

using namespace taverlune;

namespace {

Probleme P(std::vector<std::int64_t> e, std::int64_t cible, std::int64_t N = 0, std::vector<PuissancePremiere> f = {}) {
    return {std::move(e), cible, N, std::move(f)};
}

TEST(Contract, EveryMisuseIsAnErrorAndEveryGoodUseItsCount) {
    struct Row {
        Probleme p;
        const char* erreur;  ///< a piece of the message, or nullptr: the count below
        int total = 0;
    };
    const Row rows[] = {
        {P({6, 1, 2, 3, 4}, 6), "ascending"},
        {P({1, 2, 2, 3}, 5), "distinct"},
        {P({0, 1, 2}, 3), "positive"},
        {P({-1, 1, 2}, 2), "positive"},
        {P({1, 2, 3, 4, 6}, 12, 12, {{2, 1}, {3, 1}}), "not that of N = 12"},
        {P({1, 3, 4}, 7, 12, {{3, 1}, {4, 1}}), "primes ascending"},
        {P({1, 3, 4}, 7, 12, {{4, 1}, {3, 1}}), "primes ascending"},
        {P({1, 2, 3}, 12, 12, {}), "the divisors of N = 12"},
        {P({1, 2, 3, 4, 6}, 12, 0, {{2, 2}, {3, 1}}), "factorisation"},
        {P({1, 2, 3, 4, 6}, 12, -12, {}), "N = -12"},
        // Good uses: N alone is factorised by the engine; targets below 1 have no set.
        {P({1, 2, 3, 4, 6}, 12, 12, {}), nullptr, 2},
        {P({1, 2, 3, 4, 6}, 12, 12, {{2, 2}, {3, 1}}), nullptr, 2},
        {P({1, 2, 3, 4}, 4, 12, {}), nullptr, 2},
        {P({1, 2, 3}, 0), nullptr, 0},
        {P({1, 2, 3}, -5), nullptr, 0},
        {P({}, 5), nullptr, 0},
        {P({3, 1000000000000, 1000000000003}, 1000000000003), nullptr, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.erreur != nullptr ? r.erreur : std::to_string(r.total));
        for (const Mesure mesure : {Mesure::total, Mesure::distribution}) {
            try {
                const Resultat res = compter(r.p, {}, {}, mesure);
                EXPECT_EQ(r.erreur, nullptr);
                EXPECT_EQ(res.total.decimal(), std::to_string(r.total));
            } catch (const std::invalid_argument& e) {
                ASSERT_NE(r.erreur, nullptr) << e.what();
                EXPECT_NE(std::string(e.what()).find(r.erreur), std::string::npos) << e.what();
            }
            // The estimate refuses what the count refuses.
            try {
                const double secondes = estimer(r.p, {}, mesure);
                EXPECT_EQ(r.erreur, nullptr);
                EXPECT_TRUE(secondes >= 0 && secondes < 1) << secondes;
            } catch (const std::invalid_argument& e) {
                EXPECT_NE(r.erreur, nullptr) << e.what();
            }
        }
    }
}

TEST(Contract, AStopAskedInEachPhaseEndsTheCall) {
    // Each method alone, and the listing, on a count it takes a while over:
    // the callback answers false at its first call, and the call returns
    // unfinished. (A machine fast enough to end before the first call
    // leaves nothing to check.)
    struct Row {
        const char* phase;
        Probleme p;
        bool table, sommes, structure, points, restes;
        Mesure mesure = Mesure::distribution;
        bool liste = false;
    };
    const Row rows[] = {
        {"the table", probleme_de(332640, 332640), true, false, false, false, false},
        {"the sums alone", probleme_de(720720, 720720), false, true, false, false, false, Mesure::total},
        {"the split by number of terms", probleme_de(720720, 720720), false, false, true, false, false},
        {"the split at values", probleme_de(720720, 720720), false, false, true, true, false},
        {"the counts at values", probleme_de(332640, 332640), false, false, false, true, false},
        {"remembered remainders", probleme_de(9223365914615342490, 9223365914615342490), false, false, false, false,
         true, Mesure::total},
        {"counting by listing", probleme_de(963761198400, 963761198400), false, false, false, false, false},
        {"an endless listing", probleme_de(1081080, 1081080), true, true, true, true, true, Mesure::total, true},
    };
    struct Rien : Puits {
        void ecrire(std::string_view) override {}
    } rien;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.phase);
        Reglages g;
        g.par_table = r.table, g.par_sommes = r.sommes, g.par_decoupe = r.structure, g.aux_points = r.points;
        g.par_restes_retenus = r.restes;
        int appels = 0;
        Rappels rappels;
        rappels.progres = [&](double, std::optional<std::uint64_t>) { return ++appels > 1 && false; };
        const Resultat res = r.liste ? lister(r.p, rien, Forme{}, g, rappels) : compter(r.p, g, rappels, r.mesure);
        EXPECT_TRUE(appels == 0 || !res.complet) << appels << " calls";
        EXPECT_LE(appels, 1);
    }
    // A table over a range, stopped while it waits for its first line.
    for (const unsigned fils : {1u, 2u}) {
        Table table(21621600, 21621601, 0, {fils, false});
        int attentes = 0;
        const std::optional<Table::Ligne> l = table.suivante([&] { return ++attentes > 1 && false; });
        EXPECT_TRUE(attentes == 0 || !l) << fils << " threads";
    }
}

TEST(Threads, ACallbackThatThrowsStopsTheCountWithEveryThreadJoined) {
    // A count of many passes on two threads; the progress callback throws
    // at its second call, a listing's sink at its third solution.
    struct Jete {};
    Reglages r;
    r.fils = 2;
    int appels = 0;
    Rappels rappels;
    rappels.progres = [&](double, std::optional<std::uint64_t>) -> bool {
        if (++appels == 2) throw Jete{};
        return true;
    };
    EXPECT_THROW(compter(probleme_de(720720, 720720), r, rappels), Jete);
    struct Puits3 : Puits {
        int n = 0;
        void ecrire(std::string_view) override {
            if (++n == 3) throw Jete{};
        }
    } puits;
    EXPECT_THROW(lister(probleme_de(720, 720), puits, Forme{"", " ", "\n", true}, r), Jete);
}

}  // namespace
