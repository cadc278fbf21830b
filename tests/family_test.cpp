// The divisor-sum family against a brute force of its own (divisors by trial
// division, sums of subsets by counting, straight from the definitions) on
// every n up to 3000, one n at a time and over ranges; the first terms and
// counts the encyclopedia publishes; the command line's --list, --count,
// --classify and --sequence, its files taken up again and its refusals.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/family_internal.h"
#include "support/process.h"
#include <taverlune/family.h>

using namespace taverlune;

namespace {

using P = Propriete;

/// Each property of each n up to `max`, f(n) and a(n), from the definitions.
struct Brute {
    std::vector<std::array<bool, nombre_de_proprietes>> oui;
    std::vector<std::uint64_t> f, a;
    explicit Brute(int max) : oui(max + 1), f(max + 1), a(max + 1) {
        for (int n = 1; n <= max; ++n) {
            std::vector<int> d;
            for (int k = 1; k <= n; ++k)
                if (n % k == 0) d.push_back(k);
            int sigma = 0;
            for (int k : d) sigma += k;
            std::vector<std::uint64_t> c(sigma + 1);  // c[s]: the sets of divisors (n included) of sum s
            c[0] = 1;
            for (int k : d)
                for (int s = sigma; s >= k; --s) c[s] += c[s - k];
            auto& o = oui[n];
            const auto est = [&](P p) -> bool& { return o[static_cast<std::size_t>(p)]; };
            a[n] = c[n] - 1;  // {n} alone is not a set of proper divisors
            f[n] = sigma % 2 == 0 ? c[sigma / 2] / 2 : 0;
            est(P::abondant) = sigma > 2 * n, est(P::parfait) = sigma == 2 * n, est(P::deficient) = sigma < 2 * n;
            est(P::semiparfait) = a[n] > 0;
            est(P::etrange) = sigma > 2 * n && a[n] == 0;
            est(P::zumkeller) = f[n] > 0;
            est(P::pratique) = std::find(c.begin(), c.end(), 0) == c.end();
            est(P::semiparfait_primitif) = est(P::semiparfait), est(P::etrange_primitif) = est(P::etrange);
            for (int k : d)
                if (k < n) {
                    est(P::semiparfait_primitif) &= !oui[k][static_cast<std::size_t>(P::semiparfait)];
                    est(P::etrange_primitif) &= !oui[k][static_cast<std::size_t>(P::etrange)];
                }
        }
    }
    std::vector<std::int64_t> liste(P p, int de, int a_) const {
        std::vector<std::int64_t> r;
        for (int n = de; n <= a_; ++n)
            if (oui[n][static_cast<std::size_t>(p)]) r.push_back(n);
        return r;
    }
};

const Brute& brute() {
    static const Brute b(3000);
    return b;
}

std::vector<std::int64_t> liste(P p, std::int64_t de, std::int64_t a, unsigned fils) {
    std::vector<std::int64_t> r;
    EXPECT_TRUE(lister_propriete(p, de, a, [&](std::int64_t n) { r.push_back(n); }, {fils}));
    return r;
}

TEST(Family, EveryPropertyOfEveryNUpTo3000AgainstTheDefinitions) {
    const Brute& b = brute();
    for (std::int64_t n = 1; n <= 3000; ++n) {
        const Classement c = classer(n);
        ASSERT_EQ(c.oui, b.oui[n]) << n;
        ASSERT_EQ(c.separations, Compte{} += b.f[n]) << n;
        ASSERT_EQ(c.a, Compte{} += b.a[n]) << n;
    }
    for (const P p : proprietes) {
        SCOPED_TRACE(std::string(nom_de(p)));
        EXPECT_EQ(liste(p, 1, 3000, 2), b.liste(p, 1, 3000));
        EXPECT_EQ(liste(p, 1234, 2048, 1), b.liste(p, 1234, 2048));  // ending at a prime power
        EXPECT_EQ(compter_propriete(p, 7, 3000, {2}), b.liste(p, 7, 3000).size());
        EXPECT_EQ(propriete_de(nom_de(p)), p);
        EXPECT_EQ(propriete_de(numero_de(p)), p);
    }
    EXPECT_EQ(propriete_de("Primitive-WEIRD"), P::etrange_primitif);
    EXPECT_EQ(propriete_de("a083207"), P::zumkeller);
    EXPECT_EQ(propriete_de("odd"), std::nullopt);
}

TEST(Family, TheSplitAlongAPrimePowerDecidesEveryTarget) {
    for (int n = 2; n <= 2000; ++n) {
        const Facteurs f = facteurs_de(n);
        if (f.nf < 2) continue;
        std::vector<char> r = {1};  // r[s]: divisors other than n make s
        for (int k = 1; k < n; ++k)
            if (n % k == 0) {
                r.resize(r.size() + k);
                for (std::size_t s = r.size(); s-- > static_cast<std::size_t>(k);) r[s] |= r[s - k];
            }
        Decideur d;
        for (std::size_t t = 0; t < r.size(); t += 1 + t / 30) ASSERT_EQ(d.par_chiffres(f, n, t), r[t] != 0) << n << " " << t;
    }
}

TEST(Family, FirstTermsAndPublishedCounts) {
    struct Row {
        P p;
        std::int64_t jusqua;
        std::vector<std::int64_t> termes;
    };
    for (const Row& r : {Row{P::semiparfait_primitif, 350, {6, 20, 28, 88, 104, 272, 304, 350}},
                         Row{P::etrange, 7192, {70, 836, 4030, 5830, 7192}},
                         Row{P::etrange_primitif, 10792, {70, 836, 4030, 5830, 7192, 7912, 9272, 10792}},
                         Row{P::pratique, 24, {1, 2, 4, 6, 8, 12, 16, 18, 20, 24}},
                         Row{P::parfait, 10000, {6, 28, 496, 8128}}})
        EXPECT_EQ(liste(r.p, 1, r.jusqua, 0), r.termes) << nom_de(r.p);
    EXPECT_EQ(compter_propriete(P::etrange, 1, 99999), 204u);
    // f(n) for the splits of the divisors of the first Zumkeller numbers.
    EXPECT_EQ(classer(24).separations, Compte{} += 3);
    // Practical numbers built (long ranges) and tested (short ones): the
    // counts up to 10^6 and 10^7 as PARI/GP finds them, and a piece of a range.
    EXPECT_EQ(compter_propriete(P::pratique, 1, 1000000), 97385u);
    EXPECT_EQ(compter_propriete(P::pratique, 1, 10000000), 829157u);
    std::uint64_t par_test = 0;
    lister_propriete(P::pratique, 2000001, 3000000, [&](std::int64_t) { ++par_test; });
    EXPECT_EQ(compter_propriete(P::pratique, 2000001, 3000000), par_test);
}

essai::Execution commande(std::vector<std::string> arguments) { return essai::executer({.arguments = std::move(arguments)}); }

std::string lignes(const std::vector<std::int64_t>& n) {
    std::string r;
    for (const std::int64_t x : n) r += std::to_string(x) + "\n";
    return r;
}

TEST(FamilyCommandLine, ListCountClassifyAndTheSequenceOfSplits) {
    const Brute& b = brute();
    EXPECT_EQ(commande({"--list", "A006037", "1", "3e3", "-t", "2"}).sortie, lignes(b.liste(P::etrange, 1, 3000)));
    EXPECT_EQ(commande({"--count", "--list", "Zumkeller", "100", "3000"}).sortie,
              std::to_string(b.liste(P::zumkeller, 100, 3000).size()) + "\n");
    std::string splits, classes;
    for (int n = 2990; n <= 3000; ++n) splits += std::to_string(n) + " " + std::to_string(b.f[n]) + "\n";
    EXPECT_EQ(commande({"--table", "2990", "3000", "--sequence", "zumkeller-splits"}).sortie, splits);
    for (const int n : {70, 24}) {
        for (const P p : proprietes)
            classes += std::to_string(n) + " " + std::string(nom_de(p)) + (b.oui[n][static_cast<std::size_t>(p)] ? " yes\n" : " no\n");
        classes += std::to_string(n) + " zumkeller-splits " + std::to_string(b.f[n]) + "\n" + std::to_string(n) +
                   " a065205 " + std::to_string(b.a[n]) + "\n";
    }
    EXPECT_EQ(commande({"--classify", "70", "24"}).sortie, classes);
    EXPECT_TRUE(commande({"28", "--classify"}).sortie.starts_with("semiperfect yes\nprimitive-semiperfect yes\n"));
}

TEST(FamilyCommandLine, AListFileCutAnywhereEndsAsOneRun) {
    const std::string fichier = ::testing::TempDir() + "taverlune_liste_" + std::to_string(::getpid());
    const std::vector<std::string> arguments = {"--list", "weird", "1", "1e4", "-o", fichier};
    const std::string attendu = "# taverlune --list weird 1 10000\n" + lignes(brute().liste(P::etrange, 1, 3000)) +
                                "4030\n5830\n7192\n7912\n9272\n";
    for (const std::size_t k : {std::size_t{0}, std::size_t{5}, std::size_t{33}, std::size_t{36}, std::size_t{45}, attendu.size()}) {
        std::ofstream(fichier, std::ios::binary) << attendu.substr(0, k);
        ASSERT_EQ(commande(arguments).statut, 0) << k;
        std::ifstream f(fichier, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), attendu) << k;
    }
    std::ofstream(fichier, std::ios::binary) << "# taverlune --list weird 1 9999\n";
    EXPECT_EQ(commande(arguments).statut, 2);
    // Its picture, the lines of the run before included: the line ends at 7 on an axis up to 8.
    std::ofstream(fichier, std::ios::binary) << attendu.substr(0, 45);
    const std::string image = fichier + ".svg";
    ASSERT_EQ(commande({"--list", "weird", "1", "1e4", "-o", fichier, "--plot", image}).statut, 0);
    std::ifstream svg(image);
    const std::string texte(std::istreambuf_iterator<char>(svg), {});
    EXPECT_NE(texte.find(" 780,97.5 \""), std::string::npos) << texte;
    std::remove(image.c_str());
    std::remove(fichier.c_str());
}

