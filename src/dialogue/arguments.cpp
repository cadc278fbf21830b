// The command line: --help and --version. With no argument the program is
// the dialogue alone; the command line is looked at only when there is one.
//
// Reads: the arguments; TAVERLUNE_VERSION (from the build).
// Writes: the usage or the version on standard output (exit status 0), or
// one line on standard error for anything else (exit status 2).
#include <cstdlib>
#include <string>
#include <string_view>

#include "dialogue/console.h"
#include "dialogue/dialogue.h"

#ifndef TAVERLUNE_VERSION
#error "TAVERLUNE_VERSION comes from the build: project(taverlune VERSION ...)"
#endif

namespace {

// The usage, laid out as printed.
constexpr std::string_view aide =
    "Usage: taverlune [--help | --version]\n"
    "\n"
    "Study the divisors of an integer N (at most 2^63 - 1): list them, then find\n"
    "every set of distinct divisors of N other than N whose sum is N, or another\n"
    "target S; print each one on request, and count them by number of terms.\n"
    "\n"
    "The dialogue is in French, on standard output; each answer is one word read\n"
    "from standard input, a terminal or a pipe (not a regular file). The answers\n"
    "come in this order: N; 1 to print every solution, 0 to count them only; 1 to\n"
    "choose a target S and then S, or 0 for the target N; after the results, 1 for\n"
    "a new calculation, 0 to stop. A refused answer makes the question appear again.\n"
    "A long search shows its progress on standard error when it is a terminal;\n"
    "Ctrl-C stops it.\n"
    "\n"
    "  --help     display this help and exit\n"
    "  --version  output version information and exit\n"
    "\n"
    "Example: N = 28, every solution printed, the target N, no new calculation:\n"
    "  printf '28 1 0 0\\n' | taverlune\n"
    "\n"
    "Exit status:\n"
    "  1    after the dialogue: the answer 0 to the last question, the end of\n"
    "       standard input, or a failed write to standard output\n"
    "  0    after --help or --version\n"
    "  2    an unknown argument\n"
    "  130  a search interrupted by Ctrl-C (128 + the signal's number)\n"
    "\n"
    "Full documentation: man taverlune\n";

[[noreturn]] void finir(std::string_view texte) {
    ecrire(texte);
    vider_sortie();  // a failed write is said, and ends with status 1
    std::exit(0);
}

}  // namespace

void arguments(int argc, char** argv) {
    for (int k = 1; k < argc; ++k) {
        const std::string_view argument = argv[k];
        if (argument == "--help") finir(aide);
        if (argument == "--version") finir("taverlune " TAVERLUNE_VERSION "\n");
        std::string ligne = "taverlune: unknown argument '";
        for (const char c : argument) ligne += static_cast<unsigned char>(c) < 0x20 ? '?' : c;  // one line
        ecrire_erreurs(ligne + "' (try 'taverlune --help')\n");
        std::exit(2);
    }
}
