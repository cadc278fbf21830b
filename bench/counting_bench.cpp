// Timing of the exact subset counter on the proper divisors of N with the
// target N, for N = 720, 5040, 10080 and 55440 (29, 59, 71 and 119 divisors).
// Linked with benchmark_main, which supplies main().
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "search/counting.h"
#include "state/state.h"

namespace {

/// The divisors of n other than n, ascending, by trial division.
std::vector<std::int64_t> diviseurs_propres(std::int64_t n) {
    std::vector<std::int64_t> petits, grands;
    for (std::int64_t x = 1; x * x <= n; ++x) {
        if (n % x != 0) continue;
        petits.push_back(x);
        if (x != n / x && x != 1) grands.push_back(n / x);
    }
    petits.insert(petits.end(), grands.rbegin(), grands.rend());
    return petits;
}

void BM_CompterDiviseurs(benchmark::State& state) {
    const std::int64_t N = state.range(0);
    const std::vector<std::int64_t> d = diviseurs_propres(N);
    const std::size_t octets_max = std::size_t{4} << 30;
    std::vector<Compte> par_termes;
    for (auto _ : state) {
        const bool ok = compter_sous_ensembles(d.data(), d.size(), N, octets_max, par_termes);
        if (!ok) {
            state.SkipWithError("table too large");
            break;
        }
        benchmark::DoNotOptimize(par_termes.data());
        benchmark::ClobberMemory();
    }
    Compte total;
    for (const Compte& c : par_termes) total += c;
    state.SetLabel("count " + total.decimal());
    state.counters["elements"] = static_cast<double>(d.size());
    state.counters["table_bytes"] =
        static_cast<double>(octets_comptage(d.data(), d.size(), N));
    state.counters["cell_words"] =
        static_cast<double>(comptage_detail::mots_par_cellule(d.data(), d.size(), N));
}

BENCHMARK(BM_CompterDiviseurs)
    ->Arg(720)
    ->Arg(5040)
    ->Arg(10080)
    ->Arg(55440)
    ->Unit(benchmark::kMillisecond);

}  // namespace
