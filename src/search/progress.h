// A progress line on standard error for long searches.
//
// Shown only when standard error is a terminal and the solutions are not
// being printed on that same terminal; it appears once the search has run for
// about a second, is refreshed a few times a second and is erased when the
// search ends. Standard output never changes. The clock is read only every
// so many steps: no thread, timer or signal.
#pragma once

#include <chrono>
#include <cstdint>

class Avancement {
public:
    /// `affiche_solutions`: the solutions go to standard output.
    explicit Avancement(bool affiche_solutions);
    ~Avancement();
    Avancement(const Avancement&) = delete;
    Avancement& operator=(const Avancement&) = delete;

    /// Cheap: call at every step; looks at the clock every 2^16 calls.
    /// `part` gives the share of the work done, in [0, 1].
    template <class FonctionPart>
    void pas(FonctionPart&& part, std::uint64_t solutions) {
        if (!actif_ || (++pas_ & 0xFFFF) != 0) return;
        montrer(part(), solutions);
    }
    /// Looks at the clock now.
    void montrer(double part, std::uint64_t solutions);

private:
    bool actif_ = false;    // standard error is a terminal we may write on
    bool affiche_ = false;  // a line is on the screen
    std::uint64_t pas_ = 0;
    std::chrono::steady_clock::time_point debut_;
    std::chrono::steady_clock::time_point dernier_;
};
