// The memory and cores a long count may use, and its passes run on them.
#include "engine/passes.h"

#include <dirent.h>
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
#include <string>
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

/// A small file of /proc, whole ("" when it cannot be read).
std::string lire_proc(const std::string& chemin) {
    std::FILE* f = std::fopen(chemin.c_str(), "r");
    if (f == nullptr) return {};
    char texte[1024];
    const std::size_t lus = std::fread(texte, 1, sizeof texte - 1, f);
    std::fclose(f);
    return std::string(texte, lus);
}

/// The state and the number of threads of a process or thread, from its
/// stat file (the name may hold anything: the fields start after its last
/// ')'); state 0 when it cannot be read.
std::pair<char, long> etat(const std::string& stat) {
    const std::size_t apres = stat.rfind(')');
    char e = 0;
    long fils = 1;
    if (apres == std::string::npos ||
        std::sscanf(stat.c_str() + apres + 1, " %c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %ld",
                    &e, &fils) != 2)
        return {0, 0};
    return {e, fils};
}

/// The threads of process `pid` that run or wait for a core now.
double fils_prets(const std::string& pid, const std::string& stat) {
    const auto [e, fils] = etat(stat);
    if (fils <= 1) return e == 'R' ? 1 : 0;
    DIR* dossier = ::opendir(("/proc/" + pid + "/task").c_str());
    if (dossier == nullptr) return e == 'R' ? 1 : 0;
    double prets = 0;
    while (const dirent* t = ::readdir(dossier))
        if (t->d_name[0] >= '0' && t->d_name[0] <= '9' &&
            etat(lire_proc("/proc/" + pid + "/task/" + t->d_name + "/stat")).first == 'R')
            ++prets;
    ::closedir(dossier);
    return prets;
}

}  // namespace

double coeurs_pour(unsigned fils, int regards) {
    const double nous = static_cast<double>(std::max(1u, fils));
    const double coeurs = static_cast<double>(coeurs_disponibles());
    const double machine = static_cast<double>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
    // The scheduler shares the cores fairly between its groups: the
    // sessions, where the kernel groups processes so, else each process.
    // The threads of each group that want a core: the mean of the looks,
    // a fiftieth of a second apart (builds and tests start and end
    // processes all the time).
    const std::string moi = std::to_string(::getpid());
    const std::string notre_groupe = lire_proc("/proc/self/autogroup");
    struct Groupe {
        std::string nom;
        double demande;
    };
    std::vector<Groupe> groupes;
    regards = std::max(1, regards);
    for (int k = 0; k < regards; ++k) {
        if (k > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        DIR* dossier = ::opendir("/proc");
        if (dossier == nullptr) return std::min(nous, coeurs);
        while (const dirent* entree = ::readdir(dossier)) {
            const std::string pid = entree->d_name;
            if (pid[0] < '0' || pid[0] > '9' || pid == moi) continue;
            const double prets = fils_prets(pid, lire_proc("/proc/" + pid + "/stat"));
            if (prets == 0) continue;
            // "/autogroup-25 nice 0": its group.
            std::string nom = lire_proc("/proc/" + pid + "/autogroup");
            nom = nom.empty() ? pid : nom.substr(0, nom.find(' '));
            if (!notre_groupe.empty() && notre_groupe.starts_with(nom + " ")) continue;  // ours
            const auto g = std::find_if(groupes.begin(), groupes.end(), [&](const Groupe& x) { return x.nom == nom; });
            if (g == groupes.end()) groupes.push_back({nom, prets / regards});
            else g->demande += prets / regards;
        }
        ::closedir(dossier);
    }
    // The level at which the groups' shares fill the machine, no group
    // taking more than it wants; the count's threads as a group of their own.
    groupes.push_back({"", nous});
    double bas = 0, haut = machine;
    for (int i = 0; i < 50; ++i) {
        const double niveau = (bas + haut) / 2;
        double pris = 0;
        for (const Groupe& g : groupes) pris += std::min(g.demande, niveau);
        (pris < machine ? bas : haut) = niveau;
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
