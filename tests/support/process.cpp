// Runs the built program as a user would (see process.h).
#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace essai {

namespace {

void fermer(int& fd) { fd = fd >= 0 ? ::close(fd), -1 : -1; }

int exiger(int fd, const std::string& quoi) {
    return fd >= 0 ? fd : throw std::runtime_error(quoi + ": " + std::strerror(errno));
}

/// A pseudo-terminal without echo or output processing: what the program
/// writes comes through unchanged. Returns the master; `esclave` is the
/// program's side.
int ouvrir_terminal(int& esclave) {
    const int maitre = exiger(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC), "pseudo-terminal");
    ::grantpt(maitre);
    ::unlockpt(maitre);
    esclave = exiger(::open(::ptsname(maitre), O_RDWR | O_NOCTTY | O_CLOEXEC), "pseudo-terminal");
    termios modes{};
    ::tcgetattr(esclave, &modes);
    modes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
    modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    ::tcsetattr(esclave, TCSANOW, &modes);
    return maitre;
}

}  // namespace

std::string programme_taverlune() { return TAVERLUNE_BINARY; }
std::string programme_reference() { return TAVERLUNE_REFERENCE_BINARY; }

Execution executer(const Lancement& l) {
    std::signal(SIGPIPE, SIG_IGN);  // our own writes to a program that has ended
    const Flux* flux[3] = {&l.entree, &l.sortie, &l.erreurs};
    int enfant[3] = {-1, -1, -1}, nous[3] = {-1, -1, -1};  // the program's ends, ours
    int maitre = -1, esclave = -1;
    for (int k = 0; k < 3; ++k) {
        if (flux[k]->sorte == Flux::tube) {
            int p[2];
            exiger(::pipe2(p, O_CLOEXEC), "pipe");
            enfant[k] = p[k == 0 ? 0 : 1];
            nous[k] = p[k == 0 ? 1 : 0];
        } else if (flux[k]->sorte == Flux::fichier) {
            enfant[k] = exiger(::open(flux[k]->chemin, flux[k]->mode | O_CLOEXEC), flux[k]->chemin);
        } else if (flux[k]->sorte == Flux::terminal) {
            if (maitre < 0) maitre = ouvrir_terminal(esclave);
            enfant[k] = esclave;
            // The terminal's output is read once: as standard output if it is there.
            if (k != 2 || flux[1]->sorte != Flux::terminal) nous[k] = ::fcntl(maitre, F_DUPFD_CLOEXEC, 0);
        }
    }
    std::vector<char*> argv{const_cast<char*>(l.programme.c_str())};
    for (const std::string& a : l.arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {  // the program: its three streams, its signals, nothing blocked
        for (int k = 0; k < 3; ++k)
            if (enfant[k] >= 0) ::dup2(enfant[k], k);
            else ::close(k);
        std::signal(SIGPIPE, l.sigpipe_ignore ? SIG_IGN : SIG_DFL);
        sigset_t aucun;
        sigemptyset(&aucun);
        ::sigprocmask(SIG_SETMASK, &aucun, nullptr);
        ::setenv("LC_ALL", "C", 1);
        ::unsetenv("LANGUAGE");
        for (const std::string& e : l.environnement) {
            const std::size_t egal = e.find('=');
            ::setenv(e.substr(0, egal).c_str(), e.substr(egal + 1).c_str(), 1);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    for (int& fd : enfant)
        if (fd != esclave) fermer(fd);
    fermer(esclave);
    fermer(maitre);
    exiger(pid, "fork");
    for (int fd : nous)
        if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

    Execution r;
    const auto debut = std::chrono::steady_clock::now();
    const auto ecoule = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count(); };
    std::size_t etape = 0, ecrit = 0;
    char tampon[1 << 16];
    const auto lire = [&](int k) {  // what stream k (1 or 2) holds; false when nothing came
        std::string& vers = k == 1 ? r.sortie : r.erreurs;
        std::size_t max = k == 1 && l.octets_par_seconde > 0 ? 4096 : sizeof tampon;
        if (k == 1) max = std::min(max, l.fermer_sortie_apres - r.sortie.size());
        const ssize_t n = max == 0 ? 0 : ::read(nous[k], tampon, max);
        if (n > 0) vers.append(tampon, static_cast<std::size_t>(n));
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR) || (k == 1 && r.sortie.size() == l.fermer_sortie_apres))
            fermer(nous[k]);  // end of file, EIO from a terminal whose other side is gone, or enough read
        return n > 0;
    };
    const auto due = [&] { return nous[0] >= 0 && etape < l.etapes.size() && r.sortie.size() >= l.etapes[etape].apres; };
    int etat = 0;
    bool signale = false;
    for (;;) {
        for (; due(); ++etape, ecrit = 0) {  // the answers due once the output has reached their mark
            const Etape& e = l.etapes[etape];
            const ssize_t w = ecrit < e.texte.size() ? ::write(nous[0], e.texte.data() + ecrit, e.texte.size() - ecrit) : 0;
            if (w < 0 && errno != EAGAIN && errno != EINTR) fermer(nous[0]);
            ecrit += w > 0 ? static_cast<std::size_t>(w) : 0;
            if (ecrit < e.texte.size()) break;
        }
        if (etape == l.etapes.size() && !l.garder_entree && l.entree.sorte == Flux::tube) fermer(nous[0]);
        pollfd fds[3];
        nfds_t nfds = 0;
        const bool freine = l.octets_par_seconde > 0 && r.sortie.size() > l.octets_par_seconde * ecoule();
        if (nous[1] >= 0 && !freine) fds[nfds++] = {nous[1], POLLIN, 0};
        if (nous[2] >= 0) fds[nfds++] = {nous[2], POLLIN, 0};
        if (due()) fds[nfds++] = {nous[0], POLLOUT, 0};
        ::poll(fds, nfds, nfds == 0 ? 1 : freine ? 2 : 20);
        for (nfds_t q = 0; q < nfds; ++q)
            if (fds[q].revents != 0 && fds[q].events == POLLIN) lire(fds[q].fd == nous[1] ? 1 : 2);
        if (l.signaler_quand && !signale && l.signaler_quand(r)) signale = ::kill(pid, l.signal) == 0;
        if (::waitpid(pid, &etat, WNOHANG) == pid) {
            for (const int k : {1, 2})  // what is left in the pipes or the terminal
                while (nous[k] >= 0 && lire(k)) {}
            break;
        }
        if (ecoule() > l.secondes_max) {
            r.delai_depasse = true;
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &etat, 0) < 0 && errno == EINTR) {}
            break;
        }
    }
    for (int& fd : nous) fermer(fd);
    if (WIFEXITED(etat)) r.statut = WEXITSTATUS(etat);
    if (WIFSIGNALED(etat)) r.signal = WTERMSIG(etat);
    return r;
}

