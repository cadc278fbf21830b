// Timings of the stages of one calculation, each working on the program-wide
// state (state/state.h) as the program runs them: the factorisation (decomp),
// the divisor list, and the whole sequence of stages with the search.
// Everything the stages print goes to a console that drops its bytes.
// Linked with benchmark_main.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "dialogue/dialogue.h"
#include "divisors/divisors.h"
#include "engine/factorisation.h"
#include "search/search.h"
#include "state/state.h"

using namespace taverlune;

namespace {

constexpr Integer k2_63_moins_1 = 9223372036854775807;          // 7^2*73*127*337*92737*649657
constexpr Integer kPremierSous2_63 = 9223372036854775783;       // the largest prime < 2^63
constexpr Integer kBeaucoupDeDiviseurs = 8976124847866176000;   // 153,600 divisors

// Bytes the stages have printed, and dropped.
std::uint64_t octets_jetes = 0;

bool jeter(const char*, std::size_t n) {
    octets_jetes += n;
    return true;
}

// The console of the process, except that what is written is dropped.
void brancher_puits() {
    Branchements b = branchements_du_processus();
    b.ecrire = jeter;
    brancher_console(b);
}

// The state at the start of the program, and the answers of a calculation
// of N = valeur with the target N, as calcul leaves them before its stages.
void preparer(Integer valeur, Integer sol = 0) {
    demarrer();
    S = S1 = N = valeur;
    SN = N;
    Sol = sol;
    Sdif = 0;
    ns = Compte{};
    ndif = 0;
    ND1 = 0;
    i = 1;
    ndec = 0;
}

// "p^e * q * ..." from Nfact[1..nf], Nexpo[1..nf].
std::string facteurs() {
    std::string s;
    for (int m = 1; m <= nf; ++m) {
        if (m > 1) s += '*';
        s += std::to_string(Nfact[m]);
        if (Nexpo[m] > 1) s += '^' + std::to_string(Nexpo[m]);
    }
    return s;
}

// ---- Factorisation ------------------------------------------------------------

// decomp from the start-up state: the prime table grows as trial division
// needs it, as in the first calculation of a session. With several values,
// one after the other; the time is per value.
void decomp_depuis_le_demarrage(benchmark::State& state, const std::vector<Integer>& valeurs) {
    brancher_puits();
    std::size_t x = 0;
    for (auto _ : state) {
        state.PauseTiming();
        preparer(valeurs[x]);
        state.ResumeTiming();
        A = decomp();
        benchmark::DoNotOptimize(A);
        benchmark::ClobberMemory();
        if (++x == valeurs.size()) x = 0;
    }
    state.SetLabel(valeurs.size() == 1 ? facteurs() : std::to_string(valeurs.size()) + " numbers");
}

void decomp_depuis_le_demarrage(benchmark::State& state, Integer valeur) {
    decomp_depuis_le_demarrage(state, std::vector<Integer>{valeur});
}

// decomp with the prime table already grown by an earlier calculation of the
// same number, as in a later calculation of the session.
void decomp_table_deja_faite(benchmark::State& state, Integer valeur) {
    brancher_puits();
    preparer(valeur);
    A = decomp();
    const Liste table = Nprem;
    const Integer premiers = np;
    for (auto _ : state) {
        state.PauseTiming();
        preparer(valeur);
        Nprem = table;
        np = premiers;
        state.ResumeTiming();
        A = decomp();
        benchmark::DoNotOptimize(A);
        benchmark::ClobberMemory();
    }
    state.SetLabel(facteurs());
}

// The prime numbers p with 2^31 < p <= 3037000499 (so that p q < 2^63), from
// random starting points of a fixed seed.
std::vector<Integer> premiers_pres_de_2_31_5(std::size_t combien) {
    std::mt19937_64 alea(20261207);
    std::vector<Integer> p;
    while (p.size() < combien) {
        std::uint64_t n = (std::uint64_t{1} << 31) + alea() % (3037000499u - (std::uint64_t{1} << 31));
        while (!est_premier(n)) ++n;
        if (n <= 3037000499u) p.push_back(static_cast<Integer>(n));
    }
    return p;
}

void BM_Decomp_2_63_moins_1(benchmark::State& state) {
    decomp_depuis_le_demarrage(state, k2_63_moins_1);
}
BENCHMARK(BM_Decomp_2_63_moins_1)->Unit(benchmark::kMicrosecond);

void BM_Decomp_PremierSous2_63(benchmark::State& state) {
    decomp_depuis_le_demarrage(state, kPremierSous2_63);
}
BENCHMARK(BM_Decomp_PremierSous2_63)->Unit(benchmark::kMicrosecond);

// p q with p, q the two first primes above 3e9.
void BM_Decomp_PQ_3000000019_3000000037(benchmark::State& state) {
    decomp_depuis_le_demarrage(state, Integer{3000000019} * 3000000037);
}
BENCHMARK(BM_Decomp_PQ_3000000019_3000000037)->Unit(benchmark::kMicrosecond);

// p q for 64 pairs of random primes near 2^31.5: the average, since the
// curves that succeed vary from one number to another.
void BM_Decomp_PQ_Pres2_31_5(benchmark::State& state) {
    const std::vector<Integer> p = premiers_pres_de_2_31_5(128);
    std::vector<Integer> produits;
    for (std::size_t x = 0; x < p.size(); x += 2) produits.push_back(p[x] * p[x + 1]);
    decomp_depuis_le_demarrage(state, produits);
}
BENCHMARK(BM_Decomp_PQ_Pres2_31_5)->Unit(benchmark::kMicrosecond);

// p^2 for 64 random primes near 2^31.5.
void BM_Decomp_Carres_Pres2_31_5(benchmark::State& state) {
    std::vector<Integer> carres;
    for (const Integer p : premiers_pres_de_2_31_5(64)) carres.push_back(p * p);
    decomp_depuis_le_demarrage(state, carres);
}
BENCHMARK(BM_Decomp_Carres_Pres2_31_5)->Unit(benchmark::kMicrosecond);

void BM_Decomp_8976124847866176000(benchmark::State& state) {
    decomp_depuis_le_demarrage(state, kBeaucoupDeDiviseurs);
}
BENCHMARK(BM_Decomp_8976124847866176000)->Unit(benchmark::kMicrosecond);

void BM_Decomp_TableDejaFaite_2_63_moins_1(benchmark::State& state) {
    decomp_table_deja_faite(state, k2_63_moins_1);
}
BENCHMARK(BM_Decomp_TableDejaFaite_2_63_moins_1)->Unit(benchmark::kMicrosecond);

void BM_Decomp_TableDejaFaite_PremierSous2_63(benchmark::State& state) {
    decomp_table_deja_faite(state, kPremierSous2_63);
}
BENCHMARK(BM_Decomp_TableDejaFaite_PremierSous2_63)->Unit(benchmark::kMicrosecond);

// ---- Factorisation and divisor list -------------------------------------------

void BM_DecompEtListe_8976124847866176000(benchmark::State& state) {
    brancher_puits();
    for (auto _ : state) {
        state.PauseTiming();
        preparer(kBeaucoupDeDiviseurs);
        state.ResumeTiming();
        A = decomp();
        liste_diviseurs();
        benchmark::DoNotOptimize(Div.data());
        benchmark::ClobberMemory();
    }
    state.counters["diviseurs"] = static_cast<double>(ND1 + 1);
    state.SetLabel(facteurs());
}
BENCHMARK(BM_DecompEtListe_8976124847866176000)->Unit(benchmark::kMillisecond);

// ---- The search ---------------------------------------------------------------

// The stages of a calculation with the target N: factorisation, divisor
// list, bounds, search and report. Sol = 1 prints every solution (dropped).
void recherche(benchmark::State& state, Integer valeur, Integer sol) {
    brancher_puits();
    std::uint64_t octets = 0;
    std::string solutions;
    for (auto _ : state) {
        state.PauseTiming();
        preparer(valeur, sol);
        const std::uint64_t avant = octets_jetes;
        state.ResumeTiming();
        etapes();
        vider_sortie();
        benchmark::ClobberMemory();
        state.PauseTiming();
        octets = octets_jetes - avant;
        solutions = ns.decimal();
        state.ResumeTiming();
    }
    state.counters["octets_ecrits"] = static_cast<double>(octets);
    state.SetLabel("solutions: " + solutions);
}

void BM_Recherche_720_Compter(benchmark::State& state) { recherche(state, 720, 0); }
BENCHMARK(BM_Recherche_720_Compter)->Unit(benchmark::kMicrosecond);

void BM_Recherche_720_Lister(benchmark::State& state) { recherche(state, 720, 1); }
BENCHMARK(BM_Recherche_720_Lister)->Unit(benchmark::kMillisecond);

void BM_Recherche_5040_Compter(benchmark::State& state) { recherche(state, 5040, 0); }
BENCHMARK(BM_Recherche_5040_Compter)->Unit(benchmark::kMillisecond);

}  // namespace
