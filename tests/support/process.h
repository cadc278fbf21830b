// Runs the built program as a user would: its answers written into a pipe (or
// given as a regular file), its standard output and error collected whole.
#pragma once

#include <string>

namespace essai {

/// How the answers reach the program's standard input.
enum class Entree {
    tube,     ///< a pipe, written then closed (end of input after the answers)
    fichier,  ///< a regular file holding the answers
};

struct Execution {
    std::string sortie;   ///< everything written on standard output
    std::string erreurs;  ///< everything written on standard error
    int statut = -1;      ///< exit status, or -1 when ended by a signal
    int signal = 0;       ///< the signal that ended it, or 0
    bool delai_depasse = false;  ///< killed because it ran past the time limit
};

/// Runs `programme` with `reponses` on its standard input.
Execution lancer(const std::string& programme, const std::string& reponses,
                 Entree entree = Entree::tube, double secondes_max = 120.0);

/// Path of the built program, and of the reference program (plain walk).
std::string programme_taverlune();
std::string programme_reference();

}  // namespace essai
