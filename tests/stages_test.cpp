// The stages of a calculation, one at a time, on the program-wide state: the
// prime table, the factorisation, the divisor list, the steps and the walk of
// the search, the report's reset, and the exact counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "dialogue/console.h"
#include "divisors/divisors.h"
#include "search/search.h"
#include "state/state.h"

namespace {

constexpr Integer plus_grand = std::numeric_limits<Integer>::max();   // 2^63 - 1
constexpr Integer plus_petit = std::numeric_limits<Integer>::min();   // -2^63

std::string& capture() {
    static std::string s;
    return s;
}

Branchements vers_capture() {
    Branchements b = branchements_du_processus();
    b.lire = [](char*, std::size_t) -> long { return 0; };
    b.entree_est_fichier = [] { return false; };
    b.ecrire = [](const char* octets, std::size_t n) {
        capture().append(octets, n);
        return true;
    };
    return b;
}

/// Every test starts from the state of a freshly started program (prime table
/// seeded with 2 and 3), with the console's output captured.
class Stages : public testing::Test {
protected:
    void SetUp() override {
        reset_to_startup();
        Nprem[1] = 2;
        Nprem[2] = 3;
        np = 2;
        capture().clear();
        brancher_console(vers_capture());
    }
    void TearDown() override {
        brancher_console(branchements_du_processus());
        reset_to_startup();
    }

    /// What the stages printed since the last call.
    static std::string imprime() {
        vider_sortie();
        std::string s = capture();
        capture().clear();
        return s;
    }

    static void factoriser(Integer n) {
        N = S = S1 = n;
        i = 1;
        A = decomp();
    }

    /// The calculation up to the bounds stage; true when the search must run.
    static bool jusqu_aux_bornes(Integer n, Integer cible, bool sdif, bool sol) {
        Sol = sol ? 1 : 0;
        Sdif = sdif ? 1 : 0;
        SN = cible;
        ns = Compte{};
        ndif = ND1 = ndec = 0;
        factoriser(n);
        liste_diviseurs();
        return bornes();
    }

