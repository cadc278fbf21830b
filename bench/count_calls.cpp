// The engine's own time per call, for the Python module's benchmark
// (python_bench.py builds this against the installed library): CALLS times
// a(N) as taverlune.count(N) asks for it, the problem built, the quick
// outcomes looked at, the total counted. Prints the seconds per call.
//
//   count_calls N CALLS
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <taverlune/engine.h>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::int64_t n = std::atoll(argv[1]);
    const long appels = std::atol(argv[2]);
    std::size_t controle = 0;
    const auto debut = std::chrono::steady_clock::now();
    for (long k = 0; k < appels; ++k) {
        const taverlune::Probleme p = taverlune::probleme_de(n, n);
        if (taverlune::issue_rapide(p) == taverlune::Issue::recherche)
            controle += taverlune::compter(p, {}, {}, taverlune::Mesure::total).total.mots.size();
    }
    const double secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    std::printf("%.9f %zu\n", secondes / static_cast<double>(appels), controle);
    return 0;
}
