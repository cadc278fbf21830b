// The command line: counts, distributions, listings and whole tables of
// a(n), the number of sets of distinct divisors of n other than n whose sum
// is n (or n + K, or a chosen S), and of f(n), the splits of the divisors of
// n into two sets of equal sum; the n of a range that are semiperfect,
// weird, Zumkeller, practical... (family.h), and every such property of N;
// for scripts. A front end of the engine,
// like the dialogue; it shares none of the dialogue's state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <taverlune/engine.h>
#include <taverlune/family.h>

/// What the command line asks for.
struct Commande {
    enum class Quoi {
        aide,
        version,
        compte,
        distribution,
        liste,
        table,
        classement,          ///< --classify: every property of each N
        liste_propriete,     ///< --list PROPERTY A B
        comptage_propriete,  ///< --list PROPERTY A B --count
    } quoi = Quoi::compte;
    std::vector<std::int64_t> nombres;                                   ///< the N to count, in the order given
    std::optional<std::int64_t> cible;                                   ///< --target S
    std::int64_t debut = 0, fin = 0;                                     ///< --table A B
    std::int64_t decalage = 0;                                           ///< --target-offset K: the target n + K
    taverlune::Suite suite = taverlune::Suite::a065205;                  ///< --sequence
    taverlune::Propriete propriete = taverlune::Propriete::semiparfait;  ///< --list PROPERTY
    bool records = false;                                                ///< --records
    std::string fichier;                                                 ///< --output FILE ("" for standard output)
    std::string image;                                                   ///< --plot FILE.svg ("" for none)
    unsigned fils = 0;                                                   ///< --threads T (0: every core)
    bool etat = false;                                                   ///< --status
    bool temps = false;                                                  ///< --time
    bool double_verification = false;                                    ///< --double-check
    bool estimation = false;  ///< --estimate: the seconds a count would take, not the count
};

/// The command, or the one line that says what is wrong with it (no
/// "taverlune: " before it, no line break after it).
struct LectureCommande {
    std::optional<Commande> commande;
    std::string erreur;
};
LectureCommande lire_commande(const std::vector<std::string_view>& arguments);

/// A number as the command line takes it: plain decimal digits, or
/// 1e6, 2.5e3 and 10^6 forms that make an exact integer; a leading sign only
/// when `signe`. None when it is anything else or does not fit in 63 bits.
std::optional<std::int64_t> lire_nombre(std::string_view texte, bool signe = false);

/// Runs the command line and returns the exit status (after --help and
/// --version too).
int ligne_de_commande(int argc, char** argv);