    static std::vector<Integer> en_usage(const Liste& l, Integer nombre) {
        return std::vector<Integer>(l.begin() + 1, l.begin() + 1 + nombre);
    }
};

std::vector<Integer> premiers_jusqu_a(Integer borne) {
    std::vector<bool> compose(static_cast<std::size_t>(borne) + 1, false);
    std::vector<Integer> p;
    for (Integer n = 2; n <= borne; ++n) {
        if (compose[n]) continue;
        p.push_back(n);
        for (Integer m = n * n; m <= borne; m += n) compose[m] = true;
    }
    return p;
}

// ---- Prime table ------------------------------------------------------------------

using PrimeTable = Stages;

TEST_F(PrimeTable, TwelveCallsFromStartUpAppendFiveToFortyThree) {
    const Integer attendus[] = {5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43};
    i = 1;
    Integer appels = 0;
    for (Integer p : attendus) {
        A = Suiv();
        ++appels;
        EXPECT_EQ(np, 2 + appels);
        ASSERT_EQ(Nprem.size(), static_cast<std::size_t>(np) + 1);
        EXPECT_EQ(Nprem[np], p);
        EXPECT_EQ(i, 1);
    }
    EXPECT_EQ(Nprem[0], 0);
}

TEST_F(PrimeTable, FactorisingNinetySevenNeedsPrimesUpToEleven) {
    factoriser(97);
    EXPECT_EQ(np, 5);
    EXPECT_EQ(Nprem, (Liste{0, 2, 3, 5, 7, 11}));
}

TEST_F(PrimeTable, FactorisingTheLargestIntegerNeeds8960Primes) {
    factoriser(plus_grand);
    ASSERT_EQ(np, 8960);
    ASSERT_EQ(Nprem.size(), 8961u);
    EXPECT_EQ(Nprem[0], 0);
    EXPECT_EQ(Nprem[np], 92753);
    const std::vector<Integer> premiers = premiers_jusqu_a(92753);
    ASSERT_EQ(premiers.size(), 8960u);
    EXPECT_EQ(en_usage(Nprem, np), premiers);  // ascending, all prime, none missing
}

TEST_F(PrimeTable, KeptFromOneFactorisationToTheNext) {
    factoriser(97);
    ASSERT_EQ(np, 5);
    for (Integer n : {35, 720, 12, 1}) {
        factoriser(n);
        EXPECT_EQ(np, 5) << n;
    }
    factoriser(169);  // 13 x 13: one more prime
    EXPECT_EQ(np, 6);
    EXPECT_EQ(Nprem[6], 13);
}

// ---- Factorisation ------------------------------------------------------------

struct Decomposition {
    Integer n;
    std::vector<Integer> facteurs;
    std::vector<Integer> exposants;
    Integer s1;         ///< S1 on return
    Integer np_apres;   ///< primes in the table afterwards, from 2 and 3
};

const Decomposition decompositions[] = {
    {1, {}, {}, 1, 2},
    {2, {2}, {1}, 2, 2},
    {3, {3}, {1}, 3, 2},
    {4, {2}, {2}, 4, 2},
    {12, {2, 3}, {2, 1}, 3, 2},
    {18, {2, 3}, {1, 2}, 18, 2},
    {97, {97}, {1}, 97, 5},
    {720, {2, 3, 5}, {4, 2, 1}, 5, 3},
    {plus_grand, {7, 73, 127, 337, 92737, 649657}, {2, 1, 1, 1, 1, 1}, 649657, 8960},
    {-1, {-1}, {1}, -1, 2},
    {plus_petit, {plus_petit}, {1}, plus_petit, 2},
};

using Factorisation = Stages;

TEST_F(Factorisation, Table) {
    for (const Decomposition& d : decompositions) {
        SCOPED_TRACE("N = " + std::to_string(d.n));
        SetUp();
        factoriser(d.n);
        ASSERT_EQ(nf, static_cast<int>(d.facteurs.size()));
        EXPECT_EQ(en_usage(Nfact, nf), d.facteurs);
        EXPECT_EQ(en_usage(Nexpo, nf), d.exposants);
        EXPECT_EQ(Nfact.size(), static_cast<std::size_t>(nf) + 1);
        EXPECT_EQ(Nexpo.size(), static_cast<std::size_t>(nf) + 1);
        EXPECT_EQ(S, 1);
        EXPECT_EQ(S1, d.s1);
        EXPECT_EQ(np, d.np_apres);
    }
}

TEST_F(Factorisation, SameResultsAfterAQuickOutcomeLeftTheListsLong) {
    // 720 with the target 1 ends at once, before any reset.
    ASSERT_FALSE(jusqu_aux_bornes(720, 1, true, true));
    ASSERT_GT(Nfact.size(), 1u);
    ASSERT_GT(Div.size(), 30u);
    factoriser(18);
    liste_diviseurs();
    const int nf_apres = nf;
    const auto facteurs = en_usage(Nfact, nf), exposants = en_usage(Nexpo, nf);
    const auto div = en_usage(Div, ND1);

    SetUp();
    factoriser(18);
    liste_diviseurs();
    EXPECT_EQ(nf_apres, nf);
    EXPECT_EQ(facteurs, en_usage(Nfact, nf));
    EXPECT_EQ(exposants, en_usage(Nexpo, nf));
    EXPECT_EQ(div, en_usage(Div, ND1));
    EXPECT_EQ(div, (std::vector<Integer>{1, 2, 3, 6, 9}));
}

// ---- Divisor list -------------------------------------------------------------

/// The divisors of n other than n, by trial of every smaller number.
std::vector<Integer> par_essais(Integer n) {
    std::vector<Integer> d;
    for (Integer m = 1; m < n; ++m)
        if (n % m == 0) d.push_back(m);
    return d;
}

/// The divisors of 3^33 x 5 other than itself, from the powers of 3 and 5.
std::vector<Integer> diviseurs_3_puissance_33_fois_5() {
    std::vector<Integer> d;
    Integer puissance = 1;
    for (int a = 0; a <= 33; ++a, puissance *= 3) {
        d.push_back(puissance);
        if (a < 33) d.push_back(puissance * 5);
    }
    std::sort(d.begin(), d.end());
    return d;
}

using DivisorList = Stages;

TEST_F(DivisorList, AgainstIndependentEnumerations) {
    const struct {
        Integer n;
        std::vector<Integer> attendus;
    } lignes[] = {
        {12, {1, 2, 3, 4, 6}},
        {36, {1, 2, 3, 4, 6, 9, 12, 18}},
        {720, {1,  2,  3,  4,  5,  6,  8,  9,   10,  12,  15,  16,  18,  20, 24,
               30, 36, 40, 45, 48, 60, 72, 80, 90, 120, 144, 180, 240, 360}},
        {1024, par_essais(1024)},
        {97, {1}},
        {1, {}},
        {27795302832777615, diviseurs_3_puissance_33_fois_5()},
    };
    for (const auto& l : lignes) {
        SCOPED_TRACE("N = " + std::to_string(l.n));
        SetUp();
        factoriser(l.n);
        liste_diviseurs();
        ASSERT_EQ(ND1, static_cast<Integer>(l.attendus.size()));
        EXPECT_EQ(en_usage(Div, ND1), l.attendus);
        for (Integer d : en_usage(Div, ND1)) EXPECT_EQ(l.n % d, 0) << d;
        if (l.n <= 1024) {
            EXPECT_EQ(en_usage(Div, ND1), par_essais(l.n));
        }
        // From the start-up lengths: ND1 + 4 elements appended, nf + 4 to Prod.
        EXPECT_EQ(Div.size(), static_cast<std::size_t>(ND1) + 5);
        EXPECT_EQ(Term.size(), static_cast<std::size_t>(ND1) + 5);
        EXPECT_EQ(Term1.size(), static_cast<std::size_t>(ND1) + 5);
        EXPECT_EQ(Prod.size(), static_cast<std::size_t>(nf) + 5);
    }
    // 3^33 x 5: 67 divisors, some above 2^53, all exact.
    EXPECT_EQ(ND1, 67);
    const auto div = en_usage(Div, ND1);
    EXPECT_NE(std::find(div.begin(), div.end(), 9265100944259205), div.end());
}

TEST_F(DivisorList, OdometerStepsTheLastFactorFastest) {
    nf = 2;  // 12 = 2^2 x 3
    Nexpo = {0, 2, 1};
    Prod.assign(7, 0);
    k = 1;
    const std::vector<std::vector<Integer>> combinaisons = {{0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}};
    for (const auto& c : combinaisons) {
        A = suiv2();
        EXPECT_EQ(en_usage(Prod, nf), c);
        EXPECT_EQ(i, nf + 1);
    }
    EXPECT_EQ(k, 6);
    A = suiv2();  // the last combination: nothing moves
    EXPECT_EQ(en_usage(Prod, nf), (std::vector<Integer>{2, 1}));
    EXPECT_EQ(k, 6);
    EXPECT_EQ(i, 0);
}

// ---- One step of the walk -------------------------------------------------------

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
    } lignes[] = {
        {5, 31, 3, 28},   // 12, target 12: 11111 down to 00011
        {5, 30, 1, 29},   // target 7
        {5, 28, 0, 28},   // target 6: the stop pattern is all 0
        {2, 3, 0, 3},     // 4, target 2
        {7, 127, 15, 112},  // 70, target 70
    };
    for (const auto& l : lignes) {
        SCOPED_TRACE("from " + std::to_string(l.depart) + " to " + std::to_string(l.arret));
        ND1 = l.nd;
        motif(Term, ND1, l.depart);
        motif(Term1, ND1, l.arret);
        K = 1;
        Integer pas = 0;
        while (K == 1 && pas <= l.pas) {
            const Integer avant = valeur(Term, ND1);
            A = suiv3();
            ++pas;
            EXPECT_EQ(valeur(Term, ND1), avant - 1);
            EXPECT_EQ(K, valeur(Term, ND1) == l.arret ? 0 : 1);
        }
        EXPECT_EQ(pas, l.pas);
        EXPECT_EQ(Term, Term1);
    }
}