TEST(FamilyCommandLine, EveryMisfitIsOneLineAndStatus2) {
    const std::vector<std::vector<std::string>> rows = {
        {"--list", "odd", "1", "9"}, {"--list", "weird", "1"}, {"--list", "weird", "9", "1"},
        {"--list", "weird", "1", "9", "12"}, {"--list", "weird", "1", "9", "--table", "1", "9"},
        {"--list", "weird", "1", "9", "--records"}, {"--list", "weird", "1", "9", "--target-offset", "1"},
        {"--list", "weird", "1", "9", "-d"}, {"--list", "weird", "1", "9", "--double-check"},
        {"--list", "weird", "1", "9", "--count", "-o", "f"}, {"--list", "weird", "1", "9", "--count", "--plot", "f"}, {"--list", "weird", "1", "9", "--sequence", "A083206"},
        {"--count", "12"}, {"--count", "--table", "1", "9"}, {"12", "--classify", "--target", "5"},
        {"--classify", "--table", "1", "9"}, {"--classify"}, {"12", "--classify", "-o", "f"},
        {"12", "--sequence", "A083206"}, {"--table", "1", "9", "--sequence", "A000001"},
        {"--table", "1", "9", "--sequence", "A083206", "--target-offset", "-1"}, {"--list=weird", "1", "9"},
        {"--classify", "9223372036854415440"},  // 720720 k: f(n) needs a target past 2^63 - 1
    };
    for (const auto& r : rows) {
        const essai::Execution e = commande(r);
        EXPECT_TRUE(e.statut == 2 && e.sortie.empty() && std::count(e.erreurs.begin(), e.erreurs.end(), '\n') == 1)
            << r[0] << " " << r[1] << ": " << e.statut << " " << e.erreurs;
    }
}

TEST(FamilySlow, PublishedCounts) {
    EXPECT_EQ(compter_propriete(P::etrange_primitif, 1, 9999999), 48u);
    EXPECT_EQ(compter_propriete(P::zumkeller, 1, 999999), 229026u);
}

}  // namespace
