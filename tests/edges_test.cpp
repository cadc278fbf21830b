// The command line at the edges of 64 bits: numbers up to 2^63 - 1 built
// from their prime factors (so that the test knows their divisors without
// factorising), targets and offsets next to 2^63 - 1 and to the sum of the
// divisors, each figure against a brute force over the subsets of the
// divisors, in 128 bits. A table of chosen edges, then random command lines
// from a fixed seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "support/oracle.h"
#include "support/process.h"

namespace {

using namespace essai;
using u64 = std::uint64_t;
constexpr u64 kMax = 9223372036854775807ULL;  // 2^63 - 1

u64 mulmod(u64 a, u64 b, u64 m) { return static_cast<u64>(static_cast<u128>(a) * b % m); }

/// Miller-Rabin with the first twelve primes as bases: exact below 3.3 * 10^24.
bool premier(u64 n) {
    if (n < 2) return false;
    for (const u64 p : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37})
        if (n % p == 0) return n == p;
    u64 d = n - 1;
    int s = 0;
    for (; d % 2 == 0; d /= 2) ++s;
    for (const u64 a : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
        u64 x = 1, b = a % n;
        for (u64 e = d; e != 0; e >>= 1, b = mulmod(b, b, n))
            if (e & 1) x = mulmod(x, b, n);
        if (x == 1 || x == n - 1) continue;
        bool compose = true;
        for (int r = 1; r < s && compose; ++r) compose = (x = mulmod(x, x, n)) != n - 1;
        if (compose) return false;
    }
    return true;
}

/// A number given by its prime factors (with repeats), and what the brute force says of it.
struct Nombre {
    u64 n = 1;
    std::vector<u64> propres;  ///< the divisors other than n, ascending

    explicit Nombre(const std::vector<u64>& facteurs) {
        std::vector<u64> d = {1};
        for (const u64 p : facteurs) {
            n *= p;
            const std::size_t avant = d.size();
            for (std::size_t k = 0; k < avant; ++k) d.push_back(d[k] * p);
        }
        std::sort(d.begin(), d.end());
        d.erase(std::unique(d.begin(), d.end()), d.end());
        d.pop_back();
        propres = d;
    }
    u128 somme() const { return std::accumulate(propres.begin(), propres.end(), u128{0}); }
    /// The subsets of the divisors up to `cible` whose sum is `cible`, in the
    /// listing's order (ascending terms, lexicographic), with their counts by size.
    struct Solutions {
        std::vector<u128> par_termes;
        std::string liste;
        u128 total = 0;
    };
    Solutions solutions(u128 cible) const {
        std::vector<u64> e;
        for (const u64 d : propres)
            if (d <= cible) e.push_back(d);
        Solutions r;
        r.par_termes.assign(e.size() + 1, 0);
        std::vector<std::vector<u64>> trouvees;
        for (u64 masque = 1; masque < (u64{1} << e.size()); ++masque) {
            u128 s = 0;
            std::vector<u64> t;
            for (std::size_t k = 0; k < e.size(); ++k)
                if (masque >> k & 1) s += e[k], t.push_back(e[k]);
            if (s == cible) ++r.par_termes[t.size()], ++r.total, trouvees.push_back(t);
        }
        std::sort(trouvees.begin(), trouvees.end());
        for (const std::vector<u64>& t : trouvees) {
            for (std::size_t k = 0; k < t.size(); ++k) r.liste.append(k ? " " : "").append(std::to_string(t[k]));
            r.liste += "\n";
        }
        return r;
    }
};

/// What the command line must print for N's count at `cible` in the form `forme`.
std::string attendu(const Nombre& x, u128 cible, const std::string& forme) {
    const Nombre::Solutions s = x.solutions(cible);
    if (forme == "--print") return s.liste;
    if (forme == "-d") {
        std::string r;
        for (std::size_t m = 1; m < s.par_termes.size(); ++m)
            if (s.par_termes[m] != 0) r += std::to_string(m) + " " + decimal(s.par_termes[m]) + "\n";
        return r;
    }
    return decimal(s.total) + "\n";
}

const u64 p760 = 760000000000000021ULL;  // prime: 12 p is the example of the overflowing table target

struct Row {
    std::vector<std::string> arguments;
    std::string sortie, erreurs = "";  ///< exactly; status 0 when no error, else 2
};

/// One check of a command line against its expected figure.
void verifier_ligne(const Row& r) {
    SCOPED_TRACE(std::accumulate(r.arguments.begin(), r.arguments.end(), std::string(), [](auto x, auto y) { return x + y + " "; }));
    const Execution e = executer({.arguments = r.arguments});
    EXPECT_EQ(e.statut, r.erreurs.empty() ? 0 : 2);
    EXPECT_EQ(e.erreurs, r.erreurs);
    EXPECT_EQ(e.sortie, r.sortie);
}

