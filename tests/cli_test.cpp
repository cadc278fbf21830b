// The program's command line, and what it says on standard error when a write
// to standard output fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>

#include "support/process.h"
#include "support/oracle.h"

namespace {

using namespace essai;

TEST(CommandLine, HelpVersionAndUnknownArguments) {
    const Execution aide = executer({.arguments = {"--help"}});
    EXPECT_EQ(aide.statut, 0);
    EXPECT_EQ(aide.erreurs, "");
    EXPECT_TRUE(aide.sortie.starts_with("Usage: taverlune [--help | --version]\n"));
    for (const char* partie : {"standard input", "printf '28 1 0 0\\n' | taverlune\n", "Exit status:"})
        EXPECT_NE(aide.sortie.find(partie), std::string::npos) << partie;
    for (std::size_t p = 0, q; (q = aide.sortie.find('\n', p)) != std::string::npos; p = q + 1)
        EXPECT_LE(q - p, 80u) << aide.sortie.substr(p, q - p);

    const Execution version = executer({.arguments = {"--version"}});
    EXPECT_TRUE(version.statut == 0 && version.sortie == "taverlune " TAVERLUNE_VERSION "\n") << version.sortie;

    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"-h"}, {"--helpx"}, {"28"}, {""}, {"a\nb", "--help"}}) {
        const Execution e = executer({.arguments = arguments});
        SCOPED_TRACE(visible(arguments[0]));
        EXPECT_EQ(e.statut, 2);
        EXPECT_EQ(e.sortie, "");
        std::string nom = arguments[0];
        std::replace(nom.begin(), nom.end(), '\n', '?');
        EXPECT_EQ(e.erreurs, "taverlune: unknown argument '" + nom + "' (try 'taverlune --help')\n");
    }
}

TEST(CommandLine, AFailedWriteIsSaidWithItsCause) {
    const std::string fichier = ::testing::TempDir() + "taverlune-limite";
    std::ofstream(fichier).put('\0');
    const struct {
        const char* nom;
        Lancement l;
        int cause;
    } cas[] = {
        {"a full device", {.sortie = {Flux::fichier, "/dev/full", O_WRONLY}}, ENOSPC},
        {"--help on a full device", {.arguments = {"--help"}, .sortie = {Flux::fichier, "/dev/full", O_WRONLY}},
         ENOSPC},
        {"standard output closed", {.sortie = {Flux::ferme}}, EBADF},
        {"a pipe closed by its reader, SIGPIPE ignored", {.fermer_sortie_apres = 0, .sigpipe_ignore = true}, EPIPE},
        // A file-size limit of 512 bytes, with SIGXFSZ ignored: the write fails with EFBIG.
        {"a file-size limit",
         {.programme = "/bin/sh",
          .arguments = {"-c", "ulimit -f 1; trap '' XFSZ; exec \"$0\"", programme_taverlune()},
          .sortie = {Flux::fichier, fichier.c_str(), O_WRONLY | O_TRUNC}},
         EFBIG},
    };
    for (auto c : cas) {
        SCOPED_TRACE(c.nom);
        c.l.etapes = {{0, repete("12 0 0 1\n", 5000)}};  // output until a write fails
        c.l.garder_entree = true;
        const Execution e = executer(c.l);
        verifier_fin_normale(e);
        EXPECT_EQ(e.erreurs, "taverlune: write error: " + std::string(std::strerror(c.cause)) + "\n");
    }
    std::remove(fichier.c_str());
}

}  // namespace
