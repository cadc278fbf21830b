// One calculation run inside the test process, from its answers on, through
// the program's own sequence of stages, with what it prints captured.
#pragma once

#include <string>

#include "state/state.h"

namespace essai {

/// What the stages of a calculation of N = n print, from the divisor listing
/// on: target `cible` (chosen when `choisie`), every solution listed when
/// `lister`, searched by `recherche` (the fast engine when null). Starts from
/// a freshly started program's state, and leaves it as the calculation does.
std::string calculer(Integer n, Integer cible, bool choisie, bool lister, void (*recherche)() = nullptr);

/// "" when the fast engine, with its own choices and each of its methods
/// alone, prints what the pattern walk prints; otherwise what differs.
std::string ecart_au_parcours(Integer n, Integer cible, bool choisie, bool lister);

}  // namespace essai
