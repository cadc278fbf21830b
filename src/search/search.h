// The divisor-sum search: the bounds of one calculation and its quick
// outcomes, the walk or the engine over the subsets, the report.
#pragma once

#include <functional>
#include <vector>

#include <taverlune/engine.h>

/// The bounds stage: cuts the divisors above a chosen target, prints them and
/// their sum, and settles the two quick outcomes. Returns true when the
/// search must run (then ND1, Smax, i and S3 are set for it), false when the
/// calculation is over.
bool bornes();

/// The search: finds every subset of Div[1..ND1] whose sum is SN, prints each
/// one when Sol = 1 (after the solutions' header), and leaves ns, ndif and
/// NS[1..ND1]. Runs recherche_choisie.
void enumeration();

/// The search that enumeration runs: the fast engine (recherche_rapide); the
/// reference program sets the pattern walk (parcours), a test harness may set
/// a search of its own.
extern std::function<void()> recherche_choisie;

/// The pattern walk, as the search is defined: every pattern between the
/// start and the stop patterns, one suiv3 step at a time.
/// Cost: up to 2^ND1 patterns.
void parcours();

/// One step of the walk: Term becomes the pattern whose value is one less;
/// K = 0 when that is the stop pattern Term1, or when Term had no flag set.
/// Returns 1.
int suiv3();

/// The fast engine: the same output and counts as parcours, visiting only
/// what can still lead to a solution; `reglages` are the engine's (the
/// tests check each method alone with them).
void recherche_rapide(const taverlune::Reglages& reglages = {});

/// How the dialogue writes a solution: a frame before and after it, and
/// between two of its terms.
extern const taverlune::Forme forme_du_dialogue;

/// Adds counts by number of terms (par_termes[m]: solutions of m terms) to
/// NS, ns and ndif.
void ajouter_comptes(const std::vector<taverlune::Compte>& par_termes);

/// The report (count and distribution by number of terms) and the reset of
/// the working lists to their start-up length.
void rapport();

/// The reset alone: every working list but the prime table shrinks back to
/// its one start-up element.
void remise_a_zero();
