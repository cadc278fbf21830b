// One calculation run inside the test process, from its answers on, through
// the program's own sequence of stages, with what it prints captured.
#pragma once

#include <string>

#include "state/state.h"

namespace essai {

/// Everything the stages of a calculation of N = n print, from the divisor
/// listing on, with the target `cible` (chosen when `choisie`), every
/// solution listed when `lister`, searched by `recherche` (the fast engine
/// when null). Starts from the state of a freshly started program, and
/// leaves the state as the calculation left it.
std::string calculer(Integer n, Integer cible, bool choisie, bool lister, void (*recherche)() = nullptr);

/// "" when the fast engine, with its own choices and with each of its
/// methods alone, prints what the pattern walk prints for this calculation;
/// otherwise what differs.
std::string ecart_au_parcours(Integer n, Integer cible, bool choisie, bool lister);

}  // namespace essai
