// The parts of the fast engine, each in its own file; recherche_rapide
// (engine.cpp) chooses among them.
#pragma once

#include <vector>

#include "search/compte.h"
#include "search/progress.h"
#include "search/reachable.h"

/// Adds counts by number of terms (par_termes[m]: solutions of m terms) to
/// NS, ns and ndif.
void ajouter_comptes(const std::vector<Compte>& par_termes);

/// Counting by a remembered recursion on the remainders (memo.cpp): the
/// counts for SN over Div[1..ND1], or false when it would remember too much.
bool compter_par_restes(std::vector<Compte>& par_termes);

/// The depth-first listing (listing.cpp): every solution in the walk's
/// order, printed when Sol = 1 and counted into NS, ns, ndif. With `sommes`,
/// every branch it enters leads to a solution.
void lister(const SommesAtteignables* sommes, Avancement& avancement);