Execution lancer(const std::string& programme, const std::string& reponses, double secondes_max) {
    return executer({.programme = programme, .etapes = {{0, reponses}}, .secondes_max = secondes_max});
}

void verifier_fin_normale(const Execution& e) {
    EXPECT_FALSE(e.delai_depasse);
    EXPECT_EQ(e.signal, 0);
    EXPECT_EQ(e.statut, 1);
}

::testing::AssertionResult meme_sortie(const std::string& obtenu, const std::string& attendu) {
    if (obtenu == attendu) return ::testing::AssertionSuccess();
    const auto p = static_cast<std::size_t>(
        std::mismatch(obtenu.begin(), obtenu.end(), attendu.begin(), attendu.end()).first - obtenu.begin());
    return ::testing::AssertionFailure() << obtenu.size() << " bytes instead of " << attendu.size()
                                         << ", differing from byte " << p << ": '" << visible(obtenu.substr(p, 100))
                                         << "' instead of '" << visible(attendu.substr(p, 100)) << "'";
}

void verifier(const std::string& reponses, const std::string& attendu) {
    const Execution e = lancer(programme_taverlune(), reponses, 60.0);
    verifier_fin_normale(e);
    EXPECT_TRUE(meme_sortie(e.sortie, attendu));
}

std::string visible(const std::string& mot) {
    std::string texte;
    for (const unsigned char u : mot) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", u);
        texte += u >= 0x20 && u < 0x7f ? std::string(1, static_cast<char>(u)) : std::string(hex);
    }
    return texte.size() > 200 ? texte.substr(0, 200) + "..." : texte;
}

}  // namespace essai
