// The divisor-sum family: which n are semiperfect, weird, Zumkeller,
// practical, abundant, perfect or deficient, one n at a time or over ranges
// of n; and f(n), the number of ways to split the divisors of n into two
// sets of equal sum.
//
// Definitions (the integer-sequence encyclopedia's):
//   semiperfect (A005835): n is a sum of distinct proper divisors of n (the
//     perfect numbers included); primitive semiperfect (A006036): semiperfect
//     with no semiperfect proper divisor;
//   weird (A006037): abundant and not semiperfect; primitive weird
//     (A002975): weird with no weird proper divisor;
//   Zumkeller (A083207): the divisors of n, n included, split into two sets
//     of equal sum; f(n) (A083206): the number of such splits, unordered;
//   practical (A005153): every m <= sigma(n) is a sum of distinct divisors;
//   abundant (A005101), perfect (A000396), deficient (A005100): sigma(n)
//     above, equal to or below 2n.
// Nothing is stored between calls: every figure is computed when asked.
// Errors and threads as in engine.h: callbacks are called from the calling
// thread, and what they throw leaves the call once every thread is joined.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "taverlune/engine.h"
#include "taverlune/exact_count.h"

namespace taverlune {

/// The properties, in their fixed order.
enum class Propriete {
    semiparfait,           ///< semiperfect, A005835
    semiparfait_primitif,  ///< primitive-semiperfect, A006036
    etrange,               ///< weird, A006037
    etrange_primitif,      ///< primitive-weird, A002975
    zumkeller,             ///< zumkeller, A083207
    pratique,              ///< practical, A005153
    abondant,              ///< abundant, A005101
    parfait,               ///< perfect, A000396
    deficient,             ///< deficient, A005100
};
inline constexpr std::size_t nombre_de_proprietes = 9;
inline constexpr std::array<Propriete, nombre_de_proprietes> proprietes = {
    Propriete::semiparfait, Propriete::semiparfait_primitif,
    Propriete::etrange,     Propriete::etrange_primitif,
    Propriete::zumkeller,   Propriete::pratique,
    Propriete::abondant,    Propriete::parfait,
    Propriete::deficient};

/// Its name on the command line: "semiperfect", "primitive-semiperfect",
/// "weird", "primitive-weird", "zumkeller", "practical", "abundant",
/// "perfect", "deficient".
std::string_view nom_de(Propriete p);
/// Its number in the encyclopedia, "A005835" and so on.
std::string_view numero_de(Propriete p);
/// The property of a name or an A-number, in either case; none for anything else.
std::optional<Propriete> propriete_de(std::string_view texte);

/// Everything about one n.
struct Classement {
    std::array<bool, nombre_de_proprietes> oui{};  ///< by property, in their order
    Compte separations;                            ///< f(n), A083206
    Compte a;                                      ///< a(n), A065205
    bool operator[](Propriete p) const { return oui[static_cast<std::size_t>(p)]; }
};

/// Every property of n >= 1, f(n) and a(n). `r` and `rappels` go to the
/// counts of f(n) and a(n) (and `rappels` to the decisions): a stop asked
/// through `rappels.progres` leaves a Classement not to be used. Throws
/// std::domain_error when f(n) would need a target past 2^63 - 1 (n near
/// 2^63 with sigma(n) > 4n).
Classement classer(std::int64_t n, const Reglages& r = {}, const Rappels& rappels = {});

/// Whether n >= 1 has the property.
bool possede(std::int64_t n, Propriete p);

/// How a range is run.
struct ReglagesFamille {
    unsigned fils = 0;  ///< threads; 0: one per core this process may use
};

/// Calls `chaque(n)` for every n from `debut` to `fin` (1 <= debut <= fin <=
/// 2^63 - 1) that has the property, ascending, from the calling thread; the
/// n never depend on the number of threads. `rappels.progres` gets the share
/// of the range done and the n found so far, about every tenth of a second
/// while the range runs; false stops it (after a whole n: false is
/// returned). `rappels.lenteur` is told of a decision that will take long.
bool lister_propriete(Propriete p, std::int64_t debut, std::int64_t fin,
                      const std::function<void(std::int64_t)>& chaque, const ReglagesFamille& r = {},
                      const Rappels& rappels = {});

/// The number of n from `debut` to `fin` that have the property; none when
/// `rappels.progres` stopped it. The practical numbers of a long range are
/// counted by building them rather than by testing every n.
std::optional<std::uint64_t> compter_propriete(Propriete p, std::int64_t debut, std::int64_t fin,
                                               const ReglagesFamille& r = {}, const Rappels& rappels = {});

}  // namespace taverlune
