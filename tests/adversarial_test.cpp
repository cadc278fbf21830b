// The whole program under hostile conditions, end to end: its input cut at
// every byte, words of a mebibyte and endless refusals, its standard streams
// closed or failing under it (and what it says of a failed write), strange
// command lines, and a terminal in place of the pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
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
    const std::string treize = echange(13, false).sortie;
    const std::pair<std::string, std::string> rows[] = {
        {"\0"s + std::string(mio, '1') + " 13 0 0 0\n", kN + kN + treize},
        {"7\0"s + std::string(mio, 'x') + " 13 0 0 0\n",  // N = 7, then 13 refused
         kN + kToutes + kToutes + kAutre + calcul_attendu(7, {1}, false, {}) + kNouveau},
        {std::string(mio, ' ') + "13" + std::string(mio, '\n') + "0 0 0", kN + treize},
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

TEST(FailingStreams, TheProgramEndsPromptlyAndSaysWhyAWriteFailed) {
    const std::string fichier = ::testing::TempDir() + "taverlune-limite", sans_fin = repete("24 1 0 1\n", 200000);
    std::ofstream(fichier).put('\0');
    const Flux plein = {Flux::fichier, "/dev/full", O_WRONLY};
    const std::string sans_fin_55440 = "taverlune: this listing cannot end in reasonable time: about 4.4e+30 solutions "
                                       "to print; it goes on (Ctrl-C stops it)\n";
    const struct {
        Lancement l;
        int cause;  ///< errno of the failed write, 0 when a read fails; SIGPIPE may end it when not ignored
        bool peut_prevenir = false;  ///< the endless listing may be said first, as the race with our reading goes
    } cas[] = {
        {{.etapes = {{0, sans_fin}}, .sortie = plein}, ENOSPC},
        {{.arguments = {"--help"}, .sortie = plein}, ENOSPC},
        {{.etapes = {{0, sans_fin}}, .sortie = {Flux::ferme}}, EBADF},
        // A file-size limit of 512 bytes, with SIGXFSZ ignored.
        {{.programme = "/bin/sh", .arguments = {"-c", "ulimit -f 1; trap '' XFSZ; exec \"$0\"", programme_taverlune()},
          .etapes = {{0, sans_fin}}, .sortie = {Flux::fichier, fichier.c_str(), O_WRONLY | O_TRUNC}},
         EFBIG},
        // Our end of its output closed early or deep in a listing of countless solutions, a
        // session without end, refusals without end.
        {{.etapes = {{0, "55440 1 0 0\n"}}, .fermer_sortie_apres = 100, .sigpipe_ignore = true}, EPIPE, true},
        {{.etapes = {{0, "55440 1 0 0\n"}}, .fermer_sortie_apres = std::size_t{1} << 20}, EPIPE, true},
        {{.etapes = {{0, sans_fin}}, .fermer_sortie_apres = 50000, .sigpipe_ignore = true}, EPIPE},
        {{.etapes = {{0, repete("x\n", 1000000)}}, .fermer_sortie_apres = 100000}, EPIPE},
        {{.entree = {Flux::ferme}}, 0},
        {{.entree = {Flux::fichier, "/", O_RDONLY | O_DIRECTORY}}, 0},
    };
    for (auto c : cas) {
        SCOPED_TRACE(&c - cas);
        c.l.garder_entree = true;
        const Execution e = executer(c.l);
        const std::string debut = presentation() + kN;
        EXPECT_EQ(e.sortie.substr(0, debut.size()), debut.substr(0, e.sortie.size()));
        if (e.signal == SIGPIPE && !c.l.sigpipe_ignore && c.l.fermer_sortie_apres != std::string::npos) {
            EXPECT_TRUE(e.erreurs.empty() || (c.peut_prevenir && e.erreurs == sans_fin_55440)) << e.erreurs;
            continue;  // SIGPIPE, not ignored, ends it at its next write: nothing said
        }
        verifier_fin_normale(e);
        const std::string echec = c.cause == 0 ? "" : "taverlune: write error: " + std::string(std::strerror(c.cause)) + "\n";
        EXPECT_TRUE(e.erreurs == echec || (c.peut_prevenir && e.erreurs == sans_fin_55440 + echec)) << e.erreurs;
        EXPECT_TRUE(c.cause != 0 || e.sortie == presentation() + kN);
    }
    std::remove(fichier.c_str());
}

TEST(CommandLine, HelpAndVersion) {
    const Execution aide = executer({.arguments = {"--help"}}), version = executer({.arguments = {"-V"}});
    EXPECT_TRUE(aide.statut == 0 && aide.erreurs.empty() && aide.sortie.starts_with("Usage: taverlune\n"));
    for (const char* partie : {"standard input", "printf '28 1 0 0\\n' | taverlune ", "--table A B", "Exit status:"})
        EXPECT_NE(aide.sortie.find(partie), std::string::npos) << partie;
    for (std::size_t p = 0, q; (q = aide.sortie.find('\n', p)) != std::string::npos; p = q + 1)
        EXPECT_LE(q - p, 80u) << aide.sortie.substr(p, q - p);
    EXPECT_TRUE(version.statut == 0 && version.sortie == "taverlune " TAVERLUNE_VERSION "\n") << version.sortie;
    EXPECT_EQ(executer({.arguments = {"-h"}}).sortie, aide.sortie);
    EXPECT_EQ(executer({.arguments = {"--version"}}).sortie, version.sortie);
}

const Flux kTerminal{Flux::terminal};

TEST(Terminal, AnswersTypedOnOneLineAndEndOfFileTypedAtAQuestion) {
    // Control-D at the start of a line ends the program; after "13" it hands
    // the word over without a line end, and the next question reads again.
    const std::string avant = presentation() + kN + kToutes;
    const std::pair<std::vector<Etape>, std::string> cas[] = {
        {{{0, "12 1 0 0\n"}}, presentation() + kN + echange(12, true).sortie},
        {{{0, "13 0\n"}, {avant.size() + kAutre.size(), "\x04"}}, avant + kAutre},
        {{{0, "13\x04\x04"}, {avant.size(), "0 0 0\n"}}, avant + kAutre + calcul_attendu(13, {1}, false, {}) + kNouveau}};
    for (const auto& [etapes, attendu] : cas) {
        const Execution e = executer({.etapes = etapes, .entree = kTerminal, .sortie = kTerminal});
        verifier_fin_normale(e);
        EXPECT_TRUE(e.sortie == attendu && e.erreurs.empty()) << visible(e.sortie);
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
