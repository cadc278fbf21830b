// Whole calculations through a pipe, byte for byte: the divisor listing, the
// quick outcomes, the solutions and the report, for small numbers, for the
// largest values the input takes and for wrapped answers; the expected
// solutions come from a brute force over the subsets, itself pinned to known
// counts.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/oracle.h"

namespace {

using namespace essai;

struct Cas {
    const char* nom;
    Integer n;
    bool toutes;                ///< every solution printed
    std::optional<Integer> s;   ///< the chosen target
    std::string issue;          ///< the count of solutions, "convient" or "aucune"
    std::string tape_n = "", tape_s = "";  ///< the answers as typed, when they wrap
};

void verifier_calcul(const Cas& c) {
    SCOPED_TRACE(c.nom);
    const Echange e = echange(c.n, c.toutes, c.s, c.tape_n, c.tape_s);
    const std::string trace = c.issue == "convient" ? "  convient. \n "
                              : c.issue == "aucune" ? "Il n'y a aucune solution."
                                                    : bilan(c.issue, std::to_string(c.s.value_or(c.n)));
    EXPECT_NE(e.sortie.find(trace), std::string::npos) << "the brute force finds another outcome";
    const Echange s = session({e});
    verifier(s.reponses, s.sortie);
}

TEST(OneCalculation, SmallNumbers) {
    const Cas cas[] = {
        {"12", 12, true, {}, "2"},           {"12 counted", 12, false, {}, "2"},
        {"12, S 10", 12, true, 10, "3"},     {"12, S 6", 12, true, 6, "3"},
        {"12, S 16", 12, true, 16, "convient"}, {"12, S 20", 12, true, 20, "aucune"},
        {"12, S 1", 12, true, 1, "convient"}, {"12, S 7", 12, true, 7, "3"},
        {"12, S 15", 12, true, 15, "1"},     {"24", 24, true, {}, "5"},
        {"20", 20, true, {}, "1"},           {"70", 70, true, {}, "0"},
        {"70 counted", 70, false, {}, "0"},  {"4, S 2", 4, true, 2, "1"},
        {"6", 6, true, {}, "convient"},      {"28", 28, true, {}, "convient"},
        {"13", 13, true, {}, "aucune"},      {"13, S 5", 13, true, 5, "aucune"},
        {"1", 1, true, {}, "aucune"},        {"10, S 9", 10, true, 9, "aucune"},
    };
    for (const Cas& c : cas) verifier_calcul(c);
}

// 12 x 999983 x 768627403057: its proper divisors add up to more than 2^63 - 1.
constexpr Integer grand_n = 9223372036693776372;
// 12 p, p = 500000000000000021 prime: the targets 10 p + 12 and 16 p + 27 are above 2^62.
constexpr Integer douze_p = 6000000000000000252;

TEST(OneCalculation, LargestAndWrappedValues) {
    const Cas cas[] = {
        {"2^63 - 1", INT64_MAX, true, {}, "aucune"},
        {"2^63 - 1, S 2^62", INT64_MAX, true, Integer{1} << 62, "aucune"},
        {"largest prime below 2^63", 9223372036854775783, false, {}, "aucune"},
        {"square of the largest prime below 2^31.5", 9223371994482243049, false, {}, "aucune"},
        {"product of the two largest primes below 2^31.5", 9223371873002223329, false, {}, "aucune"},
        {"2^62", Integer{1} << 62, false, {}, "aucune"},
        {"3^39", 4052555153018976267, false, {}, "aucune"},
        {"2, S 2^63 - 1", 2, true, INT64_MAX, "aucune"},
        {"sum above 2^63 - 1", grand_n, true, {}, "2"},
        {"sum above 2^63 - 1, S N + 3", grand_n, true, grand_n + 3, "4"},
        {"sum above 2^63 - 1, S 2^63 - 1", grand_n, false, INT64_MAX, "0"},
        {"sum above 2^63 - 1, S N - 1", grand_n, true, grand_n - 1, "0"},
        {"12 p, S 10 p + 12", douze_p, true, 5000000000000000222, "9"},
        {"12 p, S 10 p + 12 counted", douze_p, false, 5000000000000000222, "9"},
        {"12 p, S 16 p + 27", douze_p, true, 8000000000000000363, "1"},
        {"N typed as 2^63", INT64_MIN, true, {}, "0", "9223372036854775808"},
        {"N typed as 2^64 - 5, S 3", -5, true, 3, "aucune", "18446744073709551611"},
        {"N typed as 2^64 - 5, S 1", -5, true, 1, "convient", "18446744073709551611"},
        {"S typed as 2^64 - 1", 12, true, -1, "0", "", "18446744073709551615"},
        {"S typed as 2^63", 12, true, INT64_MIN, "0", "", "9223372036854775808"},
        {"S typed as 2^64 + 7", 12, true, 7, "3", "", "18446744073709551623"},
    };
    for (const Cas& c : cas) verifier_calcul(c);
}

TEST(WholeSession, CalculationsAfterQuickOutcomesPrintAsAfterStartUp) {
    // Each quick outcome leaves the working lists long (720 cut to the target 1
    // leaves 34 elements); N = 12 must not notice.
    const Echange douze = echange(12, true);
    const Echange s = session({echange(6, true), douze, echange(12, true, 16), douze, echange(12, true, 20),
                               douze, echange(1, false), douze, echange(10, true, 9), douze,
                               echange(13, false), douze, echange(720, true, 1), douze, douze});
    verifier(s.reponses, s.sortie);
}

// ---- Counts --------------------------------------------------------------------------

TEST(Counts, ThreeHundredSixtyAndSevenHundredTwenty) {
    const struct {
        Integer n;
        std::uint64_t total;
        std::size_t plus_long;  ///< the most terms of a solution
        std::vector<std::uint64_t> premiers;  ///< solutions of 3, 4, ... terms
    } cas[] = {{360, 22208, 19, {}}, {720, 676327, 23, {1, 5, 31, 203, 994}}};
    for (const auto& c : cas) {
        SCOPED_TRACE("N = " + std::to_string(c.n));
        const Sommes s = sommes_de(propres(c.n), c.n, false);
        EXPECT_EQ(s.total(), c.total);
        std::size_t plus_long = 0;
        for (std::size_t m = 0; m < s.par_termes.size(); ++m)
            if (s.par_termes[m] != 0) plus_long = m;
        EXPECT_EQ(plus_long, c.plus_long);
        for (std::size_t m = 0; m < c.premiers.size(); ++m) EXPECT_EQ(s.par_termes[m + 3], c.premiers[m]);
        const Echange e = session({echange(c.n, false)});
        verifier(e.reponses, e.sortie);
    }
}

TEST(Counts, EveryNUpTo100InOneSession) {
    const std::map<Integer, std::uint64_t> non_nuls = {
        {6, 1},  {12, 2}, {18, 2}, {20, 1}, {24, 5},  {28, 1}, {30, 3}, {36, 7},  {40, 3}, {42, 2}, {48, 10}, {54, 3},
        {56, 2}, {60, 34}, {66, 2}, {72, 31}, {78, 1}, {80, 6}, {84, 25}, {88, 1}, {90, 23}, {96, 21}, {100, 2}};
    std::vector<Echange> calculs;
    for (Integer n = 1; n <= 100; ++n) {
        EXPECT_EQ(sommes_de(propres(n), n, false).total(), non_nuls.contains(n) ? non_nuls.at(n) : 0) << "N = " << n;
        calculs.push_back(echange(n, false));
    }
    const Echange s = session(calculs);
    verifier(s.reponses, s.sortie);
}

}  // namespace
