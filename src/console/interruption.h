// Ctrl-C (SIGINT) and SIGTERM while the program works: the one place that
// sets and handles the program's signal dispositions.
//
// While an Interruption exists, the first of these signals ends the work:
// the progress line is erased, standard error says
// "taverlune: calculation interrupted", and the program ends by that very
// signal (status 130 or 143 in a shell). A signal that was ignored when the
// program started (nohup, a background job) stays ignored. Outside an
// Interruption the signals have their usual effect. One Interruption at a
// time.
//
// Two ways to end: `sur_le_champ`, from the handler itself (the dialogue's
// search, which prints nothing it would have to finish); `au_point_sur`, the
// handler only notes the signal, and the program calls
// finir_par_interruption() at a point where every line it printed is whole
// (the command line).
//
// Reads: the progress line's state (progress.h). Writes: standard error,
// standard output's buffer (flushed, au_point_sur only), the dispositions of
// SIGINT and SIGTERM.
#pragma once

#include <string_view>

class Interruption {
public:
    enum class Mode { sur_le_champ, au_point_sur };
    explicit Interruption(Mode mode);
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;
};

/// A signal came (au_point_sur): the program is to end by it.
bool interruption_demandee();

/// Ends the program as the signal that came would: standard output's lines
/// written, the progress line erased, one line on standard error, the
/// signal's own status.
[[noreturn]] void finir_par_interruption();

/// What the progress line tells of itself, for the handler: the bytes that
/// erase it, those that go before the message on the terminal, and whether
/// it is on the screen. Kept by the line as it changes.
void noter_ligne(std::string_view effacement, std::string_view avant_message, bool affichee);
