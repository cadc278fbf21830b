// Counting without listing: the table and the split along each prime factor
// against the brute force on every N up to 3000; counts rebuilt from their
// residues and added across word boundaries; the tables' estimates, and the
// memory budget; the same counts on one thread and on several, and two
// counts at once; counts known from another program; and the whole program
// under a memory limit or facing a count that cannot end.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/count_table.h"
#include "engine/counts_at_points.h"
#include "engine/prime_power_split.h"
#include "engine/residues.h"
#include "support/oracle.h"
#include "support/process.h"

using namespace taverlune;

namespace {

using namespace essai;

/// The divisors of n other than n up to `cible`, and n's factorisation by trial division.
Probleme probleme(Integer n, Integer cible) {
    Probleme p{{}, cible, n, {}};
    for (const Integer d : propres(n))
        if (d <= cible) p.elements.push_back(d);
    for (Integer q = 2, reste = n; reste > 1; ++q)
        for (; reste % q == 0; reste /= q)
            if (p.facteurs.empty() || p.facteurs.back().p != q) p.facteurs.push_back({q, 1});
            else ++p.facteurs.back().e;
    return p;
}

/// The decimal counts by number of terms.
std::vector<std::string> en_decimal(const std::vector<Compte>& c) {
    std::vector<std::string> r;
    for (const Compte& x : c) r.push_back(x.decimal());
    return r;
}

TEST(Methods, AgreeWithTheBruteForceOnEveryNUpTo3000) {
    std::printf("seed 20261207\n");
    std::mt19937_64 alea(20261207);
    for (Integer n = 2; n <= 3000; ++n) {
        Reglages r;
        if (n % 2 == 0) r.paires_des_octets = 0;  // even N: the tables add their elements in pairs
        // The target N, and a target among the sums the divisors reach or past N.
        for (const Integer cible : {n, static_cast<Integer>(alea() % static_cast<std::uint64_t>(2 * n)) + 1}) {
            SCOPED_TRACE("N = " + std::to_string(n) + ", target " + std::to_string(cible));
            const Tache t(probleme(n, cible), r, {});
            const Sommes brute = sommes_de({t.element.begin() + 1, t.element.end()}, cible, false);
            std::vector<std::string> attendu;
            for (const std::uint64_t x : brute.par_termes) attendu.push_back(std::to_string(x));
            // The table over the sums alone, the table, then the split along
            // each prime factor of N, by number of terms and at values.
            Compte total;
            ASSERT_TRUE(compter_total_seul(t, &t.element[1], t.n, cible, total));
            ASSERT_EQ(total.decimal(), std::to_string(brute.total())) << "sums alone";
            std::vector<Compte> c;
            ASSERT_TRUE(compter_sous_ensembles(t, &t.element[1], t.n, cible, c));
            ASSERT_EQ(en_decimal(c), attendu) << "table";
            // At values of the number of terms, in a budget of a few cells a
            // sum for every third N (fewer values side by side, on one
            // thread), portably for every fourth.
            Reglages maigre = r;
            if (n % 3 == 0) maigre.memoire = 24 * static_cast<std::size_t>(n) + (std::size_t{8} << 20);
            maigre.noyau_portable = n % 4 == 3;
            const Tache tm(probleme(n, cible), maigre, {});
            c.clear();
            ASSERT_TRUE(compter_aux_points(tm, &tm.element[1], tm.n, cible, c));
            ASSERT_EQ(en_decimal(c), attendu) << "at values";
            for (int f = 1; f <= t.nf; ++f) {
                c.clear();
                ASSERT_TRUE(compter_par_decoupe(t, f, cible, t.n, c));
                ASSERT_EQ(en_decimal(c), attendu) << "split by " << t.premier[static_cast<std::size_t>(f)];
                c.clear();
                ASSERT_TRUE(compter_par_decoupe_aux_points(tm, f, cible, tm.n, c));
                ASSERT_EQ(en_decimal(c), attendu) << "split at values by " << t.premier[static_cast<std::size_t>(f)];
            }
        }
    }
}

TEST(Residues, RebuildCountsAcrossWordBoundaries) {
    const std::uint64_t max = ~std::uint64_t{0};
    for (const std::vector<std::uint64_t>& mots : std::vector<std::vector<std::uint64_t>>{
             {max}, {0, 1}, {1, 1}, {max, max}, {0, 0, 1}, {max, max, max}, {12345, 0, 0, 1}, {7, max, 3, max, 9}}) {
        const std::size_t P = premiers_necessaires(64.0 * static_cast<double>(mots.size()));
        const std::vector<Residu> q(premiers_modulaires().begin(), premiers_modulaires().begin() + static_cast<long>(P));
        std::vector<Residu> r;
        for (const Residu p : q) {  // x modulo p, word by word from the top
            u128 reste = 0;
            for (std::size_t w = mots.size(); w-- > 0;) reste = ((reste << 64) | mots[w]) % p;
            r.push_back(static_cast<Residu>(reste));
        }
        EXPECT_EQ(reconstruire(r.data(), 1, q).mots, mots);
    }
}

TEST(Residues, AddAcrossWordBoundaries) {
    const std::uint64_t max = ~std::uint64_t{0};
    for (const auto& [mots, plus, somme] : std::vector<std::tuple<std::vector<std::uint64_t>, std::uint64_t, std::string>>{
             {{max}, 1, "18446744073709551616"},
             {{0, 1}, 5, "18446744073709551621"},
             {{max, max}, 1, "340282366920938463463374607431768211456"},
             {{max, 0, 1}, 1, "340282366920938463481821351505477763072"},
             {{7, max, 3}, max, "1361129467683753853853498429727072845830"}}) {
        Compte a{mots}, b{mots};
        a += plus, b += Compte{{plus}};
        EXPECT_EQ(a.decimal(), somme);
        EXPECT_EQ(b.decimal(), somme);
    }
}

// What a table will take, estimated before building it: its cells within a
// few per cent, its work close, or above when only one row is needed (the
// rows no subset leads from to that row are skipped).
TEST(Estimates, OfATableAgainstTheTableItself) {
    std::vector<Integer> nombres = {5040, 27720, 720720};
    for (Integer n = 2; n <= 3000; ++n) nombres.push_back(n);
    for (const Integer n : nombres) {
        const std::vector<Integer> d = propres(n);
        const SommeComptee c = somme_comptee(d.data(), d.size(), n);
        if (c.total < n) continue;
        for (const bool seule : {false, true}) {
            const TableDeComptes t(d.data(), c.ne, c.comptee, seule ? c.comptee : 0, seule, Reglages{});
            if (t.mises_a_jour() < 1000) continue;
            const Estimation e = estimer_table(d.data(), c.ne, c.comptee, seule ? c.comptee : 0);
            EXPECT_NEAR(e.cellules / static_cast<double>(t.cellules()), 1, 0.05) << n;
            const double travail = e.mises_a_jour / t.mises_a_jour();
            EXPECT_TRUE(seule ? travail >= 1 : travail > 0.75 && travail < 1.6) << n << ": " << travail;
        }
    }
}

TEST(Threads, TheSameDistributionOnOneThreadAndOnSeveralWithOrWithoutAvx2) {
    for (const Integer n : {5040, 27720, 221760}) {
        const auto avec = [&](unsigned fils, bool portable) {
            Reglages r;
            r.fils = fils, r.noyau_portable = portable;
            return en_decimal(compter(probleme(n, n), r).par_termes);
        };
        const std::vector<std::string> un = avec(1, false);
        for (const unsigned fils : {2u, 4u, 8u}) EXPECT_EQ(avec(fils, false), un) << n << ", " << fils << " threads";
        EXPECT_EQ(avec(2, true), un) << n << " without AVX2";
    }
}

// A budget too small for any table by number of terms: the counts at values
// of the number of terms, on one thread.
TEST(Memory, ABudgetThatNoTableFitsGivesTheSameCounts) {
    for (const Integer n : {27720, 221760}) {
        Reglages r;
        const std::vector<std::string> attendu = en_decimal(compter(probleme(n, n), r).par_termes);
        r.memoire = std::size_t{1} << 20;
        EXPECT_EQ(en_decimal(compter(probleme(n, n), r).par_termes), attendu) << n << " in 1 MiB";
    }
}

// Two different counts on two threads at once, each with threads of its
// own, against the same counts run alone.
TEST(Threads, TwoCountsAtOnceGiveWhatEachGivesAlone) {
    const Probleme a = probleme(55440, 55440), b = probleme(50400, 60000);
    Reglages r;
    r.fils = 2;
    const std::vector<std::string> seul_a = en_decimal(compter(a, r).par_termes);
    const std::vector<std::string> seul_b = en_decimal(compter(b, r).par_termes);
    std::vector<std::string> ensemble_a, ensemble_b;
    std::thread x([&] { ensemble_a = en_decimal(compter(a, r).par_termes); });
    std::thread y([&] { ensemble_b = en_decimal(compter(b, r).par_termes); });
    x.join();
    y.join();
    EXPECT_EQ(ensemble_a, seul_a);
    EXPECT_EQ(ensemble_b, seul_b);
}

// Counts found by another program (PARI/GP).
void verifier_connus(const std::vector<std::tuple<Integer, Integer, std::string>>& connus) {
    for (const auto& [n, cible, total] : connus)
        EXPECT_NE(calculer(n, cible, cible != n, false).find(bilan(total, std::to_string(cible))), std::string::npos) << n;
}

TEST(KnownCounts, PastTheWordsOfTheOldTable) {
    verifier_connus({{332640, 332640, "2412144789801125377441452065647175229198266787105804"},
                     {221760, 364608, "803752436622626006491291460229512963064485864"}});
}

TEST(KnownCountsSlow, UpTo1081080) {
    verifier_connus({{360360, 360360, "2230794647656594771441878205665591752836857337974355"},
                     {720720, 720720, "218070824142095497248809692911681589615265054251943034326654589941"},
                     {1081080, 1081080, "10390555645809993766603439922244614341034010996981825908639851765911508"}});
}

/// The program through a pipe, with an address space of `ko` KiB at most.
Execution lancer_limite(const std::string& reponses, long ko) {
    return executer({.programme = "/bin/sh",
                     .arguments = {"-c", "ulimit -v " + std::to_string(ko) + " && exec " + programme_taverlune()},
                     .etapes = {{0, reponses}}});
}

TEST(Limits, AMemoryLimitGivesTheCountOrOneLineAndStatus1) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer's shadow memory needs more address space than any such limit";
#endif
    // 720720 counted within 50 MB of address space; 153,600 divisors
    // listed within 8 MB cannot be.
    const Execution e = lancer_limite("720720 0 0 0\n", 50000);
    verifier_fin_normale(e);
    EXPECT_NE(e.sortie.find(bilan("218070824142095497248809692911681589615265054251943034326654589941", "720720")),
              std::string::npos) << e.erreurs;
    const Execution f = lancer_limite("8976124847866176000 0 1 100 0\n", 8000);
    EXPECT_EQ(f.statut, 1);
    EXPECT_EQ(f.erreurs, "taverlune: out of memory: the calculation cannot go on\n");
}

}  // namespace
