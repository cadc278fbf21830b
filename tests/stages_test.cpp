// The stages of a calculation on the program-wide state, for what the whole
// program's output cannot show: the prime table and its length, the
// factorisation and divisor lists with their lengths, the walk's step and stop,
// the lists left by the report, and exact counts across 64-bit words.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "divisors/divisors.h"
#include "divisors/large_factor.h"
#include "search/search.h"
#include "state/state.h"
#include "support/stages.h"

namespace {

/// Every test starts from the state of a freshly started program.
class Stages : public testing::Test {
protected:
    void SetUp() override { essai::etat_de_depart(); }
    void TearDown() override { reset_to_startup(); }

    static void factoriser(Integer n) {
        N = S = S1 = n;
        i = 1;
        A = decomp();
    }
};

std::vector<Integer> en_usage(const Liste& l, Integer nombre) {
    return std::vector<Integer>(l.begin() + 1, l.begin() + 1 + nombre);
}

// ---- Prime table ------------------------------------------------------------------

using PrimeTable = Stages;

TEST_F(PrimeTable, GrowsOnePrimeACallAsFactorisingNeedsAndIsKept) {
    i = 1;
    A = Suiv();
    EXPECT_EQ(Nprem, (Liste{0, 2, 3, 5}));
    EXPECT_EQ(np, 3);
    EXPECT_EQ(i, 1);
    factoriser(97);
    EXPECT_EQ(Nprem, (Liste{0, 2, 3, 5, 7, 11}));
    for (Integer n : {35, 720, 12, 1}) {
        factoriser(n);
        EXPECT_EQ(np, 5) << n;
    }
    factoriser(169);  // 13 x 13: one more prime
    EXPECT_EQ(np, 6);
    EXPECT_EQ(Nprem[6], 13);
}

TEST_F(PrimeTable, FactorisingTheLargestIntegerNeedsEveryPrimeUpTo1009ThenGrowsPastTheSieve) {
    factoriser(INT64_MAX);
    ASSERT_EQ(np, 169);  // the trial primes below 1000, and 1009, where other methods take over
    ASSERT_EQ(Nprem[np], 1009);
    while (Nprem[np] < 5000) A = Suiv();  // beyond the sieve, by trial division
    ASSERT_EQ(Nprem.size(), static_cast<std::size_t>(np) + 1);
    EXPECT_EQ(Nprem[0], 0);
    EXPECT_EQ(i, 1);
    std::vector<Integer> premiers;
    for (Integer n = 2; n <= Nprem[np]; ++n)
        if (est_premier(static_cast<std::uint64_t>(n))) premiers.push_back(n);
    EXPECT_EQ(en_usage(Nprem, np), premiers);
}

// ---- Factorisation and divisor list ------------------------------------------------------

using Factorisation = Stages;

TEST_F(Factorisation, Table) {
    const struct {
        Integer n;
        std::vector<Integer> facteurs, exposants;
        Integer s1;        ///< S1 on return
        Integer np_apres;  ///< primes in the table afterwards, from 2 and 3
    } rows[] = {
        {1, {}, {}, 1, 2},
        {4, {2}, {2}, 4, 2},
        {12, {2, 3}, {2, 1}, 3, 2},
        {18, {2, 3}, {1, 2}, 18, 2},
        {97, {97}, {1}, 97, 5},
        {720, {2, 3, 5}, {4, 2, 1}, 5, 3},
        {INT64_MAX, {7, 73, 127, 337, 92737, 649657}, {2, 1, 1, 1, 1, 1}, 649657, 169},
        // Beyond the trial primes: S1 as trial division would leave it.
        {1018081, {1009}, {2}, 1018081, 169},
        {9000000168000000703, {3000000019, 3000000037}, {1, 1}, 3000000037, 169},
        {9223372036854775783, {9223372036854775783}, {1}, 9223372036854775783, 169},
        {-1, {-1}, {1}, -1, 2},
        {INT64_MIN, {INT64_MIN}, {1}, INT64_MIN, 2},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE("N = " + std::to_string(r.n));
        SetUp();
        factoriser(r.n);
        ASSERT_EQ(nf, static_cast<int>(r.facteurs.size()));
        EXPECT_EQ(en_usage(Nfact, nf), r.facteurs);
        EXPECT_EQ(en_usage(Nexpo, nf), r.exposants);
        EXPECT_EQ(Nfact.size(), static_cast<std::size_t>(nf) + 1);
        EXPECT_EQ(Nexpo.size(), static_cast<std::size_t>(nf) + 1);
        EXPECT_EQ(S, 1);
        EXPECT_EQ(S1, r.s1);
        EXPECT_EQ(np, r.np_apres);
    }
}

using DivisorList = Stages;

TEST_F(DivisorList, AgainstTrialDivisionAndPowers) {
    // 3^33 x 5: 67 divisors, some above 2^53, all exact.
    std::vector<Integer> puissances;
    Integer p = 1;
    for (int a = 0; a <= 33; ++a, p *= 3) {
        puissances.push_back(p);
        if (a < 33) puissances.push_back(p * 5);
    }
    std::sort(puissances.begin(), puissances.end());
    for (const Integer n : {1LL, 97LL, 12LL, 720LL, 1024LL, 27795302832777615LL}) {
        SCOPED_TRACE("N = " + std::to_string(n));
        SetUp();
        factoriser(n);
        liste_diviseurs();
        std::vector<Integer> attendus = puissances;
        if (n <= 1024) {
            attendus.clear();
            for (Integer d = 1; d < n; ++d)
                if (n % d == 0) attendus.push_back(d);
        }
        EXPECT_EQ(en_usage(Div, ND1), attendus);
        // From the start-up lengths: ND1 + 4 elements appended, nf + 4 to Prod.
        EXPECT_EQ(Div.size(), static_cast<std::size_t>(ND1) + 5);
        EXPECT_EQ(Term.size(), static_cast<std::size_t>(ND1) + 5);
        EXPECT_EQ(Term1.size(), static_cast<std::size_t>(ND1) + 5);
        EXPECT_EQ(Prod.size(), static_cast<std::size_t>(nf) + 5);
    }
    EXPECT_EQ(ND1, 67);
}

// ---- One step of the walk, and the lists after the report ------------------------------

/// Writes a pattern's value into flags 1..nd (flag 1 the most significant).
void motif(Liste& l, Integer nd, Integer valeur) {
    l.assign(static_cast<std::size_t>(nd) + 5, 0);
    for (Integer m = 1; m <= nd; ++m) l[m] = (valeur >> (nd - m)) & 1;
}

Integer valeur(const Liste& l, Integer nd) {
    Integer v = 0;
    for (Integer m = 1; m <= nd; ++m) v = 2 * v + l[m];
    return v;
}

using Step = Stages;

TEST_F(Step, CountsDownToTheStopPattern) {
    const struct {
        Integer nd, depart, arret, pas;
    } rows[] = {
        {5, 31, 3, 28},     // 12, target 12: 11111 down to 00011
        {5, 30, 1, 29},     // target 7
        {5, 28, 0, 28},     // target 6: the stop pattern is all 0
        {2, 3, 0, 3},       // 4, target 2
        {7, 127, 15, 112},  // 70, target 70
        {5, 0, 3, 1},       // no flag set: the walk ends, the pattern stays
    };
    for (const auto& r : rows) {
        SCOPED_TRACE("from " + std::to_string(r.depart) + " to " + std::to_string(r.arret));
        ND1 = r.nd;
        motif(Term, ND1, r.depart);
        motif(Term1, ND1, r.arret);
        K = 1;
        Integer pas = 0;
        while (K == 1 && pas <= r.pas) {
            const Integer avant = valeur(Term, ND1);
            A = suiv3();
            ++pas;
            EXPECT_EQ(valeur(Term, ND1), avant == 0 ? 0 : avant - 1);
            EXPECT_EQ(K, avant == 0 || valeur(Term, ND1) == r.arret ? 0 : 1);
        }
        EXPECT_EQ(pas, r.pas);
        EXPECT_EQ(valeur(Term, ND1), r.depart == 0 ? 0 : r.arret);
    }
}

TEST(Report, LeavesEveryWorkingListAtItsStartUpLengthAndKeepsThePrimes) {
    const essai::Calcul c = essai::calculer(97 * 12, 7, true, false, true);
    ASSERT_EQ(c.total, "3");
    for (const Liste* l : {&Term, &Term1, &Ter, &Div, &Prod, &Nexpo, &Nfact}) EXPECT_EQ(*l, Liste{0});
    ASSERT_EQ(NS.size(), 1u);
    EXPECT_TRUE(NS[0].est_nul());
    EXPECT_EQ(Nprem, (Liste{0, 2, 3, 5, 7, 11}));
    reset_to_startup();
}

// ---- Exact counts -------------------------------------------------------------

TEST(ExactCount, CarriesAcross64And128BitsAndPrintsInDecimal) {
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    Compte c;
    EXPECT_TRUE(c.est_nul());
    EXPECT_EQ(c.decimal(), "0");
    c += max;
    EXPECT_EQ(c.decimal(), "18446744073709551615");
    Compte d = c;
    d += c;
    EXPECT_EQ(d.decimal(), "36893488147419103230");  // 2^65 - 2
    c += 1;
    EXPECT_EQ(c.decimal(), "18446744073709551616");
    EXPECT_EQ(c.mots, (std::vector<std::uint64_t>{0, 1}));
    Compte f;
    f.mots = {max, max};
    f += 1;
    EXPECT_EQ(f.decimal(), "340282366920938463463374607431768211456");  // 2^128
    EXPECT_EQ(f.mots, (std::vector<std::uint64_t>{0, 0, 1}));
    // 10^20 + 7: zeros inside the digits of a word.
    Compte g, h;
    h += 10000000000000000000u;
    for (int fois = 0; fois < 10; ++fois) g += h;
    g += 7;
    EXPECT_EQ(g.decimal(), "100000000000000000007");
}

TEST(ExactCount, ProductsAreExact) {
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    Compte a64, zero;
    a64 += max;
    EXPECT_TRUE((a64 * zero).est_nul());
    // (2^64 - 1)^2 = 2^128 - 2^65 + 1
    EXPECT_EQ((a64 * a64).decimal(), "340282366920938463426481119284349108225");
    // 10^19 squared, then by 10^19 + 7: carries through three words.
    Compte dix19, dix19_7;
    dix19 += 10000000000000000000u;
    dix19_7 += 10000000000000000007u;
    EXPECT_EQ((dix19 * dix19 * dix19_7).decimal(),
              "1000000000000000000700000000000000000000000000000000000000");
}

}  // namespace
