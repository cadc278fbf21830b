// The whole program under hostile conditions, run end to end: its input cut at
// every byte, words of a mebibyte and endless refusals, a thousand calculations
// in one run, its standard streams closed or failing under it, and a terminal
// in place of the pipes. Peak memory figures are printed for the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/oracle.h"

namespace {

using namespace std::string_literals;
using namespace essai;

// Under AddressSanitizer the program sets freed memory aside for a while, so that
// its peak grows with the number of allocations: peaks are compared only without it.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kPicsComparables = false;
#else
constexpr bool kPicsComparables = true;
#endif

/// Runs `reponses` but their last "0\n", typed once the output holds `attendu`
/// (the program then waits at its last question) and its peak memory is read.
Execution mesurer(const std::string& reponses, const std::string& attendu) {
    const std::string avant = reponses.substr(0, reponses.size() - 2);
    const Execution e = executer({.etapes = {{0, avant}, {attendu.size(), "0\n", true}}});
    verifier_fin_normale(e);
    EXPECT_TRUE(meme_sortie(e.sortie, attendu));
    EXPECT_GT(e.pic_ko, 0);
    return e;
}

// ---- Input cut at every byte ------------------------------------------------------

bool separateur(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::size_t mots(const std::string& texte) {
    std::size_t n = 0;
    for (std::size_t k = 0; k < texte.size(); ++k) n += !separateur(texte[k]) && (k == 0 || separateur(texte[k - 1]));
    return n;
}

TEST(CutInput, EveryPrefixOfATwoCalculationDialogueEndsAtTheWaitingQuestion) {
    // N = 12, every solution, target N; again; N = 24, counted, S typed as 24
    // (asked again) and then 7; no more calculation.
    const std::string complet = "12 1 0 1\n24 0 1 24 7 0\n";
    // What the program prints once each word is taken, up to the next question.
    const std::vector<std::string> apres = {
        presentation() + kN, kToutes, kAutre, calcul_attendu(12, propres(12), true, {}) + kNouveau, kN, kToutes,
        kAutre, kS, kS, calcul_attendu(24, propres(24), false, 7) + kNouveau, "",
    };
    ASSERT_EQ(mots(complet) + 1, apres.size());
    // A word cut short is another answer: "1" for N, "2" for N, "2" for S.
    const auto coupe = [&](std::size_t index) {
        return index == 7 ? calcul_attendu(24, propres(24), false, 2) + kNouveau : kToutes;
    };
    for (std::size_t k = 0; k <= complet.size(); ++k) {
        const std::string tape = complet.substr(0, k);
        SCOPED_TRACE("input cut after " + std::to_string(k) + " bytes: '" + visible(tape) + "'");
        const bool dans_un_mot = k > 0 && k < complet.size() && !separateur(complet[k - 1]) && !separateur(complet[k]);
        const std::size_t entiers = mots(tape) - (dans_un_mot ? 1 : 0);
        std::string attendu;
        for (std::size_t w = 0; w <= entiers; ++w) attendu += apres[w];
        if (dans_un_mot) attendu += coupe(entiers);
        const Execution e = lancer(programme_taverlune(), tape, 30);
        verifier_fin_normale(e);
        EXPECT_EQ(e.sortie, attendu);
    }
}

// ---- Huge words and endless refusals ------------------------------------------------

TEST(HugeInput, WordsOfAMebibyteAndRunsOfRefusals) {
    const std::size_t mio = std::size_t{1} << 20, fois = 100000;
    const std::string treize = echange(13, false).sortie, douze = echange(12, false).sortie;
    const std::pair<std::string, std::string> rows[] = {
        {std::string(mio, '1') + "\n13 0 0 0\n", kN + kN + treize},
        {"+" + std::string(mio, '9') + "\n13 0 0 0\n", kN + kN + treize},
        {"\0"s + std::string(mio, '1') + " 13 0 0 0\n", kN + kN + treize},
        {"7\0"s + std::string(mio, 'x') + " 13 0 0 0\n",  // N = 7, then 13 refused
         kN + kToutes + kToutes + kAutre + calcul_attendu(7, {1}, false, {}) + kNouveau},
        {std::string(mio, ' ') + "13" + std::string(mio, '\n') + "0 0 0", kN + treize},
        {"12 " + std::string(mio, '0') + " 0 0 0\n", kN + kToutes + douze},
        {"13 0 0 " + std::string(mio, '1') + " 0\n", kN + treize + kNouveau},
        // 199 characters before the NUL are examined, 200 are refused.
        {"1" + std::string(196, '0') + "13\0"s + std::string(mio, '5') + " 0 0 0\n", kN + treize},
        {"1" + std::string(197, '0') + "13\0"s + std::string(mio, '5') + " 13 0 0 0\n", kN + kN + treize},
        {std::string(mio, '1'), kN + kN},
        // A hundred thousand refusals in a row at each kind of question.
        {"13 " + repete("2 ", fois) + "0 0 0\n", kN + repete(kQuestionToutes, fois) + treize},
        {"12 0 1 " + repete("12\n", fois) + "1 0\n",
         kN + kToutes + kAutre + repete(kQuestionS, fois + 1) + calcul_attendu(12, propres(12), false, 1) + kNouveau},
        {"13 0 0 " + repete("oui\n", fois) + "0\n", kN + treize + repete(kQuestionNouveau, fois)},
        {repete("\0\n"s, fois) + "13 0 0 0\n", repete(kQuestionN, fois + 1) + treize},
    };
    for (const auto& [tape, attendu] : rows) {
        SCOPED_TRACE("typed: '" + visible(tape) + "'");
        verifier(tape, presentation() + attendu);
    }
    const Execution e = mesurer(std::string(mio, '1') + "\n13 0 0 0\n", presentation() + kN + kN + treize);
    std::printf("peak memory with a 1 MiB word: %ld KiB\n", e.pic_ko);
}

TEST(HugeInput, AHundredThousandRefusalsInFlatMemory) {
    const std::string treize = echange(13, false).sortie;
    long pics[3] = {};
    const std::size_t refus[3] = {0, 1000, 100000};
    for (int k = 0; k < 3; ++k) {
        const std::string attendu = presentation() + repete(kQuestionN, refus[k] + 1) + treize;
        pics[k] = mesurer(repete("x\n", refus[k]) + "13 0 0 0\n", attendu).pic_ko;
        std::printf("peak memory after %zu refused answers: %ld KiB\n", refus[k], pics[k]);
    }
    if (kPicsComparables) {
        EXPECT_LT(std::abs(pics[2] - pics[1]), 1024) << "memory grows with the number of refusals";
        EXPECT_LT(std::abs(pics[1] - pics[0]), 1024);
    }
}

// ---- A thousand calculations in one run ---------------------------------------------------

TEST(ManyCalculations, AThousandInARowEndAsAFreshRunAndInFlatMemory) {
    // Quick outcomes and searches in turn (720: 29 divisors, counted); the first
    // kind is also the last one run.
    const std::vector<Echange> sortes = {
        echange(24, true), echange(13, false),   echange(6, true),    echange(1, false),
        echange(12, true, 20), echange(12, true), echange(720, false), echange(12, true, 7),
        echange(4, true, 2),   echange(28, false), echange(70, true),
    };
    const auto dialogue = [&](std::size_t calculs) {
        std::vector<Echange> suite;
        for (std::size_t c = 0; c < calculs; ++c) suite.push_back(sortes[(calculs - 1 - c) % sortes.size()]);
        return session(suite);
    };
    const Echange mille = dialogue(1000), douze = dialogue(12);
    const Execution e_mille = mesurer(mille.reponses, mille.sortie);
    const Execution e_douze = mesurer(douze.reponses, douze.sortie);
    const Execution seul = lancer(programme_taverlune(), sortes[0].reponses + "0\n");
    EXPECT_TRUE(e_mille.sortie.ends_with(seul.sortie.substr(presentation().size()))) << "the last differs";
    std::printf("peak memory: 12 calculations %ld KiB, 1000 calculations %ld KiB\n", e_douze.pic_ko, e_mille.pic_ko);
    if (kPicsComparables) {
        EXPECT_LT(std::abs(e_mille.pic_ko - e_douze.pic_ko), 1024) << "memory grows with the calculations";
    }
}

// ---- Standard streams closed or failing under the program --------------------------------------

TEST(FailingStreams, TheProgramEndsPromptlyWhenItsOutputIsClosedOrAReadOrWriteFails) {
    const std::string sans_fin = repete("24 1 0 1\n", 200000);
    const struct {
        const char* nom;
        std::string reponses;
        std::size_t lus;  ///< bytes read before our end of its output is closed
        Flux entree = {}, sortie = {};
    } cas[] = {
        {"a listing of countless solutions", "55440 1 0 0\n", 100},
        {"deep in a listing of countless solutions", "55440 1 0 0\n", std::size_t{1} << 20},
        {"calculations again and again", sans_fin, 50000},
        {"refused answers without end", repete("x\n", 1000000), 100000},
        {"output closed before the presentation", "55440 1 0 0\n", 0},
        {"standard output a full device", sans_fin, 0, {}, {Flux::fichier, "/dev/full", O_WRONLY}},
        {"standard output opened for reading only", sans_fin, 0, {}, {Flux::fichier, "/dev/null", O_RDONLY}},
        // Reads that fail: the program stops at the first question.
        {"standard input closed", "", std::string::npos, {Flux::ferme}},
        {"standard input opened for writing only", "", std::string::npos, {Flux::fichier, "/dev/null", O_WRONLY}},
        {"standard input a directory", "", std::string::npos, {Flux::fichier, "/", O_RDONLY | O_DIRECTORY}},
    };
    for (const auto& c : cas) {
        for (const bool ignore : {false, true}) {
            SCOPED_TRACE(std::string(c.nom) + (ignore ? ", SIGPIPE ignored" : ", SIGPIPE by default"));
            const Execution e = executer({.etapes = {{0, c.reponses}}, .entree = c.entree, .sortie = c.sortie,
                                          .secondes_max = 20, .fermer_sortie_apres = c.lus, .garder_entree = true,
                                          .sigpipe_ignore = ignore});
            std::printf("%s%s: ended after %.2f s (status %d, signal %d)\n", c.nom, ignore ? ", SIGPIPE ignored" : "",
                        e.secondes, e.statut, e.signal);
            EXPECT_FALSE(e.delai_depasse) << "still running 20 s after its stream failed";
            if (c.lus == std::string::npos) {
                EXPECT_EQ(e.sortie, presentation() + kN);
            } else {
                EXPECT_EQ(e.sortie.size(), c.lus);
            }
            if (ignore || c.lus == std::string::npos) {
                verifier_fin_normale(e);
            } else {
                EXPECT_TRUE((e.signal == 0 && e.statut == 1) || e.signal == SIGPIPE)
                    << "status " << e.statut << ", signal " << e.signal;
            }
        }
    }
}

// ---- A terminal in place of the pipes ------------------------------------------------

const Flux kTerminal{Flux::terminal};

TEST(Terminal, AnswersTypedOnOneLineAreTakenInTurn) {
    const Execution e = executer(
        {.etapes = {{0, "12 1 0 0\n"}}, .entree = kTerminal, .sortie = kTerminal, .secondes_max = 30});
    verifier_fin_normale(e);
    EXPECT_EQ(e.sortie, presentation() + kN + echange(12, true).sortie);
    EXPECT_EQ(e.erreurs, "");
}

TEST(Terminal, ALongSearchShowsItsProgressOnTheTerminalAndErasesIt) {
    // N = 720 with every solution listed: some 60 MB, read at 20 MB/s, so that the
    // search lasts well over a second whatever the machine.
    const Execution e = executer({.etapes = {{0, "720 1 0 0\n"}}, .erreurs = kTerminal, .octets_par_seconde = 20e6});
    std::printf("listing of 720 read at 20 MB/s: %.2f s, %zu bytes on stdout, %zu on the terminal\n", e.secondes,
                e.sortie.size(), e.erreurs.size());
    verifier_fin_normale(e);
    // Standard output elsewhere: progress lines drawn from the start of the line, each
    // within 79 columns (80 when the width is unknown) and erased to its end; the last
    // erases the line.
    const std::string& t = e.erreurs;
    ASSERT_NE(t.find("\rrecherche : "), std::string::npos) << "no progress line";
    EXPECT_EQ(t.find('\n'), std::string::npos);
    for (std::size_t p = 0, q; (q = t.find("\x1B[K", p)) != std::string::npos; p = q + 3)
        EXPECT_TRUE(t[p] == '\r' && q - p <= 80) << visible(t.substr(p, q - p));
    EXPECT_TRUE(t.starts_with('\r') && t.ends_with("\x1B[K\r\x1B[K"))
        << "not erased: '" << visible(t.substr(t.size() > 80 ? t.size() - 80 : 0)) << "'";
    // Standard output is the same as with no terminal at all.
    EXPECT_TRUE(meme_sortie(e.sortie, lancer(programme_taverlune(), "720 1 0 0\n").sortie));
    EXPECT_NE(e.sortie.find(bilan("676327", "720") + repartition("1", 3) + repartition("5", 4) +
                            repartition("31", 5) + repartition("203", 6) + repartition("994", 7)),
              std::string::npos);
    EXPECT_TRUE(e.sortie.ends_with(repartition("10", 23) + kNouveau));
}

TEST(Terminal, NoProgressLineInsideAListingOnTheSameTerminal) {
    // N = 360 with every solution listed, read slowly from the one terminal that holds
    // the three streams: the progress would cut into the listing, so none is shown.
    const std::string attendu = presentation() + kN + echange(360, true).sortie;
    const double debit = static_cast<double>(attendu.size()) / 2.5;  // bytes a second
    const Execution e = executer({.etapes = {{0, "360 1 0 0\n"}}, .entree = kTerminal, .sortie = kTerminal,
                                  .erreurs = kTerminal, .octets_par_seconde = debit});
    std::printf("listing of 360 on the terminal: %.2f s, %zu bytes\n", e.secondes, e.sortie.size());
    verifier_fin_normale(e);
    EXPECT_GT(e.secondes, 1.5);
    EXPECT_TRUE(meme_sortie(e.sortie, attendu));
}

TEST(Terminal, EndOfFileTypedAtAQuestion) {
    // Control-D at the start of a line ends the program; after "13" it hands the
    // word over without a line end, and the next question reads the terminal again.
    const std::string avant = presentation() + kN + kToutes;
    const struct {
        std::vector<Etape> etapes;
        std::string attendu;
    } cas[] = {
        {{{0, "13 0\n"}, {avant.size() + kAutre.size(), "\x04"}}, avant + kAutre},
        {{{0, "13\x04\x04"}, {avant.size(), "0 0 0\n"}},
         avant + kAutre + calcul_attendu(13, {1}, false, {}) + kNouveau},
    };
    for (const auto& c : cas) {
        const Execution e =
            executer({.etapes = c.etapes, .entree = kTerminal, .sortie = kTerminal, .secondes_max = 20});
        verifier_fin_normale(e);
        EXPECT_EQ(e.sortie, c.attendu);
    }
}

}  // namespace
