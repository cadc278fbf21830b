// The program's console: buffered output on standard output, words read from
// standard input, and what is said on standard error.
//
// Output is kept in a buffer and written out before every read of standard
// input, when the buffer is full and when the program ends, so the bytes and
// their order are exactly those produced. Input is read through a buffer of
// our own, so that what is skipped on a regular file and what stays to be
// read on a pipe or a terminal is under our control.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <taverlune/exact_count.h>

/// An exact count (the engine's) and a 128-bit sum, as the console prints them.
using Compte = taverlune::Compte;
__extension__ typedef __int128 Somme;

/// Appends text to standard output.
void ecrire(std::string_view texte);
/// Appends a 64-bit integer in plain decimal, with a minus sign when negative.
void ecrire_nombre(std::int64_t n);
/// Appends a 128-bit sum in plain decimal.
void ecrire_somme(Somme n);
/// Appends a count in plain decimal.
void ecrire_compte(const Compte& n);
/// Writes out everything buffered. A failed write is said on standard error
/// with its cause ("taverlune: write error: No space left on device") and
/// ends the program.
void vider_sortie();

/// Writes all of `texte` to the file open on `fd` (not standard output),
/// at once; a failed write is said and ends the program, as on standard
/// output.
void ecrire_dans(int fd, std::string_view texte);

/// At the start of a question: on a regular file, skips all that is not read
/// yet (the read position goes to the end); on a pipe or a terminal, nothing
/// already typed is lost.
void repositionner_entree();

/// The outcome of reading one word.
enum class Lecture {
    mot,  ///< a word was read
    fin,  ///< end of input, or a read that failed: no word can come
};

/// Skips white space (blank, \t, \n, \v, \f, \r) and reads one word, which
/// ends before the next white space or at the end of input. `mot` receives
/// at most `capacite` bytes of it; `longueur` receives its full length.
Lecture lire_mot(char* mot, std::size_t capacite, std::size_t& longueur);

/// Ends the program: writes out the buffer and exits with status 1.
[[noreturn]] void terminer();

/// Standard output is a terminal.
bool sortie_est_un_terminal();
/// Standard error is a terminal, and not the one standard output is on.
bool erreurs_sur_un_autre_terminal();
/// Standard error is a terminal.
bool erreurs_sur_un_terminal();
/// Width in columns of the terminal on standard error, 0 when unknown.
int colonnes_erreurs();
/// Writes to standard error at once, unbuffered; a failure is ignored.
/// Async-signal-safe with the process's branchements (one write(2) loop).
void ecrire_erreurs(std::string_view texte);
/// "taverlune: " and the text, in the reader's language, as one line on
/// standard error.
void ecrire_ligne_erreur(std::string_view texte);

// ---- For the tests and the fuzzing harness ------------------------------------

/// Where the console's bytes come from and go to. The program uses the
/// process's file descriptors 0 and 1; a harness may replace them.
struct Branchements {
    /// Reads up to n bytes; returns their number, 0 at end of input, -1 on error.
    long (*lire)(char* tampon, std::size_t n);
    /// true when standard input is a regular file.
    bool (*entree_est_fichier)();
    /// Moves the read position of standard input to its end.
    void (*aller_a_la_fin)();
    /// Writes n bytes; returns false when they could not be written, with
    /// the cause in errno.
    bool (*ecrire)(const char* octets, std::size_t n);
    /// Ends the program; must not return (it may throw, in a harness).
    void (*quitter)();
    /// true when file descriptor fd (1 or 2) is a terminal.
    bool (*est_terminal)(int fd);
    /// true when standard output and standard error are the same terminal.
    bool (*meme_terminal)();
    /// Writes n bytes to standard error, as far as it can.
    void (*ecrire_erreurs)(const char* octets, std::size_t n);
    /// Width in columns of the terminal on file descriptor fd, 0 when unknown.
    int (*colonnes)(int fd);
};

/// The branchements in use at start-up.
Branchements branchements_du_processus();
/// Replaces the branchements and drops every buffered byte, both ways.
void brancher_console(const Branchements& b);
