// Whole calculations through a pipe, byte for byte: the divisor listing, the
// quick outcomes, the solutions and the report, for small numbers, for the
// largest values the input takes and for wrapped answers (said on standard
// error); the expected solutions come from a brute force over the subsets.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/oracle.h"
#include "support/process.h"

namespace {

using namespace essai;

struct Cas {
    Integer n;
    bool toutes;               ///< every solution printed
    std::optional<Integer> s;  ///< the chosen target
    std::string issue;         ///< the count of solutions, "convient" or "aucune"
    std::string tape_n = "", tape_s = "";  ///< the answers as typed, when they wrap
};

void verifier_calculs(const std::vector<Cas>& cas) {
    for (const Cas& c : cas) {
        SCOPED_TRACE("N = " + std::to_string(c.n) + ", S = " + std::to_string(c.s.value_or(c.n)));
        const Echange e = echange(c.n, c.toutes, c.s, c.tape_n, c.tape_s);
        const std::string trace = c.issue == "convient" ? "  convient. \n "
                                  : c.issue == "aucune" ? "Il n'y a aucune solution."
                                                        : bilan(c.issue, std::to_string(c.s.value_or(c.n)));
        EXPECT_NE(e.sortie.find(trace), std::string::npos) << "the brute force finds another outcome";
        const Echange s = session({e});
        const Execution x = lancer(programme_taverlune(), s.reponses);
        verifier_fin_normale(x);
        EXPECT_TRUE(meme_sortie(x.sortie, s.sortie));
        // An answer past 2^63 - 1 is said, with the value it is taken as.
        std::string erreurs;
        for (const auto& [tape, valeur] : {std::pair{c.tape_n, c.n}, std::pair{c.tape_s, c.s.value_or(0)}})
            if (!tape.empty()) erreurs += "taverlune: " + tape + " is beyond 2^63 - 1: taken as " +
                                          std::to_string(valeur) + "\n";
        EXPECT_EQ(x.erreurs, erreurs);
    }
}

TEST(OneCalculation, SmallNumbers) {
    verifier_calculs({
        {12, true, {}, "2"},        {12, false, {}, "2"},       {12, true, 10, "3"},        {12, true, 6, "3"},
        {12, true, 16, "convient"}, {12, true, 20, "aucune"},   {12, true, 1, "convient"},  {12, true, 7, "3"},
        {12, true, 15, "1"},        {24, true, {}, "5"},        {20, true, {}, "1"},        {70, true, {}, "0"},
        {70, false, {}, "0"},       {4, true, 2, "1"},          {6, true, {}, "convient"},  {28, true, {}, "convient"},
        {13, true, {}, "aucune"},   {13, true, 5, "aucune"},    {1, true, {}, "aucune"},    {10, true, 9, "aucune"},
    });
}

TEST(OneCalculation, LargestAndWrappedValues) {
    // 12 x 999983 x 768627403057: proper divisors adding up past 2^63 - 1;
    // 12 p, p = 500000000000000021: targets 10 p + 12 and 16 p + 27 past 2^62;
    // 3^33 x 5: divisors past 2^53, all exact.
    const Integer grand_n = 9223372036693776372, douze_p = 6000000000000000252;
    // The largest prime below 2^63, the square of the largest prime below 2^31.5, the product of the two largest.
    verifier_calculs({
        {INT64_MAX, true, {}, "aucune"}, {INT64_MAX, true, Integer{1} << 62, "aucune"},
        {9223372036854775783, false, {}, "aucune"}, {9223371994482243049, false, {}, "aucune"},
        {9223371873002223329, false, {}, "aucune"}, {Integer{1} << 62, false, {}, "aucune"},
        {27795302832777615, false, {}, "aucune"}, {2, true, INT64_MAX, "aucune"},
        {grand_n, true, {}, "2"}, {grand_n, true, grand_n + 3, "4"},
        {grand_n, false, INT64_MAX, "0"}, {grand_n, true, grand_n - 1, "0"},
        {douze_p, true, 5000000000000000222, "9"}, {douze_p, false, 5000000000000000222, "9"},
        {douze_p, true, 8000000000000000363, "1"}, {INT64_MIN, true, {}, "0", "9223372036854775808"},
        {-5, true, 3, "aucune", "18446744073709551611"}, {-5, true, 1, "convient", "+18446744073709551611"},
        {12, true, -1, "0", "", "18446744073709551615"}, {12, true, INT64_MIN, "0", "", "9223372036854775808"},
        {12, true, 7, "3", "", "18446744073709551623"},
    });
}

TEST(WholeSession, CalculationsAfterQuickOutcomesPrintAsAfterStartUp) {
    // Each quick outcome ends a calculation early (720 cut to the target 1
    // leaves 34 elements); N = 12 must not notice. Then every N up to 100.
    const Echange douze = echange(12, true);
    std::vector<Echange> calculs = {echange(6, true), douze, echange(12, true, 16), douze, echange(12, true, 20),
                                    douze, echange(1, false), douze, echange(10, true, 9), douze, echange(13, false),
                                    douze, echange(720, true, 1), douze, douze};
    for (Integer n = 1; n <= 100; ++n) calculs.push_back(echange(n, false));
    const Echange s = session(calculs);
    verifier(s.reponses, s.sortie);
}

TEST(Counts, KnownOnes) {
    // 720: 676327 sums, 1, 5, 31, 203, 994 of 3 to 7 terms, the longest of 23;
    // 360: 22208 sums, the longest of 19, every one printed.
    const Sommes s720 = sommes_de(propres(720), 720, false), s360 = sommes_de(propres(360), 360, false);
    EXPECT_EQ(s720.total(), 676327u);
    EXPECT_EQ(std::vector<std::uint64_t>(s720.par_termes.begin() + 3, s720.par_termes.begin() + 8),
              (std::vector<std::uint64_t>{1, 5, 31, 203, 994}));
    EXPECT_TRUE(s720.par_termes[23] != 0 && s720.par_termes[24] == 0);
    EXPECT_TRUE(s360.total() == 22208 && s360.par_termes[19] != 0 && s360.par_termes[20] == 0);
    const Echange e = session({echange(360, true), echange(720, false)});
    verifier(e.reponses, e.sortie);
}

}  // namespace
