// One count by a method chosen with the engine's switches: prints the
// engine's estimate of its seconds, then the seconds it took, for
// estimate_bench.py.
//
//   estimate_driver N S total|distribution auto|table|sums|points|split|split-points|groups|remainders [threads]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <taverlune/engine.h>

using namespace taverlune;

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: estimate_driver N S total|distribution METHOD [THREADS]\n");
        return 2;
    }
    const std::int64_t N = std::atoll(argv[1]), S = std::atoll(argv[2]);
    const Mesure mesure = std::string(argv[3]) == "total" ? Mesure::total : Mesure::distribution;
    const std::string methode = argv[4];
    Reglages r;
    if (argc > 5) r.fils = static_cast<unsigned>(std::atoi(argv[5]));
    if (methode != "auto") r.par_table = r.par_sommes = r.par_decoupe = r.aux_points = false;
    if (methode == "table") r.par_table = true;
    else if (methode == "sums") r.par_sommes = true;
    else if (methode == "points") r.aux_points = true;
    else if (methode == "split") r.par_decoupe = true;
    else if (methode == "split-points") r.par_decoupe = r.aux_points = true;
    else if (methode == "groups") r.par_table = true;  // N with no table over all its divisors
    else if (methode != "remainders" && methode != "auto") {
        std::fprintf(stderr, "unknown method %s\n", methode.c_str());
        return 2;
    }
    const Probleme p = probleme_de(N, S);
    const double estimation = estimer(p, r, mesure);
    const auto debut = std::chrono::steady_clock::now();
    const Resultat res = compter(p, r, {}, mesure);
    const double secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double cpu = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                       static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    std::printf("%.6g %.6g %.6g %s\n", estimation, secondes, cpu, res.total.decimal().substr(0, 12).c_str());
    return 0;
}
