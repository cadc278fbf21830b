// Runs one calculation's stages inside the test process, from the
// factorisation on, with the answers already given, and captures what they
// print.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state/state.h"

namespace essai {

struct Calcul {
    std::string sortie;     ///< what the stages print, from the divisor listing on
    bool recherche = false; ///< a search ran (no quick outcome)
    std::string total;      ///< ns, in decimal, when a search ran
    std::vector<std::string> par_termes;  ///< NS[1..ndif], in decimal
};

/// The state as the program starts, prime table seeded with 2 and 3.
void etat_de_depart();

/// One calculation of N = n with the target `cible` (chosen when
/// `cible_choisie`), listing the solutions when `lister`; the search is the
/// pattern walk when `par_parcours`, the fast engine otherwise.
Calcul calculer(Integer n, Integer cible, bool cible_choisie, bool lister, bool par_parcours);

/// The fast engine prints the same bytes and leaves the same counts as the
/// pattern walk for this calculation.
::testing::AssertionResult meme_resultat_que_le_parcours(Integer n, Integer cible, bool cible_choisie,
                                                        bool lister);

/// Number of divisors of n other than n, and their sum, by plain trial.
void diviseurs_propres(Integer n, Integer& nombre, Integer& somme);

}  // namespace essai
