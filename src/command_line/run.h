// Inside the command line: what the counts of one N and the tables share.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "command_line/command_line.h"
#include "engine/engine.h"

/// The divisors of n other than n that are at most `cible`, with n's
/// factorisation: the engine's problem for a(n).
Probleme probleme_de(std::int64_t n, std::int64_t cible);

/// What the sum of the elements says at once: none reaches the target, only
/// all of them together, or a search is needed.
enum class Issue { aucune, toutes, recherche };
Issue issue_rapide(const Probleme& p);

/// The same count by another route: the table over the sums alone, or the
/// distribution's methods summed.
Compte compter_autrement(const Probleme& p, const Reglages& r, const Rappels& rappels, Mesure mesure);

/// Ctrl-C or SIGTERM came.
bool arret_demande();

/// Ends the program as the signal that came would: the lines made so far
/// written, one line on standard error, the signal's own status.
[[noreturn]] void finir_par_signal();

/// Writes the picture to `chemin`; false, said on standard error, when it cannot.
bool ecrire_image(const std::string& chemin, const std::string& svg);

/// "taverlune: " and the text, one line on standard error.
void ecrire_ligne_erreur(std::string_view texte);

/// The progress line on standard error, with --status when standard error
/// is a terminal: drawn after a second, a few times a second, erased at the end.
class Ligne {
public:
    explicit Ligne(bool active);
    ~Ligne();
    Ligne(const Ligne&) = delete;
    Ligne& operator=(const Ligne&) = delete;
    void montrer(double part, std::optional<std::uint64_t> trouvees = std::nullopt);
    void effacer();

private:
    const bool active_;
    bool affichee_ = false;
    std::chrono::steady_clock::time_point debut_, dernier_;
};

/// The table of --table, to standard output or its file; the exit status.
int table(const Commande& c);
