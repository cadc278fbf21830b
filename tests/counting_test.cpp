// The exact subset counter: against a brute force over every subset, against
// known counts, against independent big-number computations, and its memory
// limit and progress reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "search/counting.h"
#include "state/state.h"

namespace {

using Elements = std::vector<std::int64_t>;

Elements diviseurs_propres(std::int64_t n) {
    Elements d;
    for (std::int64_t x = 1; x < n; ++x)
        if (n % x == 0) d.push_back(x);
    return d;
}

Elements intervalle(std::int64_t n) {  // 1..n
    Elements d(static_cast<std::size_t>(n));
    std::iota(d.begin(), d.end(), 1);
    return d;
}

constexpr std::size_t beaucoup = std::size_t{1} << 31;  // 2 GiB: always enough here

/// The counter, which must succeed.
std::vector<Compte> compter(const Elements& d, std::int64_t T) {
    std::vector<Compte> r;
    EXPECT_TRUE(compter_sous_ensembles(d.data(), d.size(), T, beaucoup, r)) << "T = " << T;
    EXPECT_EQ(r.size(), d.size() + 1);
    return r;
}

/// Every subset of d (n <= 20): for each target of `cibles`, the count by
/// number of terms.
std::map<std::int64_t, std::vector<std::uint64_t>> force_brute(const Elements& d,
                                                                const std::set<std::int64_t>& cibles) {
    const std::size_t n = d.size();
    std::map<std::int64_t, std::vector<std::uint64_t>> r;
    for (std::int64_t c : cibles) r[c].assign(n + 1, 0);
    std::vector<std::int64_t> somme(std::size_t{1} << n, 0);
    for (std::size_t masque = 0; masque < somme.size(); ++masque) {
        if (masque != 0)
            somme[masque] = somme[masque & (masque - 1)] +
                            d[static_cast<std::size_t>(__builtin_ctzll(masque))];
        auto it = r.find(somme[masque]);
        if (it != r.end()) ++it->second[static_cast<std::size_t>(__builtin_popcountll(masque))];
    }
    return r;
}

void comparer_a_la_force_brute(const Elements& d, const std::set<std::int64_t>& cibles) {
    SCOPED_TRACE("d = " + testing::PrintToString(d));
    const auto attendu = force_brute(d, cibles);
    for (const auto& [T, par_m] : attendu) {
        SCOPED_TRACE("T = " + std::to_string(T));
        const std::vector<Compte> r = compter(d, T);
        if (r.size() != par_m.size()) continue;
        for (std::size_t m = 0; m < par_m.size(); ++m)
            EXPECT_EQ(r[m].decimal(), std::to_string(par_m[m])) << "m = " << m;
    }
}

std::int64_t somme_de(const Elements& d) { return std::accumulate(d.begin(), d.end(), std::int64_t{0}); }

// ---- Known counts ------------------------------------------------------------------

struct Connu {
    std::int64_t N;       ///< the elements are the proper divisors of N
    std::int64_t T;       ///< the target
    std::string total;    ///< the count over every number of terms
    std::size_t m_max;    ///< the largest number of terms with a nonzero count
    std::vector<std::pair<std::size_t, std::uint64_t>> par_m;  ///< some counts by m
};

const Connu connus[] = {
    {720, 720, "676327", 23, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 5}, {5, 31}, {6, 203}, {7, 994}}},
    {360, 360, "22208", 19, {}},
    {12, 12, "2", 4, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 0}}},
    {6, 6, "1", 3, {{3, 1}}},   // 1 + 2 + 3
    {28, 28, "1", 5, {{5, 1}}},  // perfect: all the proper divisors
};

TEST(CountingKnown, TableOfKnownCounts) {
    for (const Connu& c : connus) {
        SCOPED_TRACE("N = " + std::to_string(c.N) + ", T = " + std::to_string(c.T));
        const Elements d = diviseurs_propres(c.N);
        const std::vector<Compte> r = compter(d, c.T);
        Compte total;
        std::size_t dernier = 0;
        for (std::size_t m = 0; m < r.size(); ++m) {
            total += r[m];
            if (!r[m].est_nul()) dernier = m;
        }
        EXPECT_EQ(total.decimal(), c.total);
        EXPECT_EQ(dernier, c.m_max);
        for (const auto& [m, n] : c.par_m) EXPECT_EQ(r[m].decimal(), std::to_string(n)) << "m = " << m;
    }
}

// ---- Brute force ---------------------------------------------------------------------

