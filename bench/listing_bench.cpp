// The listing against the output limit. Each iteration runs the stages of a
// calculation that lists every solution, its output written through the
// console to /dev/null, and then writes the very same bytes, made once
// beforehand, through a 64 KiB buffer to /dev/null as fast as the machine
// copies them: the least time that any program printing these bytes this way
// can take. The two run one after the other in every iteration, so that
// their ratio is measured under the same load on a shared machine.
//
// Times are the thread's CPU time (user and system). Reported: the listing's
// time (the benchmark's time), the limit's, and rapport = listing / limit
// over all the iterations. With
// --benchmark_repetitions=9 the medians are printed too.
// Linked with benchmark_main.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "console/console.h"
#include "dialogue/dialogue.h"
#include "search/search.h"
#include "state/state.h"

using namespace taverlune;

namespace {

int nul = -1;          // /dev/null
std::string* capture;  // where the first run's bytes go

bool vers_nul(const char* octets, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(nul, octets, n);
        if (w <= 0) return false;
        octets += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool vers_capture(const char* octets, std::size_t n) {
    capture->append(octets, n);
    return true;
}

// The process's console, writing with `ecrire`, with no terminal anywhere
// (no progress line).
void brancher(bool (*ecrire)(const char*, std::size_t)) {
    Branchements b = branchements_du_processus();
    b.ecrire = ecrire;
    b.est_terminal = [](int) { return false; };
    b.meme_terminal = [] { return false; };
    brancher_console(b);
}

// The stages of one calculation from the start-up state, every solution
// printed: what the program does after reading the answers.
void calculer(Integer n, Integer cible, bool choisie) {
    demarrer();
    S = S1 = N = n;
    SN = cible;
    Sol = 1;
    Sdif = choisie ? 1 : 0;
    ns = Compte{};
    ndif = 0;
    ND1 = 0;
    i = 1;
    ndec = 0;
    etapes();
    vider_sortie();
}

// The limit: the bytes copied into a 64 KiB buffer, written out when full.
void ecrire_a_la_limite(const std::string& octets) {
    static char tampon[1 << 16];
    for (std::size_t x = 0; x < octets.size();) {
        const std::size_t k = std::min(sizeof tampon, octets.size() - x);
        std::memcpy(tampon, octets.data() + x, k);
        vers_nul(tampon, k);
        x += k;
    }
}

// CPU time of this thread, user and system: what a run costs, without the
// time that other processes on a shared machine take from it.
double secondes() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void liste_et_limite(benchmark::State& state, Integer n, Integer cible, bool choisie) {
    nul = ::open("/dev/null", O_WRONLY);
    std::string octets;
    capture = &octets;
    brancher(vers_capture);
    calculer(n, cible, choisie);
    brancher(vers_nul);
    double liste = 0, limite = 0;
    for (auto _ : state) {
        const double debut = secondes();
        calculer(n, cible, choisie);
        const double milieu = secondes();
        ecrire_a_la_limite(octets);
        limite += secondes() - milieu;
        const double t = milieu - debut;
        liste += t;
        state.SetIterationTime(t);
    }
    brancher_console(branchements_du_processus());
    ::close(nul);
    const double fois = static_cast<double>(state.iterations());
    state.counters["limite_ms"] = 1000 * limite / fois;
    state.counters["rapport"] = liste / limite;
    state.counters["octets"] = static_cast<double>(octets.size());
    state.SetLabel("solutions: " + ns.decimal());
}

// N = 720, the target N: 676,327 solutions, 61.7 MB.
void BM_Liste_720(benchmark::State& state) { liste_et_limite(state, 720, 720, false); }
BENCHMARK(BM_Liste_720)->UseManualTime()->Unit(benchmark::kMillisecond);

// N = 5040, the target 215: 1,481,065 solutions, 102.6 MB.
void BM_Liste_5040_215(benchmark::State& state) { liste_et_limite(state, 5040, 215, true); }
BENCHMARK(BM_Liste_5040_215)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
