// Runs the built program as a user would: its answers written into a pipe (or
// a terminal), piece by piece as its questions come out if need be, its
// standard output and error collected whole.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace essai {

/// Path of the built program, and of the reference program (the plain walk).
std::string programme_taverlune(), programme_reference();

/// How one standard stream of the program is connected: a pipe to or from the
/// test, `chemin` opened with `mode`, the run's one pseudo-terminal (no echo,
/// no output processing), or closed.
struct Flux {
    enum Sorte { tube, fichier, terminal, ferme } sorte = tube;
    const char* chemin = nullptr;
    int mode = 0;
};

/// A piece of the answers, written once standard output holds `apres` bytes.
struct Etape {
    std::size_t apres = 0;
    std::string texte;
};

struct Execution;

struct Lancement {
    std::string programme = programme_taverlune();
    std::vector<std::string> arguments{};  ///< after the program's name
    std::vector<Etape> etapes{};
    Flux entree{}, sortie{}, erreurs{};
    double secondes_max = 120.0;
    std::size_t fermer_sortie_apres = std::string::npos;  ///< stop reading stdout after that many bytes
    bool garder_entree = false;     ///< keep a piped standard input open after the last answer
    bool sigpipe_ignore = false;    ///< the program starts with SIGPIPE ignored
    double octets_par_seconde = 0;  ///< read its output no faster than this (0: as it comes)
    /// NAME=value set in the program's environment, after LC_ALL=C and
    /// LANGUAGE unset: its messages are in English unless these say otherwise.
    std::vector<std::string> environnement{};
    /// Sends `signal` once this says so of what has been read so far.
    std::function<bool(const Execution&)> signaler_quand{};
    int signal = SIGTERM;
};

struct Execution {
    std::string sortie, erreurs;  ///< all read from standard output (or the terminal) and error
    int statut = -1;              ///< exit status, or -1 when ended by a signal
    int signal = 0;               ///< the signal that ended it, or 0
    bool delai_depasse = false;   ///< killed because it ran past the time limit
};

Execution executer(const Lancement& l);

/// `programme` with `reponses` written into a pipe on its standard input.
Execution lancer(const std::string& programme, const std::string& reponses, double secondes_max = 120.0);
/// Expects the run to have ended by itself, with status 1.
void verifier_fin_normale(const Execution& e);
/// The same bytes; else where they first differ (no diff of megabytes of output).
::testing::AssertionResult meme_sortie(const std::string& obtenu, const std::string& attendu);
/// The program through pipes; expects status 1 after exactly `attendu` on standard output.
void verifier(const std::string& reponses, const std::string& attendu);
/// `mot` with control and high bytes written as escapes, for the trace of a row.
std::string visible(const std::string& mot);

}  // namespace essai