TEST(CountingBruteForce, RandomSmallSets) {
    constexpr std::uint32_t graine = 20240917;
    std::printf("[ counting ] random sets, seed %u\n", graine);
    std::mt19937_64 gen(graine);
    const std::int64_t plages[] = {0, 3, 10, 40, 300, 2000};  // 0: values 1..n + 3
    for (int cas = 0; cas < 400; ++cas) {
        // Mostly small sets, a few with up to 20 elements.
        const std::size_t n = cas < 380 ? gen() % 15 : 15 + gen() % 6;
        const std::int64_t plage_choisie = plages[gen() % std::size(plages)];
        const std::int64_t facteur = static_cast<std::int64_t>(gen() % 2) + 1;
        const std::int64_t plage =
            std::max<std::int64_t>(static_cast<std::int64_t>(n) + 3, plage_choisie * facteur);
        std::set<std::int64_t> valeurs;
        while (valeurs.size() < n) valeurs.insert(1 + static_cast<std::int64_t>(gen() % plage));
        const Elements d(valeurs.begin(), valeurs.end());
        const std::int64_t total = somme_de(d);
        std::set<std::int64_t> cibles = {1, 2, total, total + 1, std::max<std::int64_t>(1, total / 2),
                                         std::max<std::int64_t>(1, total - 1)};
        if (!d.empty()) {
            cibles.insert(d.back());
            cibles.insert(d.front() + d.back());
            cibles.insert(std::max<std::int64_t>(1, total - d.front()));
        }
        for (int i = 0; i < 6; ++i) cibles.insert(1 + static_cast<std::int64_t>(gen() % (total + 2)));
        comparer_a_la_force_brute(d, cibles);
        if (HasFailure()) {
            std::printf("[ counting ] first failure at case %d\n", cas);
            return;
        }
    }
}

TEST(CountingBruteForce, ProperDivisorsUpTo300) {
    for (std::int64_t N = 2; N <= 300; ++N) {
        SCOPED_TRACE("N = " + std::to_string(N));
        const Elements d = diviseurs_propres(N);
        const std::int64_t total = somme_de(d);
        std::set<std::int64_t> cibles;
        if (N <= 60) {
            for (std::int64_t T = 1; T <= total + 1; ++T) cibles.insert(T);
        } else {
            cibles = {1, 2, N - 1, N, N + 1, N / 2, 2 * N, total / 2, total - N, total - 1, total, total + 1};
            for (std::int64_t T = 3; T <= total; T += 37) cibles.insert(T);
            cibles.erase(cibles.begin(), cibles.lower_bound(1));
        }
        comparer_a_la_force_brute(d, cibles);
        if (HasFailure()) return;
    }
}

// ---- Large counts, against independent computations ----------------------------------

/// C(n, m) for every m, exactly.
std::vector<Compte> binomiaux(std::size_t n) {
    std::vector<Compte> ligne(1);
    ligne[0] += 1;
    for (std::size_t i = 1; i <= n; ++i) {
        std::vector<Compte> suivante(i + 1);
        for (std::size_t m = 0; m <= i; ++m) {
            if (m < i) suivante[m] += ligne[m];
            if (m > 0) suivante[m] += ligne[m - 1];
        }
        ligne = std::move(suivante);
    }
    return ligne;
}

