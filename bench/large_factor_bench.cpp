// Timings of the 64-bit primality test and factorisation (divisors/large_factor.h)
// on its hard cases and on random 63-bit numbers. Linked with benchmark_main.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "divisors/large_factor.h"

namespace {

using u64 = std::uint64_t;

constexpr u64 kPlusGrandPremierSous2_63 = 9223372036854775783u;
constexpr u64 kP = 3000000019u;  // the first prime above 3e9
constexpr u64 kQ = 3000000037u;  // the next one

// The first `combien` primes from 3e9 on.
std::vector<u64> premiers_pres_3e9(std::size_t combien) {
    std::vector<u64> p;
    for (u64 n = 3000000000u; p.size() < combien; ++n) {
        if (est_premier(n)) p.push_back(n);
    }
    return p;
}

// Runs facteurs_premiers over `nombres` in turn.
void parcourir(benchmark::State& state, const std::vector<u64>& nombres) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(facteurs_premiers(nombres[i]));
        if (++i == nombres.size()) i = 0;
    }
}

void BM_EstPremier_PremierSous2_63(benchmark::State& state) {
    u64 n = kPlusGrandPremierSous2_63;
    for (auto _ : state) {
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(est_premier(n));
    }
}
BENCHMARK(BM_EstPremier_PremierSous2_63);

void BM_FacteursPremiers_PremierSous2_63(benchmark::State& state) {
    parcourir(state, {kPlusGrandPremierSous2_63});
}
BENCHMARK(BM_FacteursPremiers_PremierSous2_63);

// n = p * q with p, q the two first primes above 3e9.
void BM_FacteursPremiers_PQPres3e9(benchmark::State& state) { parcourir(state, {kP * kQ}); }
BENCHMARK(BM_FacteursPremiers_PQPres3e9)->Unit(benchmark::kMicrosecond);

// n = p * q over all the pairs p < q of the 16 first primes above 3e9: the
// average over many such n, since rho's time varies from one n to another.
void BM_FacteursPremiers_PQPres3e9_Divers(benchmark::State& state) {
    const std::vector<u64> p = premiers_pres_3e9(16);
    std::vector<u64> nombres;
    for (std::size_t i = 0; i < p.size(); ++i) {
        for (std::size_t j = i + 1; j < p.size(); ++j) nombres.push_back(p[i] * p[j]);
    }
    parcourir(state, nombres);
}
BENCHMARK(BM_FacteursPremiers_PQPres3e9_Divers)->Unit(benchmark::kMicrosecond);

// n = p^2 with p the first prime above 3e9.
void BM_FacteursPremiers_CarrePres3e9(benchmark::State& state) { parcourir(state, {kP * kP}); }
BENCHMARK(BM_FacteursPremiers_CarrePres3e9);

// 4096 random n below 2^63 (fixed seed), in turn.
void BM_FacteursPremiers_Aleatoire63(benchmark::State& state) {
    std::mt19937_64 rng(20240063);
    std::vector<u64> nombres(4096);
    for (u64& n : nombres) {
        n = rng() >> 1;
        if (n < 2) n = 2;
    }
    parcourir(state, nombres);
}
BENCHMARK(BM_FacteursPremiers_Aleatoire63)->Unit(benchmark::kMicrosecond);

}  // namespace
