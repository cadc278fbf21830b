// The memory and cores a long count may use, and its passes run on them.
#include "engine/passes.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <utility>
#include <system_error>
#include <thread>
#include <vector>

namespace taverlune {

namespace {

/// A value of /proc/meminfo, in bytes; SIZE_MAX when it cannot be read.
std::size_t meminfo(const char* cle) {
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (f == nullptr) return SIZE_MAX;
    char ligne[256];
    std::size_t valeur = SIZE_MAX;
    const std::size_t n = std::strlen(cle);
    while (std::fgets(ligne, sizeof ligne, f) != nullptr)
        if (std::strncmp(ligne, cle, n) == 0 && ligne[n] == ':') {
            valeur = std::strtoull(ligne + n + 1, nullptr, 10) * 1024;
            break;
        }
    std::fclose(f);
    return valeur;
}

/// The process's address space now, in bytes.
std::size_t taille_du_processus() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    unsigned long long pages = 0;
    if (f != nullptr) {
        if (std::fscanf(f, "%llu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

std::size_t reste_sous(int ressource, std::size_t utilise) {
    rlimit r{};
    if (::getrlimit(ressource, &r) != 0 || r.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
    return r.rlim_cur > utilise ? static_cast<std::size_t>(r.rlim_cur) - utilise : 0;
}

}  // namespace

std::size_t memoire_disponible() {
    const std::size_t utilise = taille_du_processus();
    std::size_t libre =
        std::min({reste_sous(RLIMIT_AS, utilise), reste_sous(RLIMIT_DATA, utilise), meminfo("MemAvailable")});
    if (libre == SIZE_MAX) libre = std::size_t{1} << 32;  // nothing says: assume 4 GiB
    // A margin for the rest of the program, the threads' stacks and the
    // allocator's own needs.
    const std::size_t marge = std::max<std::size_t>(std::size_t{16} << 20, libre / 16);
    return libre > marge ? libre - marge : 0;
}

unsigned coeurs_disponibles() {
    cpu_set_t ensemble;
    unsigned n = 1;
    if (::sched_getaffinity(0, sizeof ensemble, &ensemble) == 0) n = static_cast<unsigned>(CPU_COUNT(&ensemble));
    return std::max(1u, n);
}

namespace {

/// The ticks the processors spent, busy and in all, since the machine
/// started (/proc/stat's first line); none when it cannot be read.
std::optional<std::pair<double, double>> ticks() {
    std::FILE* f = std::fopen("/proc/stat", "r");
    if (f == nullptr) return std::nullopt;
    unsigned long long v[8] = {};
    const int lus = std::fscanf(f, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2], &v[3], &v[4],
                                &v[5], &v[6], &v[7]);
    std::fclose(f);
    if (lus < 4) return std::nullopt;
    double tout = 0;
    for (const unsigned long long x : v) tout += static_cast<double>(x);
    // Idle and waiting for the disk are not busy.
    return std::pair{tout - static_cast<double>(v[3]) - static_cast<double>(v[4]), tout};
}

}  // namespace

double coeurs_pour(unsigned fils) {
    const double nous = static_cast<double>(std::max(1u, fils));
    const double coeurs = static_cast<double>(coeurs_disponibles());
    // The cores the other processes kept busy over a sixth of a second while
    // this one waited.
    const auto avant = ticks();
    std::this_thread::sleep_for(std::chrono::milliseconds(160));
    const auto apres = ticks();
    if (!avant || !apres || apres->second <= avant->second) return std::min(nous, coeurs);
    const double machine = static_cast<double>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
    const double occupes =
        std::clamp((apres->first - avant->first) / (apres->second - avant->second), 0.0, 1.0) * machine;
    // The scheduler shares the cores fairly between its groups (sessions,
    // where the kernel groups processes so): the others taken as one group,
    // the count as another; the level at which the shares fill the cores,
    // no group taking more than it asks.
    double bas = 0, haut = coeurs;
    for (int i = 0; i < 50; ++i) {
        const double niveau = (bas + haut) / 2;
        (std::min(nous, niveau) + std::min(occupes, niveau) < coeurs ? bas : haut) = niveau;
    }
    return std::max(0.05, std::min({nous, coeurs, bas}));
}

bool executer_passes(std::size_t nombre, unsigned fils, std::size_t octets,
                     const std::function<void(std::size_t, void*)>& passe, const std::function<bool()>& attente) {
    if (nombre == 0) return true;
    fils = static_cast<unsigned>(std::min<std::size_t>(std::max(1u, fils), nombre));
    struct Liberer {
        void operator()(void* t) const { std::free(t); }
    };
    std::vector<std::unique_ptr<void, Liberer>> tampons;
    for (unsigned f = 0; f < fils; ++f) {
        void* t = std::calloc(std::max<std::size_t>(octets, 1), 1);
        if (t == nullptr) break;
        tampons.emplace_back(t);
    }
    if (tampons.empty()) return false;

    std::atomic<std::size_t> suivante{0};
    std::atomic<bool> arrete{false};
    std::mutex verrou;
    std::condition_variable fin;
    std::size_t finis = 0;
    std::exception_ptr erreur;  // the first exception of a pass or of attente, rethrown here
    // A pass that runs short of memory beside the others is run again alone.
    std::vector<char> a_refaire(nombre, 0);
    const auto une = [&](std::size_t k, void* tampon, bool propre) {
        if (!propre) std::memset(tampon, 0, octets);
        try {
            passe(k, tampon);
        } catch (const std::bad_alloc&) {
            a_refaire[k] = 1;
        } catch (const PasseArretee&) {
            arrete = true;
        } catch (...) {
            const std::lock_guard<std::mutex> garde(verrou);
            if (!erreur) erreur = std::current_exception();
            arrete = true;
        }
    };
    const auto travailler = [&](void* tampon) {
        for (std::size_t k, fois = 0; !arrete.load() && (k = suivante.fetch_add(1)) < nombre; ++fois)
            une(k, tampon, fois == 0);
    };
    std::vector<std::thread> travailleurs;
    for (std::size_t f = 0; attente && f < tampons.size(); ++f) {
        try {
            travailleurs.emplace_back([&, t = tampons[f].get()] {
                travailler(t);
                const std::lock_guard<std::mutex> garde(verrou);
                ++finis;
                fin.notify_one();
            });
        } catch (const std::system_error&) {
            break;  // no more threads: those started share the passes
        }
    }
    if (travailleurs.empty()) {
        travailler(tampons[0].get());  // no thread, or nobody waiting: the passes run here
    } else {
        std::unique_lock<std::mutex> garde(verrou);
        while (finis < travailleurs.size()) {
            fin.wait_for(garde, std::chrono::milliseconds(100));
            garde.unlock();
            // What the caller throws stops the passes; it leaves once they are joined.
            try {
                if (!arrete && !attente()) arrete = true;
            } catch (...) {
                garde.lock();
                if (!erreur) erreur = std::current_exception();
                arrete = true;
                continue;
            }
            garde.lock();
        }
    }
    for (std::thread& t : travailleurs) t.join();
    if (erreur) std::rethrow_exception(erreur);
    if (arrete) return false;
    for (std::size_t k = 0; k < nombre; ++k)
        if (a_refaire[k] != 0) {
            a_refaire[k] = 0;
            une(k, tampons[0].get(), false);
            if (erreur) std::rethrow_exception(erreur);
            if (a_refaire[k] != 0) break;  // not even alone
        }
    return std::find(a_refaire.begin(), a_refaire.end(), 1) == a_refaire.end();
}

}  // namespace taverlune
