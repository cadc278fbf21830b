// What the program must print and find, written out once for the tests and
// the fuzzing harness: the presentation, the questions, the pieces of a
// calculation's output; the divisors by trial division, the solutions by a
// brute force over the subsets; what a whole calculation must print; one
// calculation run in this process, the fast engine against the walk. Needs
// no test framework.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "state/state.h"

namespace essai {

/// Unsigned 128-bit integers, for counts of our own.
__extension__ typedef unsigned __int128 u128;

/// v in decimal.
std::string decimal(u128 v);

/// The presentation, printed once at start-up (17 pieces).
std::string presentation();
/// The questions: on N, every solution printed?, another target?, on S, another calculation?
extern const std::string kN, kToutes, kAutre, kS, kNouveau;
/// `texte` `fois` times in a row (a refused answer prints its question again).
std::string repete(const std::string& texte, std::size_t fois);
/// The report's first line, and a line of its distribution.
std::string bilan(const std::string& ns, const std::string& cible), repartition(const std::string& nombre, std::size_t termes);

/// The divisors of n other than n, ascending: by trial below 10^6, from the
/// prime factors above; {1} for n < 1 (a wrapped answer is one factor).
std::vector<Integer> propres(Integer n);

/// Every subset of `termes` (ascending, positive) adding up to `cible`: each
/// subset tried for up to 24 terms; beyond, counted by sum and size without
/// listing (targets up to 2^22; 64-bit counts).
struct Sommes {
    std::vector<std::uint64_t> par_termes;    ///< [m]: subsets of m terms
    std::vector<std::vector<Integer>> liste;  ///< the subsets, in lexicographic order
    std::uint64_t total() const;
};
Sommes sommes_de(const std::vector<Integer>& termes, Integer cible, bool lister);

/// Everything a calculation of N = n over the divisors d prints after its last question.
std::string calcul_attendu(Integer n, std::vector<Integer> d, bool toutes, std::optional<Integer> choisie);

/// One calculation: its answers (N, the two yes/no answers, S if chosen, as
/// typed when `tape_n` or `tape_s` is given), and its output from the second
/// question to the new-calculation question.
struct Echange {
    std::string reponses, sortie;
};
Echange echange(Integer n, bool toutes, std::optional<Integer> s = std::nullopt, const std::string& tape_n = "",
                const std::string& tape_s = "");

/// A session of these calculations, answered 1 to the new-calculation question
/// between them and 0 after the last: its answers and its whole output.
Echange session(const std::vector<Echange>& calculs);

// ---- One calculation run inside this process, through the program's own stages ----

/// What the stages of a calculation of N = n print, from the divisor listing
/// on: target `cible` (chosen when `choisie`), every solution listed when
/// `lister`, searched by `recherche` (the fast engine when null). Starts from
/// a freshly started program's state, and leaves it as the calculation does.
std::string calculer(Integer n, Integer cible, bool choisie, bool lister, std::function<void()> recherche = {});

/// "" when the fast engine, with its own choices and each of its methods
/// alone, prints what the pattern walk prints; otherwise what differs.
std::string ecart_au_parcours(Integer n, Integer cible, bool choisie, bool lister);


}  // namespace essai
