// What the program must print and find, written out once for the tests, the
// fuzzing harness and the benchmarks: the presentation, the five questions
// and the pieces of a calculation's output; the divisors by trial division
// and the solutions by a brute force over the subsets; then what a whole
// calculation must print. Needs no test framework.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/state.h"

namespace essai {

/// The presentation, printed once at start-up (17 pieces).
std::string presentation();

inline constexpr std::string_view kQuestionN = "\n \n \n \t Valeur de N ? ";  // 22 characters
inline constexpr std::string_view kQuestionToutes =  // 71 characters
    "\n \n \t Voulez-vous afficher toutes les solutions  ?  Oui[1] / Non [0] : ";
inline constexpr std::string_view kQuestionAutreS =  // 100 characters
    "\n \n \t Voulez-vous trouver les solutions pour une somme  S   differente de  N  ?  "
    "Oui[1] / Non [0] : ";
inline constexpr std::string_view kQuestionS =  // 47 characters
    "\n \n \t Quelle est la valeur de cette somme  S ? ";
inline constexpr std::string_view kQuestionNouveau =  // 45 characters, ending with ":  "
    " \n \n \t Nouveau calcul , Oui[1] / Non[0] ? :  ";
static_assert(kQuestionN.size() == 22);
static_assert(kQuestionToutes.size() == 71);
static_assert(kQuestionAutreS.size() == 100);
static_assert(kQuestionS.size() == 47);
static_assert(kQuestionNouveau.size() == 45 && kQuestionNouveau.ends_with(":  "));

/// The same questions as strings, for composing with `+`.
extern const std::string kN, kToutes, kAutre, kS, kNouveau;

/// `texte` `fois` times in a row (a refused answer prints its question again).
std::string repete(std::string_view texte, std::size_t fois);

/// Pieces of a calculation's output: the report's first line and a line of its
/// distribution.
std::string bilan(const std::string& ns, const std::string& cible);
std::string repartition(const std::string& nombre, std::size_t termes);

// ---- Oracles ---------------------------------------------------------------------

/// The divisors of n other than n, ascending: by trial below 10^6, from the
/// prime factors above; {1} for n < 1 (a wrapped answer is one factor).
std::vector<Integer> propres(Integer n);

/// Every subset of `termes` (ascending, positive) adding up to `cible`: each
/// subset tried for up to 24 terms; beyond, counted by sum and size without
/// listing (targets up to 2^22; 64-bit counts).
struct Sommes {
    std::vector<std::uint64_t> par_termes;   ///< [m]: subsets of m terms
    std::vector<std::vector<Integer>> liste;  ///< the subsets, in lexicographic order
    std::uint64_t total() const;
};
Sommes sommes_de(const std::vector<Integer>& termes, Integer cible, bool lister);

/// Everything a calculation prints after its last question.
std::string calcul_attendu(Integer n, std::vector<Integer> propres, bool toutes,
                           std::optional<Integer> choisie);

/// One calculation: its answers (N, the two yes/no answers, S if chosen, as
/// typed when `tape_n` or `tape_s` is given), and its output from the second
/// question to the new-calculation question.
struct Echange {
    std::string reponses;
    std::string sortie;
};
Echange echange(Integer n, bool toutes, std::optional<Integer> s = std::nullopt,
                const std::string& tape_n = "", const std::string& tape_s = "");

/// A session of these calculations, answered 1 to the new-calculation question
/// between them and 0 after the last: its answers and its whole output.
Echange session(const std::vector<Echange>& calculs);

}  // namespace essai
