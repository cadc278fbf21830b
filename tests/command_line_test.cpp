// The command line through the built program: counts, distributions and
// listings against the brute force; tables against a counting of our own on
// every n up to 10,000; the same bytes on one thread and on two; a table
// file killed at random moments and taken up again; every bad argument.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "command_line/command_line.h"
#include "console/language.h"
#include "console/progress.h"
#include "support/oracle.h"
#include "support/process.h"

using namespace taverlune;

namespace {

using namespace essai;

Execution commande(std::vector<std::string> arguments) { return executer({.arguments = std::move(arguments)}); }

/// a(n) for the target n + k, by a table over the sums of our own (exact
/// below 2^128, far beyond these n): no subset listed, no residues.
std::string a_par_sommes(Integer n, Integer k) {
    const Integer cible = n + k;
    if (cible < 1 || n < 2) return "0";
    std::vector<u128> t(static_cast<std::size_t>(cible) + 1, 0);
    t[0] = 1;
    for (Integer d = 1; d < n; ++d)
        if (n % d == 0 && d <= cible)
            for (Integer s = cible; s >= d; --s) t[static_cast<std::size_t>(s)] += t[static_cast<std::size_t>(s - d)];
    return decimal(t.back());
}

/// The lines "n a(n)" of the table from a to b, target n + k.
std::string table_attendue(Integer a, Integer b, Integer k) {
    std::string r;
    for (Integer n = a; n <= b; ++n) r += std::to_string(n) + " " + a_par_sommes(n, k) + "\n";
    return r;
}

TEST(CommandLine, CountsDistributionsAndListingsAgainstTheBruteForce) {
    struct Row {
        Integer n, cible;
    };
    for (const Row& r : {Row{12, 12}, {12, 10}, {24, 24}, {28, 28}, {120, 120}, {120, 200}, {360, 100}, {945, 945},
                         {2, 2}, {1, 1}, {720, 5}, {30, 31}}) {
        SCOPED_TRACE(std::to_string(r.n) + " target " + std::to_string(r.cible));
        std::vector<Integer> d = propres(r.n);
        if (r.n == 1) d.clear();
        std::erase_if(d, [&](Integer x) { return x > r.cible; });
        const Sommes s = sommes_de(d, r.cible, true);
        std::string compte = std::to_string(s.total()) + "\n", distribution, liste;
        for (std::size_t m = 1; m < s.par_termes.size(); ++m)
            if (s.par_termes[m] != 0) distribution += std::to_string(m) + " " + std::to_string(s.par_termes[m]) + "\n";
        for (const std::vector<Integer>& solution : s.liste) {
            for (std::size_t k = 0; k < solution.size(); ++k) liste.append(k ? " " : "").append(std::to_string(solution[k]));
            liste += "\n";
        }
        const std::vector<std::string> base = {std::to_string(r.n), "--target", std::to_string(r.cible)};
        const auto avec = [&](std::vector<std::string> plus) {
            plus.insert(plus.begin(), base.begin(), base.end());
            const Execution e = commande(plus);
            EXPECT_TRUE(e.statut == 0 && e.erreurs.empty()) << e.statut << e.erreurs;
            return e.sortie;
        };
        EXPECT_EQ(avec({}), compte);
        EXPECT_EQ(avec({"--double-check"}), compte);
        EXPECT_EQ(avec({"-d"}), distribution);
        EXPECT_EQ(avec({"-d", "--double-check"}), distribution);
        EXPECT_EQ(avec({"--print"}), liste);
    }
    // Several N: one line each; a(1) = 0, a perfect number 1.
    EXPECT_EQ(commande({"1", "6", "12", "8128", "945", "1e1"}).sortie, "1 0\n6 1\n12 2\n8128 1\n945 5\n10 0\n");
}

/// The table from 1 to 10,000, counted once.
const std::string& table_1_10000() {
    static const std::string t = table_attendue(1, 10000, 0);
    return t;
}

std::string records_de(const std::string& table);

TEST(CommandLine, TheTableEqualsAnIndependentCountOnEveryNUpTo10000) {
    const Execution e = commande({"--table", "1", "1e4"});
    ASSERT_EQ(e.statut, 0) << e.erreurs;
    EXPECT_TRUE(meme_sortie(e.sortie, table_1_10000()));
    // Other targets, and the records of the first table.
    for (const Integer k : {-7, 1, 40}) {
        const Execution f = commande({"--table", "2", "2000", "--target-offset", std::to_string(k)});
        EXPECT_TRUE(meme_sortie(f.sortie, table_attendue(2, 2000, k))) << k;
    }
    EXPECT_EQ(commande({"--table", "1", "10000", "--records"}).sortie, records_de(table_1_10000()));
}

TEST(CommandLine, TheSameBytesOnOneThreadAndOnTwo) {
    const Execution un = commande({"--table", "1", "30000", "-t", "1"});
    EXPECT_TRUE(un.statut == 0 && meme_sortie(commande({"--table", "1", "30000", "--threads=2"}).sortie, un.sortie));
    EXPECT_EQ(commande({"720720", "-d", "-t", "2"}).sortie, commande({"720720", "-d", "-t", "1"}).sortie);
}

std::string lire(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void ecrire_fichier(const std::string& chemin, const std::string& texte) { std::ofstream(chemin, std::ios::binary) << texte; }

/// The lines of `table` whose a(n) exceeds every one before (the counts stay below 2^64 here).
std::string records_de(const std::string& table) {
    std::string records;
    std::istringstream lignes(table);
    std::uint64_t plus = 0;
    for (std::string n, a; lignes >> n >> a;)
        if (std::stoull(a) > plus) plus = std::stoull(a), records += n + " " + a + "\n";
    return records;
}

TEST(CommandLine, ATableFileCutAtAnyByteResumesToOneRunsBytes) {
    const std::string fichier = ::testing::TempDir() + "taverlune_table_" + std::to_string(::getpid());
    struct Row {
        std::vector<std::string> arguments;
        std::string attendu;  ///< the finished file
    };
    const Row rows[] = {
        {{"--table", "1", "70", "--target-offset", "-2", "-o", fichier},
         "# taverlune --table 1 70 --target-offset -2\n" + table_attendue(1, 70, -2)},
        {{"--table", "1", "400", "--records", "-o", fichier},
         "# taverlune --table 1 400 --records\n" + records_de(table_attendue(1, 400, 0))},
    };
    // What a crash leaves: the file cut at any byte, a partial line after it or not.
    for (const Row& r : rows)
        for (std::size_t k = 0; k <= r.attendu.size(); ++k)
            for (const std::string partielle : {"", "12 3"}) {
                SCOPED_TRACE(r.arguments[2] + " cut after " + std::to_string(k) + " bytes, then '" + partielle + "'");
                ecrire_fichier(fichier, r.attendu.substr(0, k) + partielle);
                ASSERT_EQ(commande(r.arguments).statut, 0);
                ASSERT_TRUE(meme_sortie(lire(fichier), r.attendu));
            }
    // A whole '#' line naming another table is refused, the file left as it was.
    for (const std::string autre : {"# taverlune --table 1 71 --target-offset -2\n1 0\n", "x\n", "notes"}) {
        ecrire_fichier(fichier, autre);
        EXPECT_EQ(commande(rows[0].arguments).statut, 2) << autre;
        EXPECT_EQ(lire(fichier), autre);
    }
    // One real kill, as soon as the file holds a line of the table.
    const std::string entete = "# taverlune --table 1 10000 --records\n";
    const std::vector<std::string> records = {"--table", "1", "10000", "--records", "-o", fichier};
    std::remove(fichier.c_str());
    executer({.arguments = records,
              .signaler_quand = [&](const Execution&) { return lire(fichier).size() > entete.size(); },
              .signal = SIGKILL});
    ASSERT_EQ(commande(records).statut, 0);
    EXPECT_TRUE(meme_sortie(lire(fichier), entete + records_de(table_1_10000())));
    std::remove(fichier.c_str());
}

TEST(CommandLine, SigtermOrCtrlCLeaveWholeLinesAndTheSignalsStatus) {
    // The semiperfect numbers are the n with a(n) > 0.
    std::string semiparfaits;
    std::istringstream lignes(table_1_10000());
    for (std::string n, a; lignes >> n >> a;) semiparfaits += a == "0" ? "" : n + "\n";
    const std::vector<std::string> table = {"--table", "1", "1e9"}, liste = {"--list", "semiperfect", "1", "1e15"};
    for (const auto& [signal, arguments, attendu] : {std::tuple{SIGTERM, table, table_1_10000()},
                                                      {SIGINT, table, table_1_10000()}, {SIGTERM, liste, semiparfaits}}) {
        // Sent once the first line is out: the table or the list goes on for hours.
        const Execution e = executer({.arguments = arguments,
                                      .signaler_quand = [](const Execution& x) { return x.sortie.find('\n') != std::string::npos; },
                                      .signal = signal});
        EXPECT_EQ(e.signal, signal);  // 143 or 130 in a shell
        EXPECT_EQ(e.erreurs, "taverlune: calculation interrupted\n");
        ASSERT_FALSE(e.sortie.empty());
        EXPECT_EQ(e.sortie.back(), '\n');
        const std::size_t m = std::min(e.sortie.size(), attendu.size());
        EXPECT_TRUE(meme_sortie(e.sortie.substr(0, m), attendu.substr(0, m)));
    }
}

TEST(CommandLine, EveryBadArgumentIsOneLineAndStatus2) {
    const std::string estimer_seul =
        "--estimate goes with N, --target and --distribution: no --table, --print, --double-check or --plot";
    struct Row {
        std::vector<std::string> arguments;
        std::string erreur;
    };
    const Row rows[] = {
        {{"abc"}, "N is a whole number from 1 to 2^63 - 1, not 'abc'"},
        {{"0"}, "N is a whole number from 1 to 2^63 - 1, not '0'"},
        {{"-5"}, "unknown option '-5'"},
        {{"+5"}, "N is a whole number from 1 to 2^63 - 1, not '+5'"},
        {{"9223372036854775808"}, "N is a whole number from 1 to 2^63 - 1, not '9223372036854775808'"},
        {{"2^63"}, "N is a whole number from 1 to 2^63 - 1, not '2^63'"},
        {{"1.5e0"}, "N is a whole number from 1 to 2^63 - 1, not '1.5e0'"},
        {{"a\nb"}, "N is a whole number from 1 to 2^63 - 1, not 'a?b'"},
        {{"12", "--target"}, "option --target needs a value"},
        {{"12", "--target", "0"}, "--target takes a whole number from 1 to 2^63 - 1, not '0'"},
        {{"12", "-s", "x"}, "-s takes a whole number from 1 to 2^63 - 1, not 'x'"},
        {{"--table", "5", "3"}, "the table's range is empty: A is above B"},
        {{"--table", "5"}, "option --table needs two values, A and B"},
        {{"--table", "1", "-2"}, "--table takes a whole number from 1 to 2^63 - 1, not '-2'"},
        {{"--table", "1", "9", "--target-offset", "y"}, "--target-offset takes a whole number, with a sign if negative, not 'y'"},
        {{"12", "-t", "0"}, "-t takes a number of threads from 1 to 4096, not '0'"},
        {{"12", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"12", "--time=3"}, "option --time takes no value"},
        {{"--status"}, "nothing to count: give N, --table A B or --list PROPERTY A B"},
        {{"12", "--table", "1", "2"}, "--table takes no N: give one or the other"},
        {{"12", "-d", "-p"}, "--distribution and --print do not go together"},
        {{"--table", "1", "2", "-d"}, "--table counts only: no --distribution or --print"},
        {{"--table", "1", "2", "--target", "3"}, "--table takes --target-offset K, not --target"},
        {{"12", "--records"}, "--target-offset, --records and --output go with --table"},
        {{"12", "13", "-p"}, "--print lists the solutions of one N at a time"},
        {{"12", "--estimate", "-p"}, estimer_seul},
        {{"--table", "1", "9", "--estimate"}, estimer_seul},
        {{"12", "-d", "--estimate", "--plot", "x.svg"}, estimer_seul},
        {{"12", "--estimate=1"}, "option --estimate takes no value"},
    };
    for (const Row& r : rows) {
        const Execution e = commande(r.arguments);
        SCOPED_TRACE(visible(r.arguments[0]));
        EXPECT_EQ(e.statut, 2);
        EXPECT_EQ(e.sortie, "");
        EXPECT_EQ(e.erreurs, "taverlune: " + r.erreur + " (try 'taverlune --help')\n");
    }
}

// --estimate: one number of seconds (no count), 0 where the sum of the
// divisors settles it; a larger count is announced longer.
TEST(CommandLine, AnEstimateIsOneNumberOfSecondsAndCountsNothing) {
    const auto secondes = [](std::vector<std::string> arguments) {
        arguments.push_back("--estimate");
        const Execution e = commande(arguments);
        EXPECT_TRUE(e.statut == 0 && e.erreurs.empty()) << arguments[0];
        EXPECT_TRUE(e.sortie.ends_with("\n") && e.sortie.find_first_not_of("0123456789.\n") == std::string::npos &&
                    e.sortie.find('\n') == e.sortie.size() - 1) << e.sortie;
        return e.sortie.empty() ? -1 : std::stod(e.sortie);
    };
    // Deficient, perfect, a target no sum reaches, every divisor together.
    for (const auto& zero : std::vector<std::vector<std::string>>{
             {"1"}, {"4"}, {"6"}, {"28", "-d"}, {"12", "--target", "100"}, {"12", "--target", "16"}})
        EXPECT_EQ(secondes(zero), 0) << zero[0];
    const double petit = secondes({"720720"}), grand = secondes({"110270160"});
    EXPECT_TRUE(petit > 0 && grand > 20 * petit);  // 150 times the divisors' sums, 2.5 times the residues
    EXPECT_GT(secondes({"110270160", "-d"}), grand);  // the distribution costs more than the total
    EXPECT_TRUE(commande({"6", "720720", "--estimate"}).sortie.starts_with("6 0\n720720 "));
}

// Every message on standard error in English (LC_ALL=C) and in French, from
// the build's catalogue; the dialogue's bytes the same under both.
TEST(Language, EveryMessageInEnglishAndInFrench) {
    FILE* locales = ::popen("locale -a", "r");
    std::string liste(4096, '\0');
    liste.resize(std::fread(liste.data(), 1, liste.size(), locales));
    ::pclose(locales);
    if (liste.find("fr_FR.utf8") == std::string::npos) GTEST_SKIP() << "no fr_FR.UTF-8 locale on this machine";
    const std::vector<std::string> francais = {"LC_ALL=", "LANG=fr_FR.UTF-8", "LANGUAGE=fr",
                                               "TAVERLUNE_LOCALEDIR=" TAVERLUNE_LOCALE_BUILD};
    const std::string p = programme_taverlune();
    struct Row {
        std::string shell;          // run by sh -c, $0 the program
        std::string anglais, francais;  // standard error, or its start and end around a figure ("|")
    };
    const Row rows[] = {
        {"\"$0\" --help 2>&1 | head -n 1", "Usage: taverlune\n", "Usage : taverlune\n"},
        {"\"$0\" 0", "taverlune: N is a whole number from 1 to 2^63 - 1, not '0' (try 'taverlune --help')\n",
         "taverlune : N est un nombre entier de 1 à 2^63 - 1, pas « 0 » (voir « taverlune --help »)\n"},
        {"\"$0\" --table 1 2 -o /", "taverlune: cannot open /: |\n", "taverlune : impossible d'ouvrir / : |\n"},
        {"f=$(mktemp); echo x > $f; \"$0\" --table 1 2 -o $f; rm $f",
         "taverlune: |holds another table: remove it, or choose another file\n",
         "taverlune : |contient une autre table : supprimez-le, ou choisissez un autre fichier\n"},
        {"printf '18446744073709551617 0 0 0' | \"$0\" > /dev/null",
         "taverlune: 18446744073709551617 is beyond 2^63 - 1: taken as 1\n",
         "taverlune : 18446744073709551617 est au-delà de 2^63 - 1 : pris pour 1\n"},
        {"\"$0\" --help > /dev/full", "taverlune: write error: |\n", "taverlune : erreur d'écriture : |\n"},
        {"ulimit -v 8000; printf '8976124847866176000 0 1 100 0' | \"$0\" > /dev/null",
         "taverlune: out of memory: the calculation cannot go on\n",
         "taverlune : mémoire épuisée : le calcul ne peut pas continuer\n"},
        {"\"$0\" 720720 --print | head -c 10 > /dev/null",
         "taverlune: this listing cannot end in reasonable time: about 2.2e+65 solutions to print; it goes on "
         "(Ctrl-C stops it)\n",
         "taverlune : cette liste ne peut pas finir en un temps raisonnable : environ 2,2e+65 solutions à écrire ; "
         "elle continue (Ctrl-C l'arrête)\n"},
        {"exec \"$0\" 963761198400",  // interrupted once its warning is out
         "taverlune: counting by listing every solution cannot end in reasonable time: more than | years of work "
         "estimated; it goes on (Ctrl-C stops it)\ntaverlune: calculation interrupted\n",
         "taverlune : compter en énumérant chaque solution ne peut pas finir en un temps raisonnable : plus de | "
         "années de travail estimées ; le comptage continue (Ctrl-C l'arrête)\ntaverlune : calcul interrompu\n"},
    };
    for (const Row& r : rows)
        for (const bool fr : {false, true}) {
#ifdef __SANITIZE_ADDRESS__
            if (r.shell.starts_with("ulimit -v")) continue;  // the sanitizer's shadow memory needs more
#endif
            SCOPED_TRACE(r.shell + (fr ? " in French" : " in English"));
            const bool interrompre = r.shell.ends_with("963761198400");
            const Execution e = executer(
                {.programme = "/bin/sh", .arguments = {"-c", r.shell, p},
                 .environnement = fr ? francais : std::vector<std::string>{},
                 .signaler_quand = [&](const Execution& x) { return interrompre && x.erreurs.find('\n') != std::string::npos; },
                 .signal = SIGINT});
            const std::string& attendu = fr ? r.francais : r.anglais;
            const std::string& obtenu = r.shell.find("--help 2>&1") != std::string::npos ? e.sortie : e.erreurs;
            const std::size_t trou = attendu.find('|');
            if (trou == std::string::npos) EXPECT_EQ(obtenu, attendu);
            else EXPECT_TRUE(obtenu.starts_with(attendu.substr(0, trou)) && obtenu.ends_with(attendu.substr(trou + 1)))
                << obtenu;
        }
    // The progress line, in this process: the locale's decimal comma.
    for (const std::string& e : francais) ::setenv(e.substr(0, e.find('=')).c_str(), e.substr(e.find('=') + 1).c_str(), 1);
    choisir_la_langue();
    EXPECT_EQ(ligne_avancement(0.5, 3.2, 7, 80), "recherche :  50,000 %, encore ~3 s, depuis 3 s, 7 solutions");
    EXPECT_EQ(ligne_avancement(1e-9, 400 * 86400.0, {}, 80), "recherche :   0,000 %, encore plus d'un an, depuis plus d'un an");
    for (const char* v : {"LANG", "LANGUAGE", "TAVERLUNE_LOCALEDIR"}) ::unsetenv(v);
    std::setlocale(LC_ALL, "C");
    // The dialogue does not move.
    const std::string reponses = "28 1 0 1 720 0 1 100 1 18446744073709551617 0 0 0\n";
    const Execution c = executer({.etapes = {{0, reponses}}});
    const Execution f = executer({.etapes = {{0, reponses}}, .environnement = francais});
    EXPECT_TRUE(meme_sortie(f.sortie, c.sortie));
}

TEST(CommandLine, NumbersInTheFormsOfTheNumberTheoryTools) {
    struct Row {
        const char* texte;
        bool signe;
        std::optional<std::int64_t> valeur;
    };
    for (const Row& r : {Row{"1e6", false, 1000000}, {"10^6", false, 1000000}, {"2.5e3", false, 2500},
                         {"9223372036854775807", false, INT64_MAX}, {"2^62", false, std::int64_t{1} << 62},
                         {"0^0", false, 1}, {"1^99999999999", false, 1}, {"9.223372036854775807e18", false, INT64_MAX},
                         {"1e19", false, std::nullopt}, {"2^63", false, std::nullopt}, {"1.25e1", false, std::nullopt},
                         {"1.e3", false, std::nullopt}, {".5e1", false, std::nullopt}, {"0x10", false, std::nullopt},
                         {"", false, std::nullopt}, {"-3", false, std::nullopt}, {"-3", true, -3},
                         {"+1e3", true, 1000}, {"--3", true, std::nullopt}, {"12a", false, std::nullopt}}) {
        EXPECT_EQ(lire_nombre(r.texte, r.signe), r.valeur) << r.texte;
    }
}

}  // namespace
