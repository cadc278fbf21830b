// The whole program under hostile conditions, end to end: its input cut at
// every byte, words of a mebibyte and endless refusals, its standard streams
// closed or failing under it, and a terminal in place of the pipes.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <vector>

#include "support/oracle.h"
#include "support/process.h"

namespace {

using namespace std::string_literals;
using namespace essai;

bool blanc(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

TEST(CutInput, EveryPrefixOfATwoCalculationDialogueEndsAtTheWaitingQuestion) {
    // N = 12 listed, target N; again; N = 24 counted, S typed as 24 (asked
    // again) then 7; no more. What is printed once each word is taken:
    const std::string complet = "12 1 0 1\n24 0 1 24 7 0\n";
    const std::vector<std::string> apres = {
        presentation() + kN, kToutes, kAutre, calcul_attendu(12, propres(12), true, {}) + kNouveau, kN, kToutes,
        kAutre, kS, kS, calcul_attendu(24, propres(24), false, 7) + kNouveau, ""};
    for (std::size_t k = 0; k <= complet.size(); ++k) {
        std::string attendu;
        std::size_t mots = 0;
        for (std::size_t c = 0; c < k; ++c) mots += !blanc(complet[c]) && (c == 0 || blanc(complet[c - 1]));
        const bool coupe = k > 0 && !blanc(complet[k - 1]) && !blanc(complet[k]);
        for (std::size_t w = 0; w + (coupe ? 1 : 0) <= mots; ++w) attendu += apres[w];
        // A word cut short is another answer: "1" or "2" for N, "2" for S.
        if (coupe) attendu += mots == 8 ? calcul_attendu(24, propres(24), false, 2) + kNouveau : kToutes;
        SCOPED_TRACE("input cut after " + std::to_string(k) + " bytes");
        verifier(complet.substr(0, k), attendu);
    }
}

TEST(HugeInput, WordsOfAMebibyteAndRunsOfRefusals) {
    const std::size_t mio = std::size_t{1} << 20, fois = 100000;
    const std::string treize = echange(13, false).sortie, douze = echange(12, false).sortie;
    const std::pair<std::string, std::string> rows[] = {
        {std::string(mio, '1') + "\n13 0 0 0\n", kN + kN + treize},
        {"\0"s + std::string(mio, '1') + " 13 0 0 0\n", kN + kN + treize},
        {"7\0"s + std::string(mio, 'x') + " 13 0 0 0\n",  // N = 7, then 13 refused
         kN + kToutes + kToutes + kAutre + calcul_attendu(7, {1}, false, {}) + kNouveau},
        {std::string(mio, ' ') + "13" + std::string(mio, '\n') + "0 0 0", kN + treize},
        {"12 " + std::string(mio, '0') + " 0 0 0\n", kN + kToutes + douze},
        // 199 characters before the NUL are examined, 200 are refused.
        {"1" + std::string(196, '0') + "13\0"s + std::string(mio, '5') + " 0 0 0\n", kN + treize},
        {"1" + std::string(197, '0') + "13\0"s + std::string(mio, '5') + " 13 0 0 0\n", kN + kN + treize},
        {std::string(mio, '1'), kN + kN},
        {"13 " + repete("2 ", fois) + "0 0 0\n", kN + repete(kToutes, fois) + treize},
        {"12 0 1 " + repete("12\n", fois) + "1 0\n",
         kN + kToutes + kAutre + repete(kS, fois + 1) + calcul_attendu(12, propres(12), false, 1) + kNouveau},
        {"13 0 0 " + repete("oui\n", fois) + "0\n", kN + treize + repete(kNouveau, fois)},
        {repete("\0\n"s, fois) + "13 0 0 0\n", repete(kN, fois + 1) + treize},
    };
    for (const auto& [tape, attendu] : rows) {
        SCOPED_TRACE("typed: '" + visible(tape) + "'");
        verifier(tape, presentation() + attendu);
    }
}

TEST(FailingStreams, TheProgramEndsPromptlyWhenItsOutputIsClosedOrAReadFails) {
    const std::string sans_fin = repete("24 1 0 1\n", 200000);
    const struct {
        const char* nom;
        std::string reponses;
        std::size_t lus;  ///< bytes read before our end of its output is closed
        Flux entree = {};
    } cas[] = {
        {"a listing of countless solutions", "55440 1 0 0\n", 100},
        {"deep in a listing of countless solutions", "55440 1 0 0\n", std::size_t{1} << 20},
        {"calculations again and again", sans_fin, 50000},
        {"refused answers without end", repete("x\n", 1000000), 100000},
        {"standard input closed", "", std::string::npos, {Flux::ferme}},
        {"standard input a directory", "", std::string::npos, {Flux::fichier, "/", O_RDONLY | O_DIRECTORY}},
    };
    for (const auto& c : cas) {
        for (const bool ignore : {false, true}) {
            SCOPED_TRACE(std::string(c.nom) + (ignore ? ", SIGPIPE ignored" : ""));
            const Execution e = executer({.etapes = {{0, c.reponses}}, .entree = c.entree, .secondes_max = 20,
                                          .fermer_sortie_apres = c.lus, .garder_entree = true,
                                          .sigpipe_ignore = ignore});
            EXPECT_FALSE(e.delai_depasse) << "still running 20 s after its stream failed";
            if (c.lus == std::string::npos) {
                EXPECT_EQ(e.sortie, presentation() + kN);
            } else {
                EXPECT_EQ(e.sortie.size(), c.lus);
            }
            if (ignore || c.lus == std::string::npos) {
                verifier_fin_normale(e);
            } else {
                EXPECT_TRUE((e.signal == 0 && e.statut == 1) || e.signal == SIGPIPE) << e.statut << " " << e.signal;
            }
        }
    }
}

const Flux kTerminal{Flux::terminal};

TEST(Terminal, AnswersTypedOnOneLineAndEndOfFileTypedAtAQuestion) {
    // Control-D at the start of a line ends the program; after "13" it hands
    // the word over without a line end, and the next question reads again.
    const std::string avant = presentation() + kN + kToutes;
    const struct {
        std::vector<Etape> etapes;
        std::string attendu;
    } cas[] = {
        {{{0, "12 1 0 0\n"}}, presentation() + kN + echange(12, true).sortie},
        {{{0, "13 0\n"}, {avant.size() + kAutre.size(), "\x04"}}, avant + kAutre},
        {{{0, "13\x04\x04"}, {avant.size(), "0 0 0\n"}}, avant + kAutre + calcul_attendu(13, {1}, false, {}) + kNouveau},
    };
    for (const auto& c : cas) {
        const Execution e = executer({.etapes = c.etapes, .entree = kTerminal, .sortie = kTerminal, .secondes_max = 20});
        verifier_fin_normale(e);
        EXPECT_EQ(e.sortie, c.attendu);
        EXPECT_EQ(e.erreurs, "");
    }
}

TEST(Terminal, NoProgressLineInsideAListingOnTheSameTerminal) {
    // N = 360 listed, read slowly from the one terminal of the three streams:
    // a progress line would cut into the listing, so none is drawn.
    const std::string attendu = presentation() + kN + echange(360, true).sortie;
    const Execution e = executer({.etapes = {{0, "360 1 0 0\n"}}, .entree = kTerminal, .sortie = kTerminal,
                                  .erreurs = kTerminal, .octets_par_seconde = attendu.size() / 2.5});
    verifier_fin_normale(e);
    EXPECT_TRUE(meme_sortie(e.sortie, attendu));
}

}  // namespace
