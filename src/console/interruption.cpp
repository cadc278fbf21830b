// Ctrl-C and SIGTERM while the program works (see interruption.h).
#include "console/interruption.h"

#include <pthread.h>

#include <csignal>
#include <cstdlib>

#include "console/console.h"
#include "console/language.h"

namespace {

constexpr int signaux[] = {SIGINT, SIGTERM};
struct sigaction anciennes[2];
bool installes[2] = {false, false};
bool sur_le_champ = false;
volatile std::sig_atomic_t signal_recu = 0;

// What the handler writes, made before it may run: the bytes that erase the
// progress line, and the message with what goes before it on the terminal.
char effacement[32];
std::size_t longueur_effacement = 0;
volatile std::sig_atomic_t ligne_affichee = 0;
char message[256];
std::size_t longueur_message = 0;

void copier(char* vers, std::size_t place, std::size_t& longueur, std::initializer_list<std::string_view> morceaux) {
    longueur = 0;
    for (const std::string_view morceau : morceaux)
        for (const char c : morceau)
            if (longueur < place) vers[longueur++] = c;
}

// Ends the program by the signal itself. Async-signal-safe: writes,
// sigaction, pthread_sigmask and raise.
[[noreturn]] void par_le_signal(int s) {
    if (ligne_affichee) ecrire_erreurs(std::string_view(effacement, longueur_effacement));
    ecrire_erreurs(std::string_view(message, longueur_message));
    struct sigaction defaut {};
    defaut.sa_handler = SIG_DFL;
    sigemptyset(&defaut.sa_mask);
    ::sigaction(s, &defaut, nullptr);
    sigset_t seul;
    sigemptyset(&seul);
    sigaddset(&seul, s);
    ::pthread_sigmask(SIG_UNBLOCK, &seul, nullptr);
    ::raise(s);
    std::_Exit(128 + s);
}

extern "C" void recevoir(int s) {
    if (sur_le_champ) par_le_signal(s);
    signal_recu = s;
}

}  // namespace

void noter_ligne(std::string_view effacer, std::string_view avant_message, bool affichee) {
    ligne_affichee = 0;
    copier(effacement, sizeof effacement, longueur_effacement, {effacer});
    copier(message, sizeof message, longueur_message, {avant_message, _("taverlune: calculation interrupted\n")});
    ligne_affichee = affichee ? 1 : 0;
}

Interruption::Interruption(Mode mode) {
    sur_le_champ = mode == Mode::sur_le_champ;
    signal_recu = 0;
    if (longueur_message == 0) noter_ligne("", "", false);
    struct sigaction action {};
    action.sa_handler = recevoir;
    sigemptyset(&action.sa_mask);
    for (const int s : signaux) sigaddset(&action.sa_mask, s);
    for (int k = 0; k < 2; ++k)
        installes[k] = ::sigaction(signaux[k], nullptr, &anciennes[k]) == 0 &&
                       anciennes[k].sa_handler != SIG_IGN &&  // nohup, or a background job
                       ::sigaction(signaux[k], &action, nullptr) == 0;
}

Interruption::~Interruption() {
    for (int k = 0; k < 2; ++k)
        if (installes[k]) ::sigaction(signaux[k], &anciennes[k], nullptr);
}

bool interruption_demandee() { return signal_recu != 0; }

void finir_par_interruption() {
    vider_sortie();  // every whole line already made
    par_le_signal(signal_recu != 0 ? signal_recu : SIGINT);
}