TEST_F(Step, NoFlagSetEndsTheWalkAndLeavesThePattern) {
    ND1 = 5;
    motif(Term, ND1, 0);
    motif(Term1, ND1, 3);
    const Liste avant = Term;
    K = 1;
    A = suiv3();
    EXPECT_EQ(K, 0);
    EXPECT_EQ(Term, avant);
}

// ---- The walk -----------------------------------------------------------------

std::string cadre(const std::vector<Integer>& termes) {
    std::string s = " \n  \t  ";
    for (std::size_t m = 0; m < termes.size(); ++m)
        s += (m == 0 ? "" : " || ") + std::to_string(termes[m]);
    return s + " \n  \t  ";
}

const std::string entete_des_sommes = " \n \n \t Les sommes recherchees ont pour termes : \n ";

struct Parcours {
    Integer cible;
    bool sdif;
    Integer i_depart, s3_depart;  ///< the smallest prefix left by the bounds
    Integer arret;                ///< value of the stop pattern
    std::vector<std::vector<Integer>> solutions;
    std::vector<std::string> par_termes;  ///< NS[1..ndif]
};

const Parcours parcours_de_douze[] = {
    {12, false, 5, 16, 3, {{1, 2, 3, 6}, {2, 4, 6}}, {"0", "0", "1", "1"}},
    {7, true, 4, 10, 1, {{1, 2, 4}, {1, 6}, {3, 4}}, {"0", "2", "1"}},
    {6, true, 3, 6, 0, {{1, 2, 3}, {2, 4}, {6}}, {"1", "1", "1"}},
    {10, true, 4, 10, 1, {{1, 2, 3, 4}, {1, 3, 6}, {4, 6}}, {"0", "1", "1", "1"}},
    {15, true, 5, 16, 7, {{2, 3, 4, 6}}, {"0", "0", "0", "1"}},
};

