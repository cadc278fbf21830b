// taverlune: the sums of the divisors of an integer, in a console dialogue,
// or for scripts through the command line.
#include "command_line/command_line.h"
#include "dialogue/dialogue.h"
#include "console/language.h"

int main(int argc, char** argv) {
    preparer_la_langue();  // standard error's messages; the dialogue stays French
    if (argc > 1) return ligne_de_commande(argc, argv);
    programme();
}
