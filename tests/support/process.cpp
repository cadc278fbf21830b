#include "support/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace essai {

namespace {

void fermer(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

std::string programme_taverlune() { return TAVERLUNE_BINARY; }
std::string programme_reference() { return TAVERLUNE_REFERENCE_BINARY; }

Execution lancer(const std::string& programme, const std::string& reponses, Entree entree,
                 double secondes_max) {
    std::signal(SIGPIPE, SIG_IGN);  // the program may stop reading its answers
    int vers_entree[2] = {-1, -1};
    int depuis_sortie[2] = {-1, -1};
    int depuis_erreurs[2] = {-1, -1};
    int fichier = -1;
    if (entree == Entree::tube) {
        if (::pipe2(vers_entree, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    } else {
        char nom[] = "/tmp/taverlune-entree-XXXXXX";
        fichier = ::mkstemp(nom);
        if (fichier < 0) throw std::runtime_error("mkstemp");
        ::unlink(nom);
        if (::write(fichier, reponses.data(), reponses.size()) !=
            static_cast<ssize_t>(reponses.size()))
            throw std::runtime_error("write");
        ::lseek(fichier, 0, SEEK_SET);
    }
    if (::pipe2(depuis_sortie, O_CLOEXEC) != 0 || ::pipe2(depuis_erreurs, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, entree == Entree::tube ? vers_entree[0] : fichier, 0);
    posix_spawn_file_actions_adddup2(&actions, depuis_sortie[1], 1);
    posix_spawn_file_actions_adddup2(&actions, depuis_erreurs[1], 2);
    char* argv[] = {const_cast<char*>(programme.c_str()), nullptr};
    pid_t pid = 0;
    const int err = posix_spawn(&pid, programme.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) throw std::runtime_error("posix_spawn " + programme);

    fermer(vers_entree[0]);
    fermer(depuis_sortie[1]);
    fermer(depuis_erreurs[1]);
    fermer(fichier);
    if (vers_entree[1] >= 0) ::fcntl(vers_entree[1], F_SETFL, O_NONBLOCK);

    Execution r;
    std::size_t ecrit = 0;
    if (reponses.empty()) fermer(vers_entree[1]);
    const auto limite = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(secondes_max));
    char tampon[1 << 16];
    while (depuis_sortie[0] >= 0 || depuis_erreurs[0] >= 0) {
        pollfd fds[3];
        int nfds = 0;
        auto ajouter = [&](int fd, short ev) {
            if (fd >= 0) fds[nfds++] = {fd, ev, 0};
        };
        ajouter(depuis_sortie[0], POLLIN);
        ajouter(depuis_erreurs[0], POLLIN);
        ajouter(vers_entree[1], POLLOUT);
        const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(
            limite - std::chrono::steady_clock::now());
        if (reste.count() <= 0) {
            r.delai_depasse = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(fds, static_cast<nfds_t>(nfds), static_cast<int>(reste.count())) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("poll");
        }
        for (int q = 0; q < nfds; ++q) {
            if (fds[q].revents == 0) continue;
            if (fds[q].fd == vers_entree[1]) {
                const ssize_t w =
                    ::write(vers_entree[1], reponses.data() + ecrit, reponses.size() - ecrit);
                if (w > 0) ecrit += static_cast<std::size_t>(w);
                if ((w < 0 && errno != EAGAIN) || ecrit == reponses.size()) fermer(vers_entree[1]);
                continue;
            }
            const ssize_t n = ::read(fds[q].fd, tampon, sizeof tampon);
            if (n > 0) {
                (fds[q].fd == depuis_sortie[0] ? r.sortie : r.erreurs)
                    .append(tampon, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                if (fds[q].fd == depuis_sortie[0]) fermer(depuis_sortie[0]);
                else fermer(depuis_erreurs[0]);
            }
        }
    }
    fermer(vers_entree[1]);
    fermer(depuis_sortie[0]);
    fermer(depuis_erreurs[0]);
    int etat = 0;
    while (::waitpid(pid, &etat, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(etat)) r.statut = WEXITSTATUS(etat);
    if (WIFSIGNALED(etat)) r.signal = WTERMSIG(etat);
    return r;
}

}  // namespace essai
