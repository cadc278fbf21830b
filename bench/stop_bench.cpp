// How soon a search stops when its caller asks, in each phase of the work:
// the progress callback answers true until a moment chosen in the phase,
// then false. For each search and each moment, the longest silence of the
// callback before the stop (a stop cannot be asked sooner than the next
// call) and the time from the stop asked to the call's return.
//
//   ./build-bench/bench/stop_bench
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <taverlune/engine.h>

using namespace taverlune;

namespace {

using Horloge = std::chrono::steady_clock;

double depuis(Horloge::time_point t) { return std::chrono::duration<double>(Horloge::now() - t).count(); }

struct Sortie : Puits {
    void ecrire(std::string_view) override {}
};

struct Cas {
    const char* phase;
    std::function<void(const Rappels&)> lancer;
};

}  // namespace

int main() {
    Sortie sortie;
    const std::vector<Cas> cas = {
        {"passes of a count (720720 -d)", [](const Rappels& r) { compter(probleme_de(720720, 720720), {}, r); }},
        {"plans and bounds of the split (153,600 divisors, S=30000)",
         [](const Rappels& r) { compter(probleme_de(8976124847866176000, 30000), {}, r); }},
        {"pre-count of an endless listing (1081080 --print)",
         [&](const Rappels& r) { lister(probleme_de(1081080, 1081080), sortie, Forme{}, {}, r); }},
        {"listing with its reachable sums (3 x 2^60 - 4 --print)",
         [&](const Rappels& r) { lister(probleme_de(3458764513820540928, 3458764513820540924), sortie, Forme{}, {}, r); }},
        {"bounds of the split at values (367567200 -d)",
         [](const Rappels& r) { compter(probleme_de(367567200, 367567200), {}, r); }},
        {"remembered remainders (210 p q r)",
         [](const Rappels& r) { compter(probleme_de(3782547479018668290, 3782547479018668290), {}, r); }},
        {"counting by listing (963761198400)",
         [](const Rappels& r) { compter(probleme_de(963761198400, 963761198400), {}, r); }},
    };
    std::printf("%-60s %8s %10s %12s %10s\n", "phase", "stop at", "calls", "longest gap", "stopped in");
    for (const Cas& c : cas)
        for (const double moment : {0.02, 0.3, 1.5}) {
            const Horloge::time_point debut = Horloge::now();
            Horloge::time_point dernier = debut, arret{};
            double plus_long = 0;
            int appels = 0;
            bool arrete = false;
            Rappels r;
            r.progres = [&](double, std::optional<std::uint64_t>) {
                ++appels;
                plus_long = std::max(plus_long, std::chrono::duration<double>(Horloge::now() - dernier).count());
                dernier = Horloge::now();
                if (!arrete && depuis(debut) >= moment) arrete = true, arret = Horloge::now();
                return !arrete;
            };
            c.lancer(r);
            const double apres = arrete ? depuis(arret) : -1;
            std::printf("%-60s %7.2fs %10d %11.3fs %9.3fs%s\n", c.phase, moment, appels, plus_long, apres,
                        arrete ? "" : " (ended first)");
        }
}