TEST(CountingLarge, EveryTargetAddsUpToAllSubsets) {
    // Over every target, the subsets of n elements with m terms are all
    // counted once: C(n, m), 2^n - 1 in all (the empty set has sum 0).
    const struct {
        Elements d;
        const char* nom;
    } cas[] = {{intervalle(66), "1..66"}, {diviseurs_propres(720), "divisors of 720"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        const std::size_t n = c.d.size();
        const std::int64_t total = somme_de(c.d);
        std::vector<Compte> par_m(n + 1);
        for (std::int64_t T = 1; T <= total; ++T) {
            const std::vector<Compte> r = compter(c.d, T);
            if (r.size() != n + 1) return;
            for (std::size_t m = 0; m <= n; ++m) par_m[m] += r[m];
        }
        std::vector<Compte> attendu = binomiaux(n);
        attendu[0] = Compte{};  // the empty set, sum 0, is never a target here
        Compte tous;
        for (std::size_t m = 0; m <= n; ++m) {
            EXPECT_EQ(par_m[m].decimal(), attendu[m].decimal()) << "m = " << m;
            tous += par_m[m];
        }
        if (n == 66) {
            EXPECT_EQ(tous.decimal(), "73786976294838206463");  // 2^66 - 1
        }
    }
}

// ---- Edges ---------------------------------------------------------------------------

TEST(CountingEdges, ElementsAndTargetsAboveTheRest) {
    // A target above the sum counts nothing, even with no memory at all.
    const Elements d = diviseurs_propres(720);
    for (std::int64_t T : {somme_de(d) + 1, somme_de(d) + 1000, std::numeric_limits<std::int64_t>::max()}) {
        std::vector<Compte> r;
        ASSERT_TRUE(compter_sous_ensembles(d.data(), d.size(), T, 0, r)) << T;
        ASSERT_EQ(r.size(), d.size() + 1);
        for (const Compte& c : r) EXPECT_TRUE(c.est_nul());
    }
    std::vector<Compte> r;
    ASSERT_TRUE(compter_sous_ensembles(nullptr, 0, 5, 0, r));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_TRUE(r[0].est_nul());
    // Elements above the target are left out: 5 = 2 + 3, 6 = 1 + 2 + 3.
    const Elements e = {1, 2, 3, 10, 20, 1000000000000};
    for (const std::size_t T : {5, 6}) {
        const std::vector<Compte> c = compter(e, static_cast<std::int64_t>(T));
        for (std::size_t m = 0; m < c.size(); ++m) EXPECT_EQ(c[m].decimal(), m == T - 3 ? "1" : "0") << m;
    }
}

TEST(CountingEdges, HugeValuesNearTheComplement) {
    // The target is the sum less 3: the complement is {3}, a table of 4 rows.
    const std::int64_t a = 4'600'000'000'000'000'000;
    const Elements d = {3, a, a + 1};
    const std::vector<Compte> r = compter(d, 2 * a + 1);
    ASSERT_EQ(r.size(), 4u);
    for (std::size_t m = 0; m < r.size(); ++m) EXPECT_EQ(r[m].decimal(), m == 2 ? "1" : "0") << m;
    // Target a + 3: needs a table of about a rows.
    std::vector<Compte> r2 = {Compte{}};
    EXPECT_FALSE(compter_sous_ensembles(d.data(), d.size(), a + 3, beaucoup, r2));
    EXPECT_EQ(r2.size(), 1u);
    EXPECT_GT(octets_comptage(d.data(), d.size(), a + 3), beaucoup);
}

TEST(CountingEdges, RefusesWhenTheTableDoesNotFit) {
    const struct {
        Elements d;
        std::int64_t T;
    } cas[] = {{diviseurs_propres(720), 720}, {diviseurs_propres(10080), 10080}, {intervalle(91), 2093}};
    for (const auto& c : cas) {
        SCOPED_TRACE("T = " + std::to_string(c.T));
        const std::size_t besoin = octets_comptage(c.d.data(), c.d.size(), c.T);
        ASSERT_GT(besoin, 0u);
        Compte marque;
        marque += 12345;
        for (std::size_t limite : {std::size_t{0}, std::size_t{1}, besoin / 2, besoin - 1}) {
            std::vector<Compte> r(3, marque);
            EXPECT_FALSE(compter_sous_ensembles(c.d.data(), c.d.size(), c.T, limite, r)) << limite;
            ASSERT_EQ(r.size(), 3u);  // untouched
            for (const Compte& x : r) EXPECT_EQ(x, marque);
        }
        std::vector<Compte> r(3, marque);
        EXPECT_TRUE(compter_sous_ensembles(c.d.data(), c.d.size(), c.T, besoin, r));
        EXPECT_EQ(r.size(), c.d.size() + 1);
    }
    // 160000 elements: a table of 160001 rows of up to 566 cells would take
    // over 10 GB; refused before any pass over the table.
    const Elements d = intervalle(160000);
    std::vector<Compte> r;
    EXPECT_FALSE(compter_sous_ensembles(d.data(), d.size(), 160000, beaucoup, r));
    EXPECT_TRUE(r.empty());
    EXPECT_GT(octets_comptage(d.data(), d.size(), 160000), std::size_t{10} << 30);
}

TEST(CountingLarge, DistinctPartitions) {
    // The subsets of 1..n with sum n are the partitions of n into distinct
    // parts: q(n), by a plain knapsack over the sums alone.
    const struct {
        std::int64_t n;
        const char* q;  ///< known value, or nullptr
    } cas[] = {{100, "444793"}, {200, "487067746"}, {3000, nullptr}};
    for (const auto& c : cas) {
        SCOPED_TRACE("n = " + std::to_string(c.n));
        const std::size_t n = static_cast<std::size_t>(c.n);
        std::vector<Compte> q(n + 1);
        q[0] += 1;
        for (std::size_t x = 1; x <= n; ++x)
            for (std::size_t s = n; s >= x; --s)
                if (!q[s - x].est_nul()) q[s] += q[s - x];
        if (c.q != nullptr) {
            EXPECT_EQ(q[n].decimal(), c.q);
        }
        const Elements d = intervalle(c.n);
        Compte total;
        for (const Compte& x : compter(d, c.n)) total += x;
        EXPECT_EQ(total.decimal(), q[n].decimal());
        if (c.n == 3000) {
            // Three words (q(3000) > 2^128), below the partition bound's four.
            EXPECT_EQ(comptage_detail::mots_par_cellule(d.data(), d.size(), c.n), 3u);
            EXPECT_GE(total.mots.size(), 2u);
        }
    }
}

TEST(CountingLarge, RowsOfOneTermCountNearTheWordLimit) {
    // 1000..1079 to 41580: near the target each row holds one number of
    // terms (40), so the row bounds are tight, and its counts pass 2^64
    // during the sweep. The chosen widths must agree with all words forced.
    Elements d;
    for (std::int64_t x = 1000; x < 1080; ++x) d.push_back(x);
    for (std::int64_t T : {41580, 41500, 41700}) {
        SCOPED_TRACE("T = " + std::to_string(T));
        const std::vector<Compte> r = compter(d, T);
        ASSERT_EQ(r.size(), d.size() + 1);
        EXPECT_GE(r[40].mots.size(), 2u) << r[40].decimal();
        for (std::size_t m = 0; m < r.size(); ++m) {
            if (m != 40) {
                EXPECT_TRUE(r[m].est_nul()) << m;
            }
        }
        for (std::size_t mots : {2, 3}) {
            std::vector<Compte> force;
            ASSERT_TRUE(comptage_detail::compter_avec_largeur(d.data(), d.size(), T, beaucoup, mots, force));
            EXPECT_EQ(force, r) << mots;
        }
    }
}

TEST(CountingEdges, ForcedWidthsGiveTheSameCounts) {
    const struct {
        Elements d;
        std::int64_t T;
    } cas[] = {{diviseurs_propres(720), 720}, {diviseurs_propres(5040), 5040},
               {intervalle(91), 2093},         {intervalle(40), 300},
               {diviseurs_propres(360), 500}};
    for (const auto& c : cas) {
        SCOPED_TRACE("T = " + std::to_string(c.T));
        const std::vector<Compte> attendu = compter(c.d, c.T);
        const std::size_t minimum = comptage_detail::mots_par_cellule(c.d.data(), c.d.size(), c.T);
        for (std::size_t mots = 1; mots <= 7; ++mots) {
            std::vector<Compte> r;
            const bool ok =
                comptage_detail::compter_avec_largeur(c.d.data(), c.d.size(), c.T, beaucoup, mots, r);
            EXPECT_EQ(ok, mots >= minimum) << mots;
            if (ok) {
                EXPECT_EQ(r, attendu) << mots;
            }
        }
    }
}

// ---- Progress ------------------------------------------------------------------------

void noter(double part, void* parts) { static_cast<std::vector<double>*>(parts)->push_back(part); }

TEST(CountingProgress, ReportsGrowingSharesAndEndsAtOne) {
    // About ten million cell updates: two reports or more.
    const Elements d = diviseurs_propres(27720);
    std::vector<double> parts;
    std::vector<Compte> r;
    ASSERT_TRUE(compter_sous_ensembles(d.data(), d.size(), 27720, beaucoup, r, noter, &parts));
    EXPECT_EQ(r, compter(d, 27720));
    ASSERT_GE(parts.size(), 2u);
    EXPECT_LE(parts.size(), 100u);
    EXPECT_TRUE(std::is_sorted(parts.begin(), parts.end()));
    EXPECT_GE(parts.front(), 0.0);
    EXPECT_EQ(parts.back(), 1.0);

    std::vector<double> aucune;
    const Elements d720 = diviseurs_propres(720);
    ASSERT_TRUE(compter_sous_ensembles(d720.data(), d720.size(), 720, beaucoup, r, noter, &aucune));
    EXPECT_TRUE(aucune.empty());
}

}  // namespace
