// The progress line of long searches, on standard error.
//
// Shown only when standard error is a terminal and the solutions are not
// being printed on that same terminal; it appears once the search has run for
// about a second, is refreshed a few times a second and is erased when the
// search ends. It gives the share of the work done, the time spent, the time
// left as estimated from these two, and the solutions found so far; it is cut
// to the terminal's width.
//
// It never covers a line of results. When standard output is the same
// terminal, its last line is still open (no line break yet) while the search
// runs: the progress is drawn on the line below and the cursor is put back
// where it was, so that the screen after the search is exactly the screen
// without it. Otherwise the cursor is at the start of a line of its own, and
// the progress is drawn there. The engine's progress callback draws it: no
// thread or timer of its own. It tells the interruption (interruption.h)
// how to erase it.
//
// Reads: the console (which terminals, the width of standard error's).
// Writes: standard error.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <taverlune/engine.h>

/// A search shows its progress once it has run this long.
inline constexpr double secondes_avant_progres = 1.0;

class LigneDeProgres {
public:
    /// `demandee`: the caller wants it at all; `affiche_solutions`: the
    /// solutions go to standard output meanwhile.
    LigneDeProgres(bool demandee, bool affiche_solutions);
    ~LigneDeProgres();  ///< erases it
    LigneDeProgres(const LigneDeProgres&) = delete;
    LigneDeProgres& operator=(const LigneDeProgres&) = delete;

    /// A line may be drawn: standard error is a terminal we may write on.
    bool actif() const { return actif_; }
    /// Looks at the clock, and draws the line if it is time: `part` is the
    /// share of the work done, in [0, 1], with the solutions found so far
    /// when the search knows them (not while counting).
    void montrer(double part, std::optional<std::uint64_t> solutions = std::nullopt);
    /// Takes it off the screen, before a message on standard error or the
    /// results on standard output.
    void effacer();

private:
    bool actif_ = false;    // standard error is a terminal we may write on
    bool dessous_ = false;  // drawn on the line below standard output's open line
    bool affiche_ = false;  // a line is on the screen
    std::chrono::steady_clock::time_point debut_;
    std::chrono::steady_clock::time_point dernier_;
};

/// The text of the progress line: the share done, an estimate of the time
/// left (the time spent times the share left over the share done; none while
/// nothing is done), the time spent, and the solutions found so far when
/// known. Pieces that do not fit in `largeur` - 1 columns are left out from
/// the last one; the first is cut if need be.
std::string ligne_avancement(double part, double secondes, std::optional<std::uint64_t> solutions, std::size_t largeur);

/// Tells the user, on standard error, that a search will not end in a
/// reasonable time, and how long it would take; the search goes on.
void avertir_lenteur(const taverlune::Lenteur& l);
