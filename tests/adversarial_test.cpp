// The whole program under hostile conditions, run end to end: its input cut at
// every byte, NUL bytes, odd separators and bytes above 127, a word of a mebibyte
// and a hundred thousand refused answers, a thousand calculations in one run, its
// standard output closed under it, the largest values its input takes, and a
// terminal in place of the pipes. Expected outputs are composed from the texts the
// program must print; the divisor sums are checked against a brute force.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "support/process.h"

extern char** environ;

namespace {

using namespace std::string_literals;

using Entier = std::int64_t;
using Nombre = std::uint64_t;
__extension__ typedef __int128 Large;
__extension__ typedef unsigned __int128 GrandNombre;

// ---- Texts of the dialogue ---------------------------------------------------

constexpr std::array<std::string_view, 17> kPresentation = {
    " \n   POUR MODIFIER LA TAILLE DU TEXTE ET DE LA FENETRE : [TOUCHE CTRL] + [MOLETTE DE LA SOURIS]. ",
    " \n \n \t  *****     TAVERLUNE     (Version B)     ***** ",
    " \n \n \n \t  Etant donne un entier N. ",
    " \n \t  Ce programme permet de trouver toutes les sommes de ses diviseurs (excepte N) egales a N ou a un autre nombre entier choisi. ",
    " \n \n \t  Remarques sur les possibilites et limites du programme : ",
    " \n \n \t  Les nombres sont limites a : (2^63 -1) = 9 223 372 036 854 775 807 ~ 9x10^18. ",
    " \n \n \t  Pour trouver tous les diviseurs de N, le programme utilise sa decomposition en facteurs premiers. ",
    " \n \t  Pour des nombres allants jusqu'a 14 ou 15 chiffres, cette decomposition est rapide. Au-dela, cela depend de la grandeur des facteurs premiers. ",
    " \n \n \t  Une fois les diviseurs trouves, si leur effectif est D, le programme aura 2^D cas a examiner. ",
    " \n \t  Pour D = 30, il faut environ une minute a cette version B, pour compter toutes les solutions (avec N = 720 par exemple). ",
    " \n \n \t  Le temps de calcul est multiplie environ par 2 chaque fois que le nombre de diviseurs augmente de 1. ",
    " \n \t  Le programme est donc limite par ce temps de calcul. ",
    " \n \t  Ce dernier depend de la puissance de l'ordinateur et du nombre d'operations a executer pour arriver au resultat. ",
    " \n \n \t  Cette version B, a l'inverse de la version A, n'est pas 'theoriquement' limitee a 61 diviseurs pour la recherche des sommes. ",
    " \n \t  Un ordinateur suffisamment rapide permettrait d'exploiter cette possibilite. ",
    " \n \n \t  Le programme detecte rapidement certains cas d'impossibilite ou encore les nombres parfaits. ",
    " \n \t  Ceci meme avec des nombres de diviseurs tres importants. ",
};

constexpr std::string_view kQuestionN = "\n \n \n \t Valeur de N ? ";  // 22 characters
constexpr std::string_view kQuestionToutes =  // 71 characters
    "\n \n \t Voulez-vous afficher toutes les solutions  ?  Oui[1] / Non [0] : ";
constexpr std::string_view kQuestionAutreS =  // 100 characters
    "\n \n \t Voulez-vous trouver les solutions pour une somme  S   differente de  N  ?  "
    "Oui[1] / Non [0] : ";
constexpr std::string_view kQuestionS =  // 47 characters
    "\n \n \t Quelle est la valeur de cette somme  S ? ";
constexpr std::string_view kQuestionNouveau =  // 45 characters, ending with a colon and two spaces
    " \n \n \t Nouveau calcul , Oui[1] / Non[0] ? :  ";

static_assert(kQuestionN.size() == 22);
static_assert(kQuestionToutes.size() == 71);
static_assert(kQuestionAutreS.size() == 100);
static_assert(kQuestionS.size() == 47);
static_assert(kQuestionNouveau.size() == 45 && kQuestionNouveau.ends_with(":  "));

const std::string kN(kQuestionN), kToutes(kQuestionToutes), kAutre(kQuestionAutreS), kS(kQuestionS),
    kNouveau(kQuestionNouveau);

std::string presentation() {
    std::string texte;
    for (std::string_view piece : kPresentation) texte += piece;
    return texte;
}

std::string repete(std::string_view texte, std::size_t fois) {
    std::string r;
    r.reserve(texte.size() * fois);
    for (std::size_t k = 0; k < fois; ++k) r += texte;
    return r;
}

std::string decimal(Large v) {
    if (v == 0) return "0";
    const bool negatif = v < 0;
    GrandNombre u = negatif ? GrandNombre(0) - static_cast<GrandNombre>(v) : static_cast<GrandNombre>(v);
    std::string chiffres;
    while (u != 0) {
        chiffres.insert(chiffres.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
        u /= 10;
    }
    return (negatif ? "-" : "") + chiffres;
}

// ---- What a calculation prints -------------------------------------------------

std::string diviseurs(const std::string& n, std::size_t compte, const std::string& cible,
                      const std::vector<std::string>& liste, bool n_liste, const std::string& somme) {
    std::string texte = "\n \n \t Le nombre  " + n + " a  " + std::to_string(compte) +
                        "  diviseurs inferieurs ou egaux a  " + cible;
    texte += "\n \n \t Ce sont :";
    texte += "  ";
    for (const std::string& d : liste) texte += d + " , ";
    if (n_liste) texte += n + ".";
    return texte + "\n \n \t  Leur somme (a l'exeption de lui meme) est :   " + somme;
}

std::string aucune_solution(const std::string& somme) {
    return "\n \n \t  Il n'y a aucune solution. \n \n \t  la somme devrait-etre inferieure ou "
           "egale a :  " +
           somme;
}

std::string tous_conviennent(bool autre_cible, const std::string& cible) {
    std::string texte = " \n \n \t  La somme de tous les diviseurs propres de N inferieurs ";
    if (autre_cible) texte += " ou egaux ";
    return texte + " a  " + cible + "  convient. \n ";
}

constexpr std::string_view kEnteteSolutions = " \n \n \t Les sommes recherchees ont pour termes : \n ";

std::string solution(const std::vector<Entier>& termes) {
    std::string texte = " \n  \t  ";
    for (std::size_t k = 0; k < termes.size(); ++k)
        texte += (k == 0 ? "" : " || ") + std::to_string(termes[k]);
    return texte + " \n  \t  ";
}

std::string bilan(Nombre ns, const std::string& cible) {
    std::string texte = "\n \n \t Il y a  " + std::to_string(ns) + " sommes egales a  " + cible;
    if (ns != 0) texte += " \n \n \t  Elles se repartissent comme suit : \n ";
    return texte;
}

std::string repartition(Nombre nombre, std::size_t termes) {
    return " \n \t  " + std::to_string(nombre) + "   sommes  de  " + std::to_string(termes) + "   termes.";
}

// ---- Oracles: divisors and the subsets that add up to a target --------------------

/// The divisors of n other than n, by a plain scan (small n only).
std::vector<Entier> propres_naifs(Entier n) {
    std::vector<Entier> d;
    for (Entier k = 1; k < n; ++k)
        if (n % k == 0) d.push_back(k);
    return d;
}

/// The divisors of the product of `facteurs` (prime, exponent), that product excluded, ascending.
std::vector<Entier> propres_par_facteurs(const std::vector<std::pair<Nombre, int>>& facteurs) {
    std::vector<Large> tous = {1};
    for (const auto& [p, e] : facteurs) {
        const std::size_t avant = tous.size();
        Large puissance = 1;
        for (int k = 1; k <= e; ++k) {
            puissance *= static_cast<Large>(p);
            for (std::size_t m = 0; m < avant; ++m) tous.push_back(tous[m] * puissance);
        }
    }
    std::sort(tous.begin(), tous.end());
    tous.pop_back();  // the number itself
    std::vector<Entier> r;
    for (Large d : tous) r.push_back(static_cast<Entier>(d));
    return r;
}

struct Sommes {
    std::vector<Nombre> par_termes;          ///< [m]: subsets of m terms
    std::vector<std::vector<Entier>> liste;  ///< the subsets, ascending terms, in lexicographic order
};

/// Every subset of `termes` (ascending, positive) whose sum is `cible` (>= 1): all
/// subsets tried one by one for up to 23 terms, else counted by sum and size.
Sommes sommes_de(const std::vector<Entier>& termes, Entier cible, bool lister) {
    const std::size_t n = termes.size();
    Sommes r;
    r.par_termes.assign(n + 1, 0);
    if (n <= 23) {
        for (std::uint32_t masque = 1; masque < (std::uint32_t{1} << n); ++masque) {
            Large somme = 0;
            std::size_t compte = 0;
            for (std::size_t k = 0; k < n; ++k)
                if ((masque >> k) & 1U) {
                    somme += termes[k];
                    ++compte;
                }
            if (somme != cible) continue;
            ++r.par_termes[compte];
            if (lister) {
                std::vector<Entier> s;
                for (std::size_t k = 0; k < n; ++k)
                    if ((masque >> k) & 1U) s.push_back(termes[k]);
                r.liste.push_back(s);
            }
        }
        std::sort(r.liste.begin(), r.liste.end());
        return r;
    }
    EXPECT_FALSE(lister) << "listing asked for " << n << " terms";
    EXPECT_LE(cible, Entier{1} << 22);
    const std::size_t largeur = static_cast<std::size_t>(cible) + 1;
    std::vector<Nombre> compte((n + 1) * largeur, 0);  // [m][s]
    compte[0] = 1;
    for (std::size_t k = 0; k < n; ++k) {
        const auto t = static_cast<std::size_t>(termes[k]);
        if (t >= largeur) continue;
        for (std::size_t m = k + 1; m-- > 0;)
            for (std::size_t s = largeur - 1 - t + 1; s-- > 0;)
                compte[(m + 1) * largeur + s + t] += compte[m * largeur + s];
    }
    for (std::size_t m = 1; m <= n; ++m) r.par_termes[m] = compte[m * largeur + largeur - 1];
    return r;
}

/// Everything a calculation prints after its questions: N, its divisors other than N
/// (ascending), whether every solution is shown, and the chosen target if any.
std::string calcul_attendu(Entier n, std::vector<Entier> propres, bool toutes,
                           std::optional<Entier> choisie) {
    const Entier cible = choisie.value_or(n);
    if (choisie) std::erase_if(propres, [cible](Entier d) { return d > cible; });
    Large somme = 0;
    std::vector<std::string> liste;
    for (Entier d : propres) {
        somme += d;
        liste.push_back(std::to_string(d));
    }
    std::string texte = diviseurs(std::to_string(n), propres.size() + (cible >= n ? 1 : 0),
                                  std::to_string(cible), liste, cible >= n, decimal(somme));
    if (somme < cible) return texte + aucune_solution(decimal(somme));
    if (cible >= 1 && somme == cible)
        return texte + tous_conviennent(choisie.has_value(), std::to_string(cible));
    if (toutes) texte += kEnteteSolutions;
    Sommes s;
    s.par_termes.assign(propres.size() + 1, 0);
    if (cible >= 1) s = sommes_de(propres, cible, toutes);
    Nombre total = 0;
    for (Nombre c : s.par_termes) total += c;
    for (const auto& sol : s.liste) texte += solution(sol);
    texte += bilan(total, std::to_string(cible));
    for (std::size_t m = 1; m < s.par_termes.size(); ++m)
        if (s.par_termes[m] != 0) texte += repartition(s.par_termes[m], m);
    return texte;
}

/// One calculation of a small N: its answers (N, the two yes/no answers, S if any)
/// and what it prints from its second question to the new-calculation question.
struct Calcul {
    std::string reponses;
    std::string sortie;
};

Calcul calcul(Entier n, bool toutes, std::optional<Entier> s = std::nullopt) {
    Calcul c;
    c.reponses = std::to_string(n) + (toutes ? " 1" : " 0") + (s ? " 1 " + std::to_string(*s) : " 0") + "\n";
    c.sortie = kToutes + kAutre + (s ? kS : "") + calcul_attendu(n, propres_naifs(n), toutes, s) + kNouveau;
    return c;
}

// ---- Primes, for the largest values --------------------------------------------------

Nombre mulmod(Nombre a, Nombre b, Nombre m) {
    return static_cast<Nombre>(static_cast<GrandNombre>(a) * b % m);
}

Nombre powmod(Nombre b, Nombre e, Nombre m) {
    Nombre r = 1;
    for (b %= m; e != 0; e >>= 1, b = mulmod(b, b, m))
        if (e & 1U) r = mulmod(r, b, m);
    return r;
}

/// Miller-Rabin with the first twelve primes as bases: exact below 2^64.
bool est_premier(Nombre n) {
    constexpr Nombre bases[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
    if (n < 2) return false;
    for (Nombre p : bases)
        if (n % p == 0) return n == p;
    Nombre d = n - 1;
    int s = 0;
    while ((d & 1U) == 0) {
        d >>= 1;
        ++s;
    }
    for (Nombre a : bases) {
        Nombre x = powmod(a, d, n);
        if (x == 1 || x == n - 1) continue;
        bool compose = true;
        for (int k = 1; k < s && compose; ++k) {
            x = mulmod(x, x, n);
            if (x == n - 1) compose = false;
        }
        if (compose) return false;
    }
    return true;
}

Nombre premier_au_plus(Nombre n) {
    while (!est_premier(n)) --n;
    return n;
}

Nombre premier_au_moins(Nombre n) {
    while (!est_premier(n)) ++n;
    return n;
}

// Under AddressSanitizer the program sets freed memory aside for a while, so that
// its peak grows with the number of allocations: peaks are compared only without it.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kPicsComparables = false;
#else
constexpr bool kPicsComparables = true;
#endif

// ---- Running the program under our own control -----------------------------------------

/// A piece of the answers, written once standard output holds at least `apres` bytes.
struct Etape {
    std::size_t apres = 0;
    std::string texte;
    bool mesurer = false;  ///< read the program's peak memory first (it is then waiting)
};

struct Options {
    double secondes_max = 120.0;
    std::size_t fermer_sortie_apres = std::string::npos;  ///< stop reading stdout after that many bytes
    bool garder_entree = false;     ///< keep standard input open once every answer is written
    bool sigpipe_ignore = false;    ///< the program starts with SIGPIPE ignored
    double octets_par_seconde = 0;  ///< read its output no faster than this (0: as fast as it comes)
};

struct Resultat {
    std::string sortie;
    std::string erreurs;
    int statut = -1;
    int signal = 0;
    bool delai_depasse = false;
    long pic_ko = -1;     ///< VmHWM of the program at the measured step
    long maxrss_ko = -1;  ///< ru_maxrss from wait4: at least our own peak, which exec carries over
                          ///< to a child started by posix_spawn; kept for the record only
    double secondes = 0;
};

void fermer(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

void sans_blocage(int fd) {
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

/// The program's peak resident size so far, from /proc (its own, since exec).
long vmhwm_ko(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string ligne;
    while (std::getline(f, ligne))
        if (ligne.rfind("VmHWM:", 0) == 0) return std::strtol(ligne.c_str() + 6, nullptr, 10);
    return -1;
}

/// Starts the program with the given descriptors as its standard streams (-1: closed).
pid_t demarrer(int entree, int sortie, int erreurs, bool sigpipe_ignore) {
    std::signal(SIGPIPE, SIG_IGN);  // our own writes to a program that has ended
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int descripteurs[3] = {entree, sortie, erreurs};
    for (int k = 0; k < 3; ++k) {
        if (descripteurs[k] >= 0)
            posix_spawn_file_actions_adddup2(&actions, descripteurs[k], k);
        else
            posix_spawn_file_actions_addclose(&actions, k);
    }
    posix_spawnattr_t attributs;
    posix_spawnattr_init(&attributs);
    sigset_t vide, pipe;
    sigemptyset(&vide);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    short drapeaux = POSIX_SPAWN_SETSIGMASK;
    posix_spawnattr_setsigmask(&attributs, &vide);
    if (!sigpipe_ignore) {
        drapeaux |= POSIX_SPAWN_SETSIGDEF;
        posix_spawnattr_setsigdefault(&attributs, &pipe);
    }
    posix_spawnattr_setflags(&attributs, drapeaux);
    const std::string programme = essai::programme_taverlune();
    char* argv[] = {const_cast<char*>(programme.c_str()), nullptr};
    pid_t pid = -1;
    const int err = posix_spawn(&pid, programme.c_str(), &actions, &attributs, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributs);
    if (err != 0) ADD_FAILURE() << "posix_spawn: " << std::strerror(err);
    return err == 0 ? pid : -1;
}

/// Feeds the steps to `entree` and collects `sortie` and `erreurs` (our ends; `entree`
/// and `sortie` may be one terminal master) until the program ends or the time is up.
Resultat pomper(pid_t pid, int entree, int sortie, int erreurs, const std::vector<Etape>& etapes,
                const Options& o) {
    Resultat r;
    if (pid < 0) {
        if (!(entree >= 0 && entree == sortie)) fermer(entree);
        fermer(sortie);
        fermer(erreurs);
        return r;
    }
    const bool meme = entree >= 0 && entree == sortie;
    sans_blocage(entree);
    sans_blocage(sortie);
    sans_blocage(erreurs);
    const auto debut = std::chrono::steady_clock::now();
    const auto limite = debut + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                    std::chrono::duration<double>(o.secondes_max));
    std::size_t etape = 0, ecrit = 0, lu_sortie = 0;
    bool mesure_faite = false;
    char tampon[1 << 16];

    const auto fermer_sortie = [&] {
        if (meme) {
            fermer(sortie);
            entree = -1;
        } else {
            fermer(sortie);
        }
    };
    const auto lire = [&](int& fd, std::string& vers, bool est_sortie) {
        std::size_t max = est_sortie && o.octets_par_seconde > 0 ? std::size_t{4096} : sizeof tampon;
        if (est_sortie && o.fermer_sortie_apres != std::string::npos)
            max = std::min(max, o.fermer_sortie_apres - lu_sortie);
        const ssize_t n = max == 0 ? 0 : ::read(fd, tampon, max);
        if (n > 0) {
            vers.append(tampon, static_cast<std::size_t>(n));
            if (est_sortie) lu_sortie += static_cast<std::size_t>(n);
            if (est_sortie && lu_sortie == o.fermer_sortie_apres) fermer_sortie();
            return true;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return false;
        if (est_sortie)
            fermer_sortie();
        else
            fermer(fd);  // end of file, or EIO from a terminal whose other side is gone
        return false;
    };

    int etat = 0;
    rusage usage{};
    bool fini = false;
    while (!fini) {
        // Answers: the current step is due once the output has reached its mark.
        while (etape < etapes.size() && entree >= 0 && r.sortie.size() >= etapes[etape].apres) {
            if (etapes[etape].mesurer && !mesure_faite) {
                r.pic_ko = vmhwm_ko(pid);
                mesure_faite = true;
            }
            const std::string& texte = etapes[etape].texte;
            if (ecrit < texte.size()) {
                const ssize_t w = ::write(entree, texte.data() + ecrit, texte.size() - ecrit);
                if (w > 0)
                    ecrit += static_cast<std::size_t>(w);
                else if (w < 0 && errno != EAGAIN && errno != EINTR) {
                    if (!meme) fermer(entree);
                    etape = etapes.size();
                    break;
                }
                if (ecrit < texte.size()) break;
            }
            ++etape;
            ecrit = 0;
        }
        if (etape == etapes.size() && !o.garder_entree && !meme) fermer(entree);

        pollfd fds[3];
        nfds_t nfds = 0;
        const double ecoule = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
        const bool freine =
            o.octets_par_seconde > 0 && static_cast<double>(lu_sortie) > o.octets_par_seconde * ecoule;
        if (sortie >= 0 && !freine) fds[nfds++] = {sortie, POLLIN, 0};
        if (erreurs >= 0) fds[nfds++] = {erreurs, POLLIN, 0};
        const bool a_ecrire = entree >= 0 && etape < etapes.size() && r.sortie.size() >= etapes[etape].apres;
        if (a_ecrire && !meme) fds[nfds++] = {entree, POLLOUT, 0};
        ::poll(fds, nfds, freine ? 2 : 20);
        for (nfds_t q = 0; q < nfds; ++q) {
            if (fds[q].revents == 0) continue;
            if (fds[q].fd == sortie && fds[q].events == POLLIN)
                lire(sortie, r.sortie, true);
            else if (fds[q].fd == erreurs)
                lire(erreurs, r.erreurs, false);
        }

        const pid_t w = ::wait4(pid, &etat, WNOHANG, &usage);
        if (w == pid) {
            // Ended: take what is left in the pipes (or the terminal).
            while (sortie >= 0 && lire(sortie, r.sortie, true)) {
            }
            while (erreurs >= 0 && lire(erreurs, r.erreurs, false)) {
            }
            fini = true;
        } else if (std::chrono::steady_clock::now() > limite) {
            r.delai_depasse = true;
            ::kill(pid, SIGKILL);
            while (::wait4(pid, &etat, 0, &usage) < 0 && errno == EINTR) {
            }
            fini = true;
        }
    }
    r.secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    if (!meme) fermer(entree);
    fermer(sortie);
    fermer(erreurs);
    if (WIFEXITED(etat)) r.statut = WEXITSTATUS(etat);
    if (WIFSIGNALED(etat)) r.signal = WTERMSIG(etat);
    r.maxrss_ko = usage.ru_maxrss;
    return r;
}

/// Runs the program with pipes on its three streams.
Resultat executer(const std::vector<Etape>& etapes, const Options& o = {}) {
    int vers[2], depuis[2], erreurs[2];
    if (::pipe2(vers, O_CLOEXEC) != 0 || ::pipe2(depuis, O_CLOEXEC) != 0 ||
        ::pipe2(erreurs, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe";
        return {};
    }
    const pid_t pid = demarrer(vers[0], depuis[1], erreurs[1], o.sigpipe_ignore);
    ::close(vers[0]);
    ::close(depuis[1]);
    ::close(erreurs[1]);
    return pomper(pid, vers[1], depuis[0], erreurs[0], etapes, o);
}

Resultat executer(const std::string& reponses, const Options& o = {}) {
    return executer(std::vector<Etape>{{0, reponses, false}}, o);
}

/// Runs `avant` then, once the output has reached `attendu_avant` bytes (the program
/// waits at its last question), measures its peak memory and types `derniere`.
Resultat executer_mesure(const std::string& avant, std::size_t attendu_avant, const std::string& derniere) {
    return executer({{0, avant, false}, {attendu_avant, derniere, true}});
}

void verifier_fin_normale(const Resultat& r) {
    EXPECT_FALSE(r.delai_depasse);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.statut, 1);
}

/// Runs the program through pipes and checks it ends with status 1 after printing `attendu`.
void verifier(const std::string& reponses, const std::string& attendu) {
    const essai::Execution r =
        essai::lancer(essai::programme_taverlune(), reponses, essai::Entree::tube, 60.0);
    EXPECT_FALSE(r.delai_depasse);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(r.sortie, attendu);
}

/// `mot` with control and high bytes written as escapes, for the trace of a row.
std::string visible(std::string_view mot) {
    std::string texte;
    for (char c : mot) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f) {
            texte += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            texte += hex;
        }
    }
    return texte.size() > 200 ? texte.substr(0, 200) + "..." : texte;
}

// ---- 1. Input cut at every byte ------------------------------------------------------

bool separateur(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::vector<std::string> mots(std::string_view texte) {
    std::vector<std::string> r;
    std::size_t k = 0;
    while (k < texte.size()) {
        while (k < texte.size() && separateur(texte[k])) ++k;
        const std::size_t debut = k;
        while (k < texte.size() && !separateur(texte[k])) ++k;
        if (k > debut) r.emplace_back(texte.substr(debut, k - debut));
    }
    return r;
}

TEST(CutInput, EveryPrefixOfATwoCalculationDialogueEndsAtTheWaitingQuestion) {
    // N = 12, every solution, target N; again; N = 24, no listing, S typed as 24
    // (asked again) and then 7; no more calculation.
    const std::string complet = "12 1 0 1\n24 0 1 24 7 0\n";
    // What the program prints once each word is taken, up to the next question.
    const std::vector<std::string> apres = {
        presentation() + kN,                                         // before any word
        kToutes,                                                     // 12
        kAutre,                                                      // 1
        calcul_attendu(12, propres_naifs(12), true, {}) + kNouveau,  // 0
        kN,                                                          // 1
        kToutes,                                                     // 24
        kAutre,                                                      // 0
        kS,                                                          // 1
        kS,                                                          // 24: equal to N, asked again
        calcul_attendu(24, propres_naifs(24), false, 7) + kNouveau,  // 7
        "",                                                          // 0: the end
    };
    const std::vector<std::string> complets = mots(complet);
    ASSERT_EQ(complets.size() + 1, apres.size());
    // A word cut short is another answer: what it prints in place of the whole word.
    const auto coupe = [&](std::size_t index, const std::string& mot) -> std::string {
        if (index == 0 && mot == "1") return kToutes;  // N = 1
        if (index == 4 && mot == "2") return kToutes;  // N = 2
        if (index == 7 && mot == "2")                  // S = 2, N being 24
            return calcul_attendu(24, propres_naifs(24), false, 2) + kNouveau;
        ADD_FAILURE() << "no expectation for word " << index << " cut to '" << mot << "'";
        return "";
    };

    std::string sortie_complete;
    for (const std::string& a : apres) sortie_complete += a;

    for (std::size_t k = 0; k <= complet.size(); ++k) {
        const std::string tape = complet.substr(0, k);
        SCOPED_TRACE("input cut after " + std::to_string(k) + " bytes: '" + visible(tape) + "'");
        const std::vector<std::string> pris = mots(tape);
        const bool dans_un_mot =
            k > 0 && k < complet.size() && !separateur(complet[k - 1]) && !separateur(complet[k]);
        const std::size_t entiers = pris.size() - (dans_un_mot ? 1 : 0);
        std::string attendu;
        for (std::size_t w = 0; w <= entiers; ++w) attendu += apres[w];
        if (dans_un_mot) attendu += coupe(entiers, pris.back());

        const Resultat r = executer(tape, Options{.secondes_max = 30});
        verifier_fin_normale(r);
        EXPECT_EQ(r.sortie, attendu);
        if (dans_un_mot) {
            // The shortened word is an answer in its own right, as if typed whole.
            const Resultat suivi = executer(tape + "\n", Options{.secondes_max = 30});
            verifier_fin_normale(suivi);
            EXPECT_EQ(r.sortie, suivi.sortie);
        } else {
            EXPECT_EQ(sortie_complete.compare(0, r.sortie.size(), r.sortie), 0)
                << "not a prefix of the complete dialogue's output";
        }
    }
}

// ---- 2. NUL bytes, line ends, separators, bytes above 127 ---------------------------------

struct Ligne {
    std::string tape;
    std::string attendu;  ///< after the presentation
};

void verifier_lignes(const std::vector<Ligne>& lignes) {
    for (const Ligne& l : lignes) {
        SCOPED_TRACE("typed: '" + visible(l.tape) + "'");
        verifier(l.tape, presentation() + l.attendu);
    }
}

TEST(Bytes, NulBytesAtTheStartOfAWordOrInsideIt) {
    const Calcul treize = calcul(13, false);
    const std::string douze_tout = calcul(12, true).sortie;
    const std::string douze_rien = calcul(12, false).sortie;
    const std::string douze_un = calcul(12, false, 1).sortie;
    // "\000" is one NUL byte, whatever digit follows it.
    verifier_lignes({
        // At the question on N.
        {"\000\n13 0 0 0\n"s, kN + kN + treize.sortie},
        {"\000\000\000 13 0 0 0\n"s, kN + kN + treize.sortie},
        {"\00013 13 0 0 0\n"s, kN + kN + treize.sortie},  // one word, starting with NUL
        {"13\00099 0 0 0\n"s, kN + treize.sortie},        // cut to 13
        {"1\0003 13 0 0 0\n"s,                            // cut to 1: N = 1, then 13 refused
         kN + kToutes + kToutes + kAutre + calcul_attendu(1, {}, false, {}) + kNouveau},
        {"\000\n\000\n\000\n13 0 0 0\n"s, kN + kN + kN + kN + treize.sortie},
        // At the yes/no questions.
        {"12 1\000junk 0 0\n"s, kN + douze_tout},
        {"12 \0001 0 0 0\n"s, kN + kToutes + douze_rien},  // "\000" "1" is no word
        {"12 0 0\000\000 0\n"s, kN + douze_rien},
        {"12 0 \000 0 0\n"s, kN + kToutes + kAutre + douze_rien.substr(kToutes.size())},  // asked again
        // At the question on S.
        {"12 0 1 1\0002 0\n"s, kN + douze_un},  // cut to 1
        {"12 0 1 \0001 1 0\n"s,                 // the question on S asked again
         kN + kToutes + kAutre + kS + douze_un.substr(kToutes.size() + kAutre.size())},
        // At the new-calculation question.
        {"13 0 0 0\0001\n"s, kN + treize.sortie},
        {"13 0 0 \0000 0\n"s, kN + treize.sortie + kNouveau},
        {"13 0 0 1\000\n13 0 0 0"s, kN + treize.sortie + kN + treize.sortie},
        // The end of input right after a word that is no word.
        {"\000"s, kN + kN},
        {"13 0 \000\000"s, kN + kToutes + kAutre + kAutre},
    });
}

TEST(Bytes, CarriageReturnsTabsVerticalTabsAndFormFeedsSeparateWords) {
    // N = 12 with every solution; again; N = 13 with S = 5 (no divisor reaches it).
    const std::string attendu = kN + kToutes + kAutre + calcul_attendu(12, propres_naifs(12), true, {}) +
                                kNouveau + kN + kToutes + kAutre + kS +
                                calcul_attendu(13, propres_naifs(13), false, 5) + kNouveau;
    verifier_lignes({
        {"12 1 0 1 13 0 1 5 0", attendu},
        {"12\r\n1\r\n0\r\n1\r\n13\r\n0\r\n1\r\n5\r\n0\r\n", attendu},
        {"\r\n\r\n12\r\n\r\n1\r0\r1\r\n13\r\n0\r\n1\r\n5\r\n0", attendu},
        {"12\t1\t0\t1\t13\t0\t1\t5\t0", attendu},
        {"12\v1\v0\v1\v13\v0\v1\v5\v0\v", attendu},
        {"12\f1\f0\f1\f13\f0\f1\f5\f0\f", attendu},
        {" \t\v\f\r\n12 \t\v\f\r\n1\r\v0\f\t1\n\n\n13\v\v0\f\f1\t\t5\r\r0 \t\v\f\r\n", attendu},
    });
}

TEST(Bytes, ControlAndHighBytesAreOrdinaryCharactersAndRefused) {
    const Calcul treize = calcul(13, false);
    const std::string douze_rien = calcul(12, false).sortie;
    std::vector<Ligne> lignes;
    // Each of these, typed alone or glued to 13, is one word, refused at the question on N.
    const std::string mots_refuses[] = {
        "\xc3\xa9",      // e acute in UTF-8
        "\xff",
        "\x80",
        "\xa0",          // no-break space in Latin-1
        "\x85",          // next line in Latin-1
        "\xef\xbc\x91",  // fullwidth digit one
        "\xd9\xa1",      // Arabic-Indic digit one
        "\xe2\x80\x83",  // em space
        "\xc2\xa0",      // no-break space in UTF-8
        "\x1c", "\x1d", "\x1e", "\x1f", "\x7f", "\x08", "\x1b", "\x01",
    };
    for (const std::string& m : mots_refuses) {
        lignes.push_back({m + "\n13 0 0 0\n", kN + kN + treize.sortie});
        lignes.push_back({"13" + m + " 13 0 0 0\n", kN + kN + treize.sortie});
        lignes.push_back({m + "13 13 0 0 0\n", kN + kN + treize.sortie});
        // At a yes/no question.
        lignes.push_back({"12 " + m + " 0 0 0\n", kN + kToutes + douze_rien});
        lignes.push_back({"12 0" + m + " 0 0 0\n", kN + kToutes + douze_rien});
    }
    // At the new-calculation question, a byte above 127 is not 0.
    lignes.push_back({"13 0 0 0\xff 0\n", kN + treize.sortie + kNouveau});
    // At the question on S.
    lignes.push_back({"12 0 1 \xb9 1 0\n", kN + kToutes + kAutre + kS + kS +
                                               calcul_attendu(12, propres_naifs(12), false, 1) + kNouveau});
    verifier_lignes(lignes);
}

// ---- 3. A huge word and endless refusals ------------------------------------------------

TEST(HugeInput, AWordOfOneMebibyteIsRefusedOnce) {
    const std::size_t mio = std::size_t{1} << 20;
    const Calcul treize = calcul(13, false);
    const std::string douze_rien = calcul(12, false).sortie;
    verifier_lignes({
        {std::string(mio, '1') + "\n13 0 0 0\n", kN + kN + treize.sortie},
        {std::string(mio, 'x') + " 13 0 0 0\n", kN + kN + treize.sortie},
        {"+" + std::string(mio, '9') + "\n13 0 0 0\n", kN + kN + treize.sortie},
        {"7\0"s + std::string(mio, 'x') + " 13 0 0 0\n",  // cut to 7 at its NUL
         kN + kToutes + kToutes + kAutre + calcul_attendu(7, {1}, false, {}) + kNouveau},  // 13 then refused
        {"\0"s + std::string(mio, '1') + " 13 0 0 0\n", kN + kN + treize.sortie},
        {std::string(mio, ' ') + "13" + std::string(mio, '\n') + "0 0 0", kN + treize.sortie},
        {"12 " + std::string(mio, '0') + " 0 0 0\n", kN + kToutes + douze_rien},
        {"13 0 0 " + std::string(mio, '1') + " 0\n", kN + treize.sortie + kNouveau},
        // Counted up to the first NUL: 199 characters are examined, 200 are refused.
        // 10^198 + 13 (199 digits) and 10^199 + 13 (200 digits) are 13 modulo 2^64.
        {"1" + std::string(196, '0') + "13\0"s + std::string(mio, '5') + " 0 0 0\n", kN + treize.sortie},
        {"1" + std::string(197, '0') + "13\0"s + std::string(mio, '5') + " 13 0 0 0\n",
         kN + kN + treize.sortie},
        // The end of input right after a huge word: refused, asked again, and the end.
        {std::string(mio, '1'), kN + kN},
    });
    // Its peak memory, for the record.
    const std::string avant = std::string(mio, '1') + "\n13 0 0 ";
    const std::string attendu = presentation() + kN + kN + treize.sortie;
    const Resultat r = executer_mesure(avant, attendu.size(), "0\n");
    verifier_fin_normale(r);
    EXPECT_EQ(r.sortie, attendu);
    std::printf("peak memory with a 1 MiB word: %ld KiB (ru_maxrss %ld KiB)\n", r.pic_ko, r.maxrss_ko);
}

TEST(HugeInput, AHundredThousandRefusalsPrintTheQuestionEachTimeInFlatMemory) {
    const Calcul treize = calcul(13, false);
    const auto mesurer = [&](std::size_t refus) {
        const std::string avant = repete("x\n", refus) + "13 0 0 ";
        const std::string attendu = presentation() + repete(kQuestionN, refus + 1) + treize.sortie;
        const Resultat r = executer_mesure(avant, attendu.size(), "0\n");
        verifier_fin_normale(r);
        EXPECT_EQ(r.sortie.size(), attendu.size());
        EXPECT_TRUE(r.sortie == attendu) << "the output differs after " << refus << " refusals";
        EXPECT_GT(r.pic_ko, 0);
        std::printf("peak memory after %zu refused answers: %ld KiB (ru_maxrss %ld KiB)\n", refus, r.pic_ko,
                    r.maxrss_ko);
        return r.pic_ko;
    };
    const long court = mesurer(0);
    const long mille = mesurer(1000);
    const long cent_mille = mesurer(100000);
    if (kPicsComparables) {
        EXPECT_LT(std::abs(cent_mille - mille), 1024) << "memory grows with the number of refusals";
        EXPECT_LT(std::abs(mille - court), 1024);
    }
}

TEST(HugeInput, RefusalsInARowAtEveryKindOfQuestion) {
    const std::size_t fois = 100000;
    const Calcul treize = calcul(13, false);
    verifier_lignes({
        // Yes/no: the question on printing every solution.
        {"13 " + repete("2 ", fois) + "0 0 0\n",
         kN + repete(kQuestionToutes, fois + 1) + kAutre + calcul_attendu(13, {1}, false, {}) + kNouveau},
        // The question on S, answered with N itself again and again.
        {"12 0 1 " + repete("12\n", fois) + "1 0\n", kN + kToutes + kAutre + repete(kQuestionS, fois + 1) +
                                                         calcul_attendu(12, propres_naifs(12), false, 1) +
                                                         kNouveau},
        // The new-calculation question.
        {"13 0 0 " + repete("oui\n", fois) + "0\n", kN + treize.sortie + repete(kQuestionNouveau, fois)},
        // Words that are no words, at the question on N.
        {repete("\0\n"s, fois) + "13 0 0 0\n", repete(kQuestionN, fois + 1) + treize.sortie},
    });
}

// ---- 4. A thousand calculations in one run ---------------------------------------------------

TEST(ManyCalculations, AThousandInARowEndAsTheFirstAndInFlatMemory) {
    // Quick outcomes and searches, in turn; the first kind is also the last one run.
    const std::vector<Calcul> sortes = {
        calcul(24, true),      // search, five solutions listed
        calcul(13, false),     // a prime: no solution
        calcul(6, true),       // perfect
        calcul(1, false),      // N = 1
        calcul(12, true, 20),  // target above the sum
        calcul(12, true),      // search, two solutions listed
        calcul(720, false),    // search over 29 divisors, counted only
        calcul(12, true, 7),   // chosen target, three solutions
        calcul(4, true, 2),    // the smallest walk
        calcul(28, false),     // perfect
        calcul(70, true),      // search without solution
    };
    const auto dialogue = [&](std::size_t calculs) {
        std::string reponses, sortie = presentation();
        for (std::size_t c = 0; c < calculs; ++c) {
            const Calcul& k = sortes[(calculs - 1 - c) % sortes.size()];  // the last is sortes[0]
            reponses += (c == 0 ? "" : "1\n") + k.reponses;
            sortie += kN + k.sortie;
        }
        return std::pair{reponses, sortie};
    };
    const auto apres_derniere_question = [](const std::string& sortie) {
        const std::size_t p = sortie.rfind(kQuestionN);
        return p == std::string::npos ? std::string("(no question on N)")
                                      : sortie.substr(p + kQuestionN.size());
    };

    // The oracle agrees with the figures known for 720 and 24.
    const Sommes s720 = sommes_de(propres_naifs(720), 720, false);
    Nombre total = 0;
    for (Nombre c : s720.par_termes) total += c;
    EXPECT_EQ(total, 676327U);
    EXPECT_EQ(s720.par_termes[3], 1U);
    EXPECT_EQ(s720.par_termes[7], 994U);
    EXPECT_EQ(s720.par_termes[23], 10U);
    EXPECT_EQ(sommes_de(propres_naifs(24), 24, true).liste.size(), 5U);

    const auto [reponses_mille, attendu_mille] = dialogue(1000);
    const Resultat mille = executer_mesure(reponses_mille, attendu_mille.size(), "0\n");
    verifier_fin_normale(mille);
    EXPECT_EQ(mille.sortie.size(), attendu_mille.size());
    EXPECT_TRUE(mille.sortie == attendu_mille) << "the output of the 1000 calculations differs";

    const auto [reponses_dix, attendu_dix] = dialogue(12);
    const Resultat dix = executer_mesure(reponses_dix, attendu_dix.size(), "0\n");
    verifier_fin_normale(dix);
    EXPECT_EQ(dix.sortie, attendu_dix);

    const Resultat seul = executer(sortes[0].reponses + "0\n");
    verifier_fin_normale(seul);
    EXPECT_EQ(seul.sortie, presentation() + kN + sortes[0].sortie);
    EXPECT_EQ(apres_derniere_question(mille.sortie), apres_derniere_question(seul.sortie));

    std::printf(
        "peak memory: 12 calculations %ld KiB, 1000 calculations %ld KiB (ru_maxrss %ld and %ld KiB)\n",
        dix.pic_ko, mille.pic_ko, dix.maxrss_ko, mille.maxrss_ko);
    EXPECT_GT(dix.pic_ko, 0);
    if (kPicsComparables) {
        EXPECT_LT(std::abs(mille.pic_ko - dix.pic_ko), 1024) << "memory grows with the number of calculations";
    }
}

// ---- 5. Standard output closed under the program --------------------------------------------

TEST(ClosedOutput, TheProgramEndsPromptlyWhenNobodyReadsItsOutput) {
    struct Cas {
        const char* nom;
        std::string reponses;
        std::size_t lus;  ///< bytes read before our end of its output is closed
    };
    const std::vector<Cas> cas = {
        {"a listing of countless solutions", "55440 1 0 0\n", 100},
        {"deep in a listing of countless solutions", "55440 1 0 0\n", std::size_t{1} << 20},
        {"calculations again and again", repete("24 1 0 1\n", 200000), 50000},
        {"refused answers without end", repete("x\n", 1000000), 100000},
        {"output closed before the presentation", "55440 1 0 0\n", 0},
    };
    for (const Cas& c : cas) {
        for (const bool ignore : {false, true}) {
            SCOPED_TRACE(std::string(c.nom) + (ignore ? ", SIGPIPE ignored" : ", SIGPIPE by default"));
            Options o;
            o.secondes_max = 20;
            o.fermer_sortie_apres = c.lus;
            o.garder_entree = true;
            o.sigpipe_ignore = ignore;
            const Resultat r = executer(c.reponses, o);
            std::printf("%s%s: ended after %.2f s (status %d, signal %d)\n", c.nom,
                        ignore ? ", SIGPIPE ignored" : "", r.secondes, r.statut, r.signal);
            EXPECT_FALSE(r.delai_depasse) << "still running 20 s after its output was closed";
            EXPECT_EQ(r.sortie.size(), c.lus);
            if (ignore) {
                EXPECT_EQ(r.signal, 0);
                EXPECT_EQ(r.statut, 1);
            } else {
                EXPECT_TRUE((r.signal == 0 && r.statut == 1) || r.signal == SIGPIPE)
                    << "status " << r.statut << ", signal " << r.signal;
            }
        }
    }
}

TEST(ClosedOutput, AWriteThatFailsEndsTheProgramWithStatus1) {
    struct Cas {
        const char* nom;
        std::string chemin;  ///< opened for standard output; empty: standard output closed
    };
    const Cas cas[] = {{"a full device", "/dev/full"},
                       {"standard output closed", ""},
                       {"standard output opened for reading only", "/dev/null"}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        int vers[2];
        ASSERT_EQ(::pipe2(vers, O_CLOEXEC), 0);
        int sortie = -1;
        if (!c.chemin.empty()) {
            const int mode = c.chemin == "/dev/full" ? O_WRONLY : O_RDONLY;
            sortie = ::open(c.chemin.c_str(), mode | O_CLOEXEC);
            ASSERT_GE(sortie, 0);
        }
        const pid_t pid = demarrer(vers[0], sortie, -1, true);
        ::close(vers[0]);
        if (sortie >= 0) ::close(sortie);
        Options o;
        o.secondes_max = 20;
        o.garder_entree = true;
        const Resultat r = pomper(pid, vers[1], -1, -1, {{0, repete("24 1 0 1\n", 100000), false}}, o);
        EXPECT_FALSE(r.delai_depasse) << "still running after 20 s";
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.statut, 1);
    }
}

// ---- Standard input that cannot be read ------------------------------------------------------

TEST(FailedInput, AReadThatFailsEndsTheProgramAtTheFirstQuestion) {
    struct Cas {
        const char* nom;
        std::string chemin;  ///< opened for standard input; empty: standard input closed
        int mode;
    };
    const Cas cas[] = {
        {"standard input closed", "", 0},
        {"standard input opened for writing only", "/dev/null", O_WRONLY},
        {"standard input a directory", "/", O_RDONLY | O_DIRECTORY},
        {"standard input empty", "/dev/null", O_RDONLY},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        int depuis[2];
        ASSERT_EQ(::pipe2(depuis, O_CLOEXEC), 0);
        int entree = -1;
        if (!c.chemin.empty()) {
            entree = ::open(c.chemin.c_str(), c.mode | O_CLOEXEC);
            ASSERT_GE(entree, 0);
        }
        const pid_t pid = demarrer(entree, depuis[1], -1, false);
        if (entree >= 0) ::close(entree);
        ::close(depuis[1]);
        const Resultat r = pomper(pid, -1, depuis[0], -1, {}, Options{.secondes_max = 20});
        verifier_fin_normale(r);
        EXPECT_EQ(r.sortie, presentation() + kN);
    }
}

// ---- 6. The largest values ---------------------------------------------------------------------

struct Grand {
    std::string nom;
    std::string reponses;  ///< one calculation, then 0
    std::string attendu;   ///< after the presentation
};

/// One calculation typed as N (as typed), every solution or not, S if any (as typed).
std::string reponses_de(const std::string& n, bool toutes, const std::optional<std::string>& s) {
    return n + (toutes ? " 1" : " 0") + (s ? " 1 " + *s : " 0") + " 0\n";
}

std::string attendu_de(Entier n, const std::vector<Entier>& propres, bool toutes, std::optional<Entier> s) {
    return kN + kToutes + kAutre + (s ? kS : "") + calcul_attendu(n, propres, toutes, s) + kNouveau;
}

TEST(LargestValues, TheLimitsOfTheInputGoThroughWholeCalculations) {
    constexpr Entier kMax = INT64_MAX;  // 2^63 - 1
    constexpr Entier kMin = INT64_MIN;
    // 2^63 - 1 = 7^2 x 73 x 127 x 337 x 92737 x 649657.
    const std::vector<std::pair<Nombre, int>> mersenne = {{7, 2},   {73, 1},    {127, 1},
                                                          {337, 1}, {92737, 1}, {649657, 1}};
    Large produit = 1;
    for (const auto& [p, e] : mersenne) {
        EXPECT_TRUE(est_premier(p));
        for (int k = 0; k < e; ++k) produit *= static_cast<Large>(p);
    }
    ASSERT_EQ(produit, static_cast<Large>(kMax));
    const std::vector<Entier> propres_max = propres_par_facteurs(mersenne);
    EXPECT_EQ(propres_max.size(), 95U);  // 3 x 2^5 divisors, N excluded

    const Nombre premier_max = premier_au_plus(static_cast<Nombre>(kMax));
    EXPECT_EQ(premier_max, 9223372036854775783ULL);
    // The largest primes whose square and product stay below 2^63.
    const Nombre q = premier_au_plus(3037000499ULL);
    const Nombre r = premier_au_plus(q - 1);
    ASSERT_LE(static_cast<GrandNombre>(q) * q, static_cast<GrandNombre>(kMax));
    const auto n_de = [](Nombre a, Nombre b) { return static_cast<Entier>(a * b); };

    const std::string max = std::to_string(kMax);
    std::vector<Grand> lignes = {
        {"2^63 - 1", reponses_de(max, true, {}), attendu_de(kMax, propres_max, true, {})},
        {"2^63 - 1, target 2^62", reponses_de(max, true, "4611686018427387904"),
         attendu_de(kMax, propres_max, true, Entier{1} << 62)},
        {"the largest prime below 2^63", reponses_de(std::to_string(premier_max), false, {}),
         attendu_de(static_cast<Entier>(premier_max), {1}, false, {})},
        {"the square of the largest prime below 2^31.5", reponses_de(std::to_string(q * q), false, {}),
         attendu_de(n_de(q, q), propres_par_facteurs({{q, 2}}), false, {})},
        {"the product of the two largest primes below 2^31.5", reponses_de(std::to_string(q * r), false, {}),
         attendu_de(n_de(q, r), propres_par_facteurs({{r, 1}, {q, 1}}), false, {})},
        {"2^62", reponses_de("4611686018427387904", false, {}),
         attendu_de(Entier{1} << 62, propres_par_facteurs({{2, 62}}), false, {})},
        {"3^39", reponses_de("4052555153018976267", false, {}),
         attendu_de(4052555153018976267LL, propres_par_facteurs({{3, 39}}), false, {})},
        {"N = 2 with S = 2^63 - 1", reponses_de("2", true, max), attendu_de(2, {1}, true, kMax)},
        {"N typed as 2^63 wraps", reponses_de("9223372036854775808", true, {}),
         attendu_de(kMin, {1}, true, {})},
        {"N typed as 2^64 - 5 wraps to -5, S = 3", reponses_de("18446744073709551611", true, "3"),
         attendu_de(-5, {1}, true, 3)},
        {"N typed as 2^64 - 5 wraps to -5, S = 1", reponses_de("18446744073709551611", true, "1"),
         attendu_de(-5, {1}, true, 1)},
        {"S typed as 2^63 wraps", reponses_de("12", true, "9223372036854775808"),
         attendu_de(12, propres_naifs(12), true, kMin)},
        {"S typed as 2^64 + 7 wraps to 7", reponses_de("12", true, "18446744073709551623"),
         attendu_de(12, propres_naifs(12), true, 7)},
    };
    // 2^64 x 10^18 + 13, 38 digits, wraps to 13.
    const Large enorme = (static_cast<Large>(1) << 64) * static_cast<Large>(1000000000000000000LL) + 13;
    lignes.push_back({"N typed with 38 digits wraps to 13", reponses_de(decimal(enorme), false, {}),
                      attendu_de(13, {1}, false, {})});
    for (const Grand& g : lignes) {
        SCOPED_TRACE(g.nom);
        const essai::Execution e =
            essai::lancer(essai::programme_taverlune(), g.reponses, essai::Entree::tube, 120.0);
        EXPECT_FALSE(e.delai_depasse);
        EXPECT_EQ(e.signal, 0);
        EXPECT_EQ(e.statut, 1);
        EXPECT_EQ(e.sortie, presentation() + g.attendu);
    }
}

TEST(LargestValues, ASearchWithATargetAbove2To62) {
    // N = 12 p with p prime: proper divisors 1, 2, 3, 4, 6, 12 and p, 2p, 3p, 4p, 6p,
    // adding up to 16 p + 28, below 2^63; the target 10 p + 12 is at least 2^62.
    const Nombre p = premier_au_moins(500000000000000000ULL);
    const auto n = static_cast<Entier>(12 * p);
    const auto cible = static_cast<Entier>(10 * p + 12);
    ASSERT_GE(cible, Entier{1} << 62);
    ASSERT_LT(static_cast<GrandNombre>(16) * p + 28, GrandNombre(1) << 63);
    const std::vector<Entier> propres = propres_par_facteurs({{2, 2}, {3, 1}, {p, 1}});
    ASSERT_EQ(propres.size(), 11U);
    const Sommes s = sommes_de(propres, cible, true);
    EXPECT_EQ(s.liste.size(), 9U);  // {4p, 6p}, {p, 3p, 6p}, {p, 2p, 3p, 4p} by {12}, {2, 4, 6}, {1, 2, 3, 6}
    std::printf("p = %llu, N = %lld, target %lld\n", static_cast<unsigned long long>(p),
                static_cast<long long>(n), static_cast<long long>(cible));
    for (const bool toutes : {true, false}) {
        SCOPED_TRACE(toutes ? "every solution printed" : "solutions counted");
        const essai::Execution e = essai::lancer(
            essai::programme_taverlune(), reponses_de(std::to_string(n), toutes, std::to_string(cible)),
            essai::Entree::tube, 120.0);
        EXPECT_FALSE(e.delai_depasse);
        EXPECT_EQ(e.signal, 0);
        EXPECT_EQ(e.statut, 1);
        EXPECT_EQ(e.sortie, presentation() + attendu_de(n, propres, toutes, cible));
    }
    // A target just below the largest sum, also at least 2^62: all but the divisor 1.
    const auto presque = static_cast<Entier>(16 * p + 27);
    const essai::Execution e = essai::lancer(essai::programme_taverlune(),
                                             reponses_de(std::to_string(n), true, std::to_string(presque)),
                                             essai::Entree::tube, 120.0);
    EXPECT_EQ(e.statut, 1);
    EXPECT_EQ(e.sortie, presentation() + attendu_de(n, propres, true, presque));
}

// ---- 7. A terminal in place of the pipes ------------------------------------------------

/// A pseudo-terminal: the program gets `esclave`, we keep `maitre`. No echo and no
/// output processing, so that what the program writes comes through unchanged.
struct Terminal {
    int maitre = -1;
    int esclave = -1;
};

Terminal ouvrir_terminal() {
    Terminal t;
    t.maitre = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char nom[128] = {};
    if (t.maitre < 0 || ::grantpt(t.maitre) != 0 || ::unlockpt(t.maitre) != 0 ||
        ::ptsname_r(t.maitre, nom, sizeof nom) != 0) {
        ADD_FAILURE() << "pseudo-terminal: " << std::strerror(errno);
        return t;
    }
    t.esclave = ::open(nom, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios modes{};
    if (t.esclave < 0 || ::tcgetattr(t.esclave, &modes) != 0) {
        ADD_FAILURE() << "pseudo-terminal " << nom << ": " << std::strerror(errno);
        return t;
    }
    modes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
    modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    ::tcsetattr(t.esclave, TCSANOW, &modes);
    return t;
}

/// Runs the program with its standard input and output on a terminal, and its
/// standard error on a pipe.
Resultat executer_au_terminal(const std::vector<Etape>& etapes, const Options& o = {}) {
    Terminal t = ouvrir_terminal();
    int erreurs[2];
    if (t.esclave < 0 || ::pipe2(erreurs, O_CLOEXEC) != 0) return {};
    const pid_t pid = demarrer(t.esclave, t.esclave, erreurs[1], o.sigpipe_ignore);
    ::close(t.esclave);
    ::close(erreurs[1]);
    return pomper(pid, t.maitre, t.maitre, erreurs[0], etapes, o);
}

/// The answers of a dialogue one line each, every line due once the output before
/// it has come: a user who types only after seeing the question.
std::vector<Etape> tour_a_tour(const std::vector<std::pair<std::string, std::string>>& echanges) {
    std::vector<Etape> etapes;
    std::size_t vu = 0;
    for (const auto& [sortie, reponse] : echanges) {
        vu += sortie.size();
        etapes.push_back({vu, reponse + "\n", false});
    }
    return etapes;
}

TEST(Terminal, AnswersTypedOnOneLineAreTakenInTurn) {
    const std::string attendu =
        presentation() + kN + kToutes + kAutre + calcul_attendu(12, propres_naifs(12), true, {}) + kNouveau;
    const Resultat r = executer_au_terminal({{0, "12 1 0 0\n", false}}, Options{.secondes_max = 30});
    verifier_fin_normale(r);
    EXPECT_EQ(r.sortie, attendu);
    EXPECT_EQ(r.erreurs, "");
}

TEST(Terminal, EachQuestionIsShownBeforeTheProgramWaits) {
    // The next answer is typed only once its question has come out: a program that
    // did not flush before reading would wait for ever.
    const std::vector<std::pair<std::string, std::string>> echanges = {
        {presentation() + kN, "x"},
        {kN, "12"},
        {kToutes, "1"},
        {kAutre, "0"},
        {calcul_attendu(12, propres_naifs(12), true, {}) + kNouveau, "1"},
        {kN, "13"},
        {kToutes, "0"},
        {kAutre, "1"},
        {kS, "13"},
        {kS, "5"},
        {calcul_attendu(13, {1}, false, 5) + kNouveau, "0"},
    };
    std::string attendu;
    for (const auto& e : echanges) attendu += e.first;
    {
        SCOPED_TRACE("through a terminal");
        const Resultat r = executer_au_terminal(tour_a_tour(echanges), Options{.secondes_max = 30});
        verifier_fin_normale(r);
        EXPECT_EQ(r.sortie, attendu);
    }
    {
        SCOPED_TRACE("through pipes");
        const Resultat r = executer(tour_a_tour(echanges), Options{.secondes_max = 30});
        verifier_fin_normale(r);
        EXPECT_EQ(r.sortie, attendu);
    }
}

/// Checks that `erreurs` holds progress lines, each starting with a carriage return,
/// the last one wiped out by blanks as long as any before it.
void verifier_avancement_efface(const std::string& erreurs) {
    ASSERT_NE(erreurs.find("recherche"), std::string::npos) << "no progress line";
    ASSERT_FALSE(erreurs.empty());
    EXPECT_EQ(erreurs.front(), '\r');
    EXPECT_EQ(erreurs.back(), '\r') << "the progress line is not erased: '"
                                    << visible(erreurs.substr(erreurs.size() > 80 ? erreurs.size() - 80 : 0))
                                    << "'";
    std::vector<std::string> morceaux;
    std::size_t debut = 0;
    for (std::size_t k = 0; k < erreurs.size(); ++k)
        if (erreurs[k] == '\r') {
            morceaux.push_back(erreurs.substr(debut, k - debut));
            debut = k + 1;
        }
    ASSERT_GE(morceaux.size(), 2U);
    const std::string& blanc = morceaux.back();
    EXPECT_EQ(blanc.find_first_not_of(' '), std::string::npos)
        << "the last line is not blank: '" << visible(blanc) << "'";
    for (const std::string& m : morceaux) {
        EXPECT_EQ(m.find('\n'), std::string::npos);
        EXPECT_LE(m.size(), blanc.size()) << "the blanks do not cover '" << visible(m) << "'";
    }
}

TEST(Terminal, ALongSearchShowsItsProgressOnTheTerminalAndErasesIt) {
    // N = 720 with every solution listed: 676327 solutions, some 60 MB, which we read
    // at 20 MB/s, so that the search lasts well over a second whatever the machine.
    const std::string reponses = "720 1 0 0\n";
    Terminal t = ouvrir_terminal();
    int vers[2], depuis[2];
    ASSERT_GE(t.esclave, 0);
    ASSERT_EQ(::pipe2(vers, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(depuis, O_CLOEXEC), 0);
    const pid_t pid = demarrer(vers[0], depuis[1], t.esclave, false);
    ::close(vers[0]);
    ::close(depuis[1]);
    ::close(t.esclave);
    Options o;
    o.secondes_max = 120;
    o.octets_par_seconde = 20e6;
    const Resultat r = pomper(pid, vers[1], depuis[0], t.maitre, {{0, reponses, false}}, o);
    std::printf("listing of 720 read at 20 MB/s: %.2f s, %zu bytes on stdout, %zu on the terminal\n",
                r.secondes, r.sortie.size(), r.erreurs.size());
    verifier_fin_normale(r);
    verifier_avancement_efface(r.erreurs);

    // Standard output is the same as with no terminal at all.
    const essai::Execution tube =
        essai::lancer(essai::programme_taverlune(), reponses, essai::Entree::tube, 120.0);
    EXPECT_EQ(tube.erreurs, "");
    EXPECT_TRUE(r.sortie == tube.sortie) << "standard output differs when standard error is a terminal";
    EXPECT_EQ(r.sortie.find('\r'), std::string::npos);  // the dialogue has no carriage return
    const std::string fin = bilan(676327, "720");
    EXPECT_NE(r.sortie.find(fin), std::string::npos);
    EXPECT_TRUE(r.sortie.ends_with(repartition(10, 23) + kNouveau));
}

TEST(Terminal, NoProgressLineInsideAListingOnTheSameTerminal) {
    // N = 360 with every solution listed, read slowly from the one terminal that holds
    // the three streams: the progress would cut into the listing, so none is shown.
    const std::string attendu =
        presentation() + kN + kToutes + kAutre + calcul_attendu(360, propres_naifs(360), true, {}) + kNouveau;
    Terminal t = ouvrir_terminal();
    ASSERT_GE(t.esclave, 0);
    const pid_t pid = demarrer(t.esclave, t.esclave, t.esclave, false);
    ::close(t.esclave);
    Options o;
    o.secondes_max = 120;
    o.octets_par_seconde = static_cast<double>(attendu.size()) / 2.5;
    const Resultat r = pomper(pid, t.maitre, t.maitre, -1, {{0, "360 1 0 0\n", false}}, o);
    std::printf("listing of 360 on the terminal: %.2f s, %zu bytes\n", r.secondes, r.sortie.size());
    verifier_fin_normale(r);
    EXPECT_GT(r.secondes, 1.5);
    EXPECT_EQ(r.sortie.find('\r'), std::string::npos);  // no progress line came through
    EXPECT_TRUE(r.sortie == attendu) << "the listing on the terminal differs";
}

TEST(Terminal, EndOfFileTypedAtAQuestionEndsTheProgram) {
    // Control-D at the start of a line: the read waiting for the answer gets nothing.
    const std::string avant = presentation() + kN + kToutes + kAutre;
    const Resultat r = executer_au_terminal({{0, "13 0\n", false}, {avant.size(), "\x04", false}},
                                            Options{.secondes_max = 20});
    verifier_fin_normale(r);
    EXPECT_EQ(r.sortie, avant);
}

TEST(Terminal, AWordEndedByEndOfFileIsAnAnswerAndTheTerminalIsReadAgain) {
    // "13" then Control-D twice: the first hands the word over without a line end, the
    // second ends it. The next question reads the terminal again, as every question does.
    const std::string avant = presentation() + kN + kToutes;
    const Resultat r = executer_au_terminal({{0, "13\x04\x04", false}, {avant.size(), "0 0 0\n", false}},
                                            Options{.secondes_max = 20});
    verifier_fin_normale(r);
    EXPECT_EQ(r.sortie, avant + kAutre + calcul_attendu(13, {1}, false, {}) + kNouveau);
}

}  // namespace
