// The stages on the program-wide state, for what the whole program's output
// cannot show: the prime table, the factorisation, the lists left after a
// calculation, the printing of numbers of every sign and size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "dialogue/dialogue.h"
#include "divisors/divisors.h"
#include "engine/factorisation.h"
#include "search/search.h"
#include "state/state.h"
#include "support/oracle.h"

using namespace taverlune;

namespace {

void factoriser(Integer n) {
    demarrer();
    N = S = S1 = n;
    i = 1;
    A = decomp();
}

std::vector<Integer> en_usage(const Liste& l, Integer nombre) { return {l.begin() + 1, l.begin() + 1 + nombre}; }

TEST(PrimeTable, GrowsOnePrimeACallAsFactorisingNeedsAndIsKept) {
    factoriser(1);
    A = Suiv();
    EXPECT_TRUE(Nprem == (Liste{0, 2, 3, 5}) && i == 1);
    N = S = S1 = 97, A = decomp();
    EXPECT_EQ(Nprem, (Liste{0, 2, 3, 5, 7, 11}));
    for (Integer n : {35, 720, 12, 1, 169}) N = S = S1 = n, A = decomp();
    EXPECT_EQ(Nprem, (Liste{0, 2, 3, 5, 7, 11, 13}));  // 169 = 13^2 needed one more
    while (Nprem[np] < 5000) A = Suiv();  // past the sieve, by trial division
    std::vector<Integer> premiers;
    for (Integer n = 2; n <= Nprem[np]; ++n)
        if (est_premier(static_cast<std::uint64_t>(n))) premiers.push_back(n);
    EXPECT_EQ(en_usage(Nprem, np), premiers);
    EXPECT_EQ(Nprem.size(), static_cast<std::size_t>(np) + 1);
}

TEST(Factorisation, Table) {
    const struct {
        Integer n;
        std::vector<Integer> facteurs, exposants;
        Integer s1, np_apres;  ///< S1 on return, primes in the table afterwards
    } rows[] = {
        {1, {}, {}, 1, 2},      {4, {2}, {2}, 4, 2},  {12, {2, 3}, {2, 1}, 3, 2}, {18, {2, 3}, {1, 2}, 18, 2},
        {97, {97}, {1}, 97, 5}, {720, {2, 3, 5}, {4, 2, 1}, 5, 3},                 {1018081, {1009}, {2}, 1018081, 169},
        {INT64_MAX, {7, 73, 127, 337, 92737, 649657}, {2, 1, 1, 1, 1, 1}, 649657, 169},
        {9000000168000000703, {3000000019, 3000000037}, {1, 1}, 3000000037, 169},
        {9223372036854775783, {9223372036854775783}, {1}, 9223372036854775783, 169},
        {-1, {-1}, {1}, -1, 2}, {INT64_MIN, {INT64_MIN}, {1}, INT64_MIN, 2}};
    for (const auto& r : rows) {
        factoriser(r.n);
        EXPECT_TRUE(en_usage(Nfact, nf) == r.facteurs && en_usage(Nexpo, nf) == r.exposants && S == 1 && S1 == r.s1 &&
                    np == r.np_apres)
            << "N = " << r.n << ": S1 " << S1 << ", np " << np;
    }
}

TEST(AfterACalculation, EveryWorkingListButThePrimesIsBackToOneElement) {
    // A quick outcome (6 is perfect, 13 has no solution) as much as a search.
    for (const auto& [n, cible] : {std::pair<Integer, Integer>{6, 6}, {13, 13}, {12 * 97, 7}, {720, 720}}) {
        essai::calculer(n, cible, cible != n, false);
        for (const Liste* l : {&Term, &Term1, &Ter, &Div, &Prod, &Nexpo, &Nfact}) EXPECT_EQ(*l, Liste{0}) << n;
        EXPECT_TRUE(NS.size() == 1 && np >= 2);
    }
}

// ---- Numbers printed ----------------------------------------------------------------

std::string imprime;

TEST(Printing, NumbersOfEverySignAndSize) {
    Branchements b = branchements_du_processus();
    b.ecrire = [](const char* o, std::size_t n) { return imprime.append(o, n), true; };
    brancher_console(b);
    Compte c;
    c.mots = {7, 0, 1};  // 2^128 + 7
    ecrire_nombre(INT64_MIN), ecrire("|"), ecrire_nombre(-5), ecrire("|"), ecrire_somme(-(Somme{1} << 100));
    ecrire("|"), ecrire_somme(Somme{INT64_MAX} * 3), ecrire("|"), ecrire_somme(0), ecrire("|"), ecrire_compte(c);
    ecrire("|"), ecrire_compte(Compte{}), vider_sortie();
    EXPECT_EQ(imprime, "-9223372036854775808|-5|-1267650600228229401496703205376|27670116110564327421|0|"
                       "340282366920938463463374607431768211463|0");
    brancher_console(branchements_du_processus());
}

}  // namespace