/// The table of one n with the target n + k.
Row ligne_de_table(const Nombre& x, std::int64_t k) {
    const std::string n = std::to_string(x.n);
    const u128 cible = static_cast<u128>(x.n) + static_cast<u128>(k);  // modulo 2^128: k < 0 subtracts
    return {{"--table", n, n, "--target-offset", std::to_string(k)}, n + " " + attendu(x, cible, "")};
}

TEST(Edges, TargetsAndOffsetsNextTo2To63) {
    const Nombre douze_p({2, 2, 3, p760}), grand({2, 2, 3, 576460752303423433ULL});
    ASSERT_TRUE(premier(p760) && premier(576460752303423433ULL));
    // 12 p with p prime: the sum of its divisors other than itself and 1 is 16 p + 27.
    const std::string refus = "taverlune: --target-offset 3040000000000000111 takes the target n + K past 2^63 - 1: "
                              "with it, B is at most 6183372036854775696 (try 'taverlune --help')\n";
    const u128 toutes = grand.somme();  // 16 q + 28, 851 below 2^63 - 1
    const std::int64_t jusqua_max = static_cast<std::int64_t>(kMax - grand.n);
    const std::vector<Row> rows = {
        {{"--table", std::to_string(douze_p.n), std::to_string(douze_p.n), "--target-offset", "3040000000000000111"},
         "",
         refus},
        ligne_de_table(grand, jusqua_max),      // the target 2^63 - 1 exactly
        ligne_de_table(grand, jusqua_max - 1),  // and the sums just below it
        ligne_de_table(grand, jusqua_max - 12),
        ligne_de_table(douze_p, -static_cast<std::int64_t>(douze_p.n) + 1),  // the target 1
        ligne_de_table(douze_p, -static_cast<std::int64_t>(douze_p.n)),      // the target 0: no set
        {{std::to_string(grand.n), "--target", std::to_string(kMax)}, attendu(grand, kMax, "")},
        // Targets whose complement in all the divisors is a few units: the
        // same count as that small target.
        {{std::to_string(grand.n), "--target", decimal(toutes - 30)}, attendu(grand, toutes - 30, "")},
        {{std::to_string(grand.n), "-d", "--target", decimal(toutes - 35)}, attendu(grand, toutes - 35, "-d")},
        {{std::to_string(grand.n), "-p", "--target", decimal(toutes - 40)}, attendu(grand, toutes - 40, "--print")},
        {{"--table", std::to_string(kMax), std::to_string(kMax)}, std::to_string(kMax) + " 0\n"},
        {{std::to_string(kMax), "--target", std::to_string(kMax - 1)}, "0\n"},
    };
    for (const Row& r : rows) verifier_ligne(r);
}

TEST(Edges, RandomCommandLinesAgainstTheBruteForce) {
    std::printf("seed 20261208\n");
    std::mt19937_64 alea(20261208);
    const auto entre = [&](u64 a, u64 b) { return a + alea() % (b - a + 1); };
    const auto premier_vers = [&](u64 a, u64 b) {
        for (u64 p = entre(a, b) | 1;; p = p + 2 > b ? (a | 1) : p + 2)
            if (premier(p)) return p;
    };
    for (int fois = 0; fois < 300; ++fois) {
        // A small part of few divisors, then one or two large primes filling up to 2^63 - 1.
        std::vector<u64> f;
        u64 petit = 1;
        for (int k = static_cast<int>(alea() % 6); k > 0; --k) f.push_back(std::vector<u64>{2, 3, 5, 7}[alea() % 4]);
        for (const u64 p : f) petit *= p;
        const u64 place = kMax / petit;
        if (alea() % 3 == 0 && place > (u64{1} << 40)) {
            const u64 q = premier_vers(u64{1} << 20, u64{1} << 31);
            f.push_back(q), f.push_back(premier_vers(place / q / 2, place / q));
        } else if (alea() % 5 != 0) {
            f.push_back(premier_vers(place / 2, place));
        }
        const Nombre x(f);
        if (x.propres.size() > 16) continue;
        // The target: N, a sum of some of its divisors, its complement, next to 2^63 - 1 or random.
        u128 somme = 0;
        for (const u64 d : x.propres)
            if (alea() % 2) somme += d;
        const u128 toutes = x.somme();
        const u128 choix[] = {x.n, somme, toutes - somme, kMax - alea() % 4, entre(1, kMax), somme + 1};
        const u128 cible = choix[alea() % 6];
        if (cible < 1 || cible > kMax) continue;
        const std::string n = std::to_string(x.n);
        const std::string formes[] = {"", "-d", "--print"};
        switch (alea() % 4) {
            case 3: {  // a table of one n, its target n + k
                const auto k = static_cast<std::int64_t>(static_cast<u64>(cible) - x.n);  // modulo 2^64
                verifier_ligne(ligne_de_table(x, k));
                break;
            }
            default: {
                const std::string forme = formes[alea() % 3];
                std::vector<std::string> a = {n, "--target", decimal(cible)};
                if (!forme.empty()) a.push_back(forme);
                verifier_ligne({a, attendu(x, cible, forme)});
            }
        }
    }
}

}  // namespace