using Walk = Stages;

TEST_F(Walk, TwelveWithItsTargets) {
    for (const Parcours& p : parcours_de_douze) {
        for (bool sol : {true, false}) {
            SCOPED_TRACE("target " + std::to_string(p.cible) + (sol ? ", printed" : ", counted"));
            SetUp();
            ASSERT_TRUE(jusqu_aux_bornes(12, p.cible, p.sdif, sol));
            EXPECT_EQ(ND1, 5);
            EXPECT_TRUE(Smax == 16);
            EXPECT_EQ(i, p.i_depart);
            EXPECT_TRUE(S3 == p.s3_depart);
            imprime();

            parcours();
            std::string attendu;
            if (sol) {
                attendu = entete_des_sommes;
                for (const auto& s : p.solutions) attendu += cadre(s);
            }
            EXPECT_EQ(imprime(), attendu);
            EXPECT_EQ(ns.decimal(), std::to_string(p.solutions.size()));
            ASSERT_EQ(ndif, static_cast<Integer>(p.par_termes.size()));
            for (Integer m = 1; m <= ndif; ++m) EXPECT_EQ(NS[m].decimal(), p.par_termes[m - 1]) << m;
            EXPECT_EQ(K, 0);
            EXPECT_EQ(Term, Term1);
            EXPECT_EQ(valeur(Term1, ND1), p.arret);
        }
    }
}

TEST_F(Walk, TargetBelowOneFindsNothing) {
    const struct {
        Integer n, cible;
        bool sdif;
        Integer nd;
    } lignes[] = {
        {12, -1, true, 0},                   // 2^64 - 1 typed for S
        {plus_petit, plus_petit, false, 1},  // 2^63 typed for N
    };
    for (const auto& l : lignes) {
        SCOPED_TRACE("N = " + std::to_string(l.n));
        SetUp();
        ASSERT_TRUE(jusqu_aux_bornes(l.n, l.cible, l.sdif, true));
        EXPECT_EQ(ND1, l.nd);
        EXPECT_EQ(i, 0);
        imprime();
        parcours();
        EXPECT_EQ(imprime(), entete_des_sommes);
        EXPECT_TRUE(ns.est_nul());
        EXPECT_EQ(ndif, 0);
        EXPECT_EQ(K, 0);
    }
}

TEST_F(Walk, ReportPrintsTheCountsAndShrinksTheLists) {
    ASSERT_TRUE(jusqu_aux_bornes(12, 7, true, false));
    parcours();
    imprime();
    const Liste premiers = Nprem;
    rapport();
    EXPECT_EQ(imprime(),
              "\n \n \t Il y a  3 sommes egales a  7"
              " \n \n \t  Elles se repartissent comme suit : \n "
              " \n \t  2   sommes  de  2   termes."
              " \n \t  1   sommes  de  3   termes.");
    for (const Liste* l : {&Term, &Term1, &Ter, &Div, &Prod, &Nexpo, &Nfact}) EXPECT_EQ(*l, Liste{0});
    ASSERT_EQ(NS.size(), 1u);
    EXPECT_TRUE(NS[0].est_nul());
    EXPECT_EQ(Nprem, premiers);
}

// ---- Bounds -------------------------------------------------------------------

using Bounds = Stages;

