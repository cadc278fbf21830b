// Counting without listing: the table and the split along each prime factor
// against the brute force on every N up to 3000; counts rebuilt from their
// residues across word boundaries; the same counts on one thread and on
// several; counts known from another program; and the whole program under
// a memory limit or facing a count that cannot end.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/count_table.h"
#include "engine/passes.h"
#include "engine/prime_power_split.h"
#include "support/oracle.h"
#include "support/process.h"

namespace {

using namespace essai;

std::vector<std::vector<Compte>> par_methode;  // the counts of each method, by number of terms

// A search that counts with the table, then with the split along each prime factor of N.
void chaque_methode() {
    const Suivi rien = [](double) {};
    par_methode.assign(1, {});
    EXPECT_TRUE(compter_sous_ensembles(&Div[1], static_cast<std::size_t>(ND1), SN, rien, par_methode[0]));
    for (int f = 1; f <= nf && N > 1; ++f) {
        par_methode.emplace_back();
        EXPECT_TRUE(compter_par_structure(f, SN, static_cast<std::size_t>(ND1), rien, par_methode.back()));
    }
}

TEST(Methods, AgreeWithTheBruteForceOnEveryNUpTo3000) {
    std::printf("seed 20261207\n");
    std::mt19937_64 alea(20261207);
    const std::size_t paires = paires_des_octets;
    for (Integer n = 2; n <= 3000; ++n) {
        paires_des_octets = n % 2 == 0 ? 0 : paires;  // even N: the tables add their elements in pairs
        // The target N, and a target among the sums the divisors reach or past N.
        for (const Integer cible : {n, static_cast<Integer>(alea() % static_cast<std::uint64_t>(2 * n)) + 1}) {
            SCOPED_TRACE("N = " + std::to_string(n) + ", target " + std::to_string(cible));
            par_methode.clear();  // a quick outcome runs no method
            calculer(n, cible, cible != n, false, chaque_methode);
            std::vector<Integer> d = propres(n);
            std::erase_if(d, [&](Integer x) { return x > cible; });
            const Sommes attendu = sommes_de(d, cible, false);
            for (const std::vector<Compte>& c : par_methode) {
                ASSERT_EQ(c.size(), d.size() + 1);
                for (std::size_t m = 0; m < c.size(); ++m)
                    ASSERT_EQ(c[m].decimal(), std::to_string(attendu.par_termes[m])) << &c - &par_methode[0] << ", " << m;
            }
        }
    }
    paires_des_octets = paires;
}

TEST(Residues, RebuildCountsAcrossWordBoundaries) {
    const std::uint64_t max = ~std::uint64_t{0};
    for (const std::vector<std::uint64_t>& mots : std::vector<std::vector<std::uint64_t>>{
             {max}, {0, 1}, {1, 1}, {max, max}, {0, 0, 1}, {max, max, max}, {12345, 0, 0, 1}, {7, max, 3, max, 9}}) {
        const std::size_t P = premiers_necessaires(64.0 * static_cast<double>(mots.size()));
        const std::vector<Residu> q(premiers_modulaires(P).begin(), premiers_modulaires(P).begin() + static_cast<long>(P));
        std::vector<Residu> r;
        for (const Residu p : q) {  // x modulo p, word by word from the top
            u128 reste = 0;
            for (std::size_t w = mots.size(); w-- > 0;) reste = ((reste << 64) | mots[w]) % p;
            r.push_back(static_cast<Residu>(reste));
        }
        EXPECT_EQ(reconstruire(r.data(), 1, q).mots, mots);
    }
}

TEST(Threads, TheSameDistributionOnOneThreadAndOnSeveralWithOrWithoutAvx2) {
    for (const Integer n : {5040, 27720, 221760}) {
        fils_max = 1;
        const std::string un = calculer(n, n, false, false);
        for (fils_max = 2; fils_max <= 8; fils_max *= 2) EXPECT_EQ(calculer(n, n, false, false), un) << n << ", " << fils_max;
        EXPECT_EQ((noyau_portable = true, calculer(n, n, false, false)), un) << n << " without AVX2";
        noyau_portable = false;
    }
    fils_max = 0;
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
    // 720720 counted within 150 MB of address space; 153,600 divisors listed within 8 MB cannot be.
    const Execution e = lancer_limite("720720 0 0 0\n", 150000);
    verifier_fin_normale(e);
    EXPECT_NE(e.sortie.find(bilan("218070824142095497248809692911681589615265054251943034326654589941", "720720")),
              std::string::npos) << e.erreurs;
    const Execution f = lancer_limite("8976124847866176000 0 1 100 0\n", 8000);
    EXPECT_EQ(f.statut, 1);
    EXPECT_EQ(f.erreurs, "taverlune: out of memory: the calculation cannot go on\n");
}

TEST(Limits, ACountThatCannotEndIsSaidAtOnce) {
    const Execution e = executer({.etapes = {{0, "963761198400 0 0 0\n"}}, .secondes_max = 5});
    EXPECT_TRUE(e.erreurs.starts_with("taverlune: ") && e.erreurs.find("years") != std::string::npos &&
                e.erreurs.find('\n') == e.erreurs.size() - 1) << e.erreurs;
}

}  // namespace
