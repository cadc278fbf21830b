// A progress line on standard error for long searches, and what Ctrl-C does
// during a search.
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
// thread or timer of its own.
//
// While an Avancement exists, the first SIGINT or SIGTERM erases the line,
// says on standard error that the calculation was interrupted, and ends the
// program by that signal (status 130 or 143 in a shell). A signal that was
// ignored when the search began stays ignored. One Avancement at a time.
//
// Reads: the console (which terminals, the width of standard error's).
// Writes: standard error only.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/engine.h"

class Avancement {
public:
    /// `affiche_solutions`: the solutions go to standard output.
    explicit Avancement(bool affiche_solutions);
    ~Avancement();
    Avancement(const Avancement&) = delete;
    Avancement& operator=(const Avancement&) = delete;

    /// A line may be drawn: standard error is a terminal we may write on.
    bool actif() const { return actif_; }
    /// Looks at the clock, and draws the line if it is time: `part` is the
    /// share of the work done, in [0, 1], with the solutions found so far
    /// when the search knows them (not while counting).
    void montrer(double part, std::optional<std::uint64_t> solutions);

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
void avertir_lenteur(const Lenteur& l);