TEST_F(Bounds, SumBeyond63BitsIsPrintedExactly) {
    // A highly composite number below 2^63: 153600 divisors whose sum, N
    // apart, passes 2^63 - 1. Its divisors, from its prime powers.
    const Integer n = 8976124847866176000;
    const std::vector<std::pair<Integer, int>> facteurs = {
        {2, 9}, {3, 4}, {5, 3}, {7, 2}, {11, 1}, {13, 1}, {17, 1}, {19, 1}, {23, 1}, {29, 1},
        {31, 1}, {37, 1}};
    std::vector<Integer> tous = {1};
    for (const auto& [p, e] : facteurs) {
        const std::size_t avant = tous.size();
        Integer puissance = 1;
        for (int m = 1; m <= e; ++m) {
            puissance *= p;
            for (std::size_t x = 0; x < avant; ++x) tous.push_back(tous[x] * puissance);
        }
    }
    std::sort(tous.begin(), tous.end());
    ASSERT_EQ(tous.back(), n);
    tous.pop_back();

    const struct {
        Integer cible;
        bool sdif;
    } lignes[] = {{n, false}, {plus_grand, true}, {Integer{1} << 62, true}};
    for (const auto& l : lignes) {
        SCOPED_TRACE("target " + std::to_string(l.cible));
        SetUp();
        __extension__ __int128 somme = 0;
        std::string liste;
        Integer nombre = 0;
        for (Integer d : tous) {
            if (d > l.cible) break;
            somme += d;
            liste += std::to_string(d) + " , ";
            ++nombre;
        }
        if (l.cible >= n) {
            liste += std::to_string(n) + ".";
            ++nombre;
        }
        ASSERT_GT(somme, plus_grand);
        std::string somme_en_chiffres;
        for (auto v = somme; v != 0; v /= 10) somme_en_chiffres.insert(0, 1, char('0' + v % 10));

        ASSERT_TRUE(jusqu_aux_bornes(n, l.cible, l.sdif, false));  // the search would follow
        EXPECT_TRUE(Smax == somme);
        EXPECT_EQ(imprime(), "\n \n \t Le nombre  " + std::to_string(n) + " a  " +
                                 std::to_string(nombre) + "  diviseurs inferieurs ou egaux a  " +
                                 std::to_string(l.cible) + "\n \n \t Ce sont :  " + liste +
                                 "\n \n \t  Leur somme (a l'exeption de lui meme) est :   " +
                                 somme_en_chiffres);
    }
}

// ---- Exact counts -------------------------------------------------------------

using ExactCount = Stages;

TEST_F(ExactCount, CarriesAcross64Bits) {
    Compte c;
    EXPECT_TRUE(c.est_nul());
    EXPECT_EQ(c.decimal(), "0");
    c += std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(c.decimal(), "18446744073709551615");
    c += 1;
    EXPECT_EQ(c.decimal(), "18446744073709551616");
    EXPECT_EQ(c.mots, (std::vector<std::uint64_t>{0, 1}));

    Compte d;
    d += std::numeric_limits<std::uint64_t>::max();
    Compte e = d;
    e += d;
    EXPECT_EQ(e.decimal(), "36893488147419103230");  // 2^65 - 2

    Compte f;
    f.mots = {std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max()};
    f += 1;
    EXPECT_EQ(f.decimal(), "340282366920938463463374607431768211456");  // 2^128
    EXPECT_EQ(f.mots, (std::vector<std::uint64_t>{0, 0, 1}));
}

TEST_F(ExactCount, LargeValuesInDecimal) {
    Compte deux_puissance;
    deux_puissance += 1;
    for (int m = 0; m < 100; ++m) deux_puissance += Compte(deux_puissance);
    EXPECT_EQ(deux_puissance.decimal(), "1267650600228229401496703205376");  // 2^100

    // Powers of ten, by adding each one ten times: the zeros inside the words.
    Compte dix;
    dix += 1;
    for (int m = 1; m <= 60; ++m) {
        Compte suivant;
        for (int fois = 0; fois < 10; ++fois) suivant += dix;
        dix = suivant;
        ASSERT_EQ(dix.decimal(), std::string(1, '1').append(m, '0')) << "10^" << m;
    }
    Compte somme = dix;
    somme += 7;
    EXPECT_EQ(somme.decimal(), std::string(1, '1').append(59, '0').append(1, '7'));
    EXPECT_FALSE(somme == dix);
}

}  // namespace
