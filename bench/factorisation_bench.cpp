// Timings of the 64-bit factorisation (divisors/factorisation.h) on its hard
// cases, class by class. Each iteration factorises every number of its class
// once, timing each one; a number's time is the least over the iterations
// (what it costs, without what other processes on a shared machine take), and
// the class reports the mean, the 99th percentile and the largest of those
// times, and how many numbers took more than 0.1 ms. Linked with
// benchmark_main.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "engine/factorisation.h"

using namespace taverlune;

namespace {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

constexpr u64 kPlusGrandPremierSous2_63 = 9223372036854775783u;
constexpr u64 kRacine2_63 = 3037000499u;  // floor(2^31.5)

// The `combien` largest primes below 2^31.5.
std::vector<u64> premiers_sous_2_31_5(std::size_t combien) {
    std::vector<u64> p;
    for (u64 n = kRacine2_63; p.size() < combien; --n)
        if (est_premier(n)) p.push_back(n);
    return p;
}

void mesurer(benchmark::State& state, const std::vector<u64>& nombres) {
    std::vector<double> meilleur(nombres.size(), std::numeric_limits<double>::infinity());
    for (auto _ : state) {
        for (std::size_t i = 0; i < nombres.size(); ++i) {
            const auto debut = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(facteurs_premiers(nombres[i]));
            const std::chrono::duration<double, std::micro> t = std::chrono::steady_clock::now() - debut;
            meilleur[i] = std::min(meilleur[i], t.count());
        }
    }
    std::vector<double> tri = meilleur;
    std::sort(tri.begin(), tri.end());
    double somme = 0;
    for (const double t : tri) somme += t;
    state.counters["nombres"] = static_cast<double>(tri.size());
    state.counters["moyenne_us"] = somme / static_cast<double>(tri.size());
    state.counters["p99_us"] = tri[tri.size() * 99 / 100];
    state.counters["max_us"] = tri.back();
    state.counters["plus_de_0.1ms"] = static_cast<double>(tri.end() - std::upper_bound(tri.begin(), tri.end(), 100.0));
}

// The largest prime below 2^63, and 2^63 - 1 = 7^2 73 127 337 92737 649657.
void BM_Premier_et_2_63_moins_1(benchmark::State& state) {
    mesurer(state, {kPlusGrandPremierSous2_63, 9223372036854775807u});
}
BENCHMARK(BM_Premier_et_2_63_moins_1);

// p q and p^2 for the 16 largest primes p, q below 2^31.5: 136 numbers
// below 2^63.
void BM_Pres_de_2_31_5(benchmark::State& state) {
    const std::vector<u64> p = premiers_sous_2_31_5(16);
    std::vector<u64> nombres;
    for (std::size_t i = 0; i < p.size(); ++i)
        for (std::size_t j = 0; j <= i; ++j) nombres.push_back(p[i] * p[j]);
    mesurer(state, nombres);
}
BENCHMARK(BM_Pres_de_2_31_5);

// p q below 2^63 for 1000 random primes p, q in [2^31, 2^32) (fixed seed):
// the two halves are far apart, the hardest numbers for the curves.
void BM_Equilibres_au_hasard(benchmark::State& state) {
    std::mt19937_64 alea(12345);
    const auto premier = [&] {
        u64 p;
        do p = (u64{1} << 31) + (alea() >> 33);
        while (!est_premier(p));
        return p;
    };
    std::vector<u64> nombres;
    while (nombres.size() < 1000) {
        const u64 p = premier(), q = premier();
        if (p != q && static_cast<u128>(p) * q < (u64{1} << 63)) nombres.push_back(p * q);
    }
    mesurer(state, nombres);
}
BENCHMARK(BM_Equilibres_au_hasard)->Iterations(5);

// 4096 random n below 2^63 (fixed seed).
void BM_Au_hasard_sous_2_63(benchmark::State& state) {
    std::mt19937_64 alea(20240063);
    std::vector<u64> nombres(4096);
    for (u64& n : nombres) n = std::max<u64>(alea() >> 1, 2);
    mesurer(state, nombres);
}
BENCHMARK(BM_Au_hasard_sous_2_63)->Iterations(5);

}  // namespace
