// Buffered console output and word-by-word input on file descriptors 0 and 1;
// unbuffered messages and the terminal's width on file descriptor 2.
#include "console/console.h"

#include "console/language.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace taverlune;

namespace {

long lire_fd0(char* tampon, std::size_t n) {
    for (;;) {
        const ssize_t r = ::read(0, tampon, n);
        if (r >= 0 || errno != EINTR) return static_cast<long>(r);
    }
}

bool fd0_est_fichier() {
    struct stat st = {};
    return ::fstat(0, &st) == 0 && S_ISREG(st.st_mode);
}

void fd0_a_la_fin() { ::lseek(0, 0, SEEK_END); }

bool ecrire_fd1(const char* octets, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(1, octets, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        octets += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

[[noreturn]] void quitter_processus() { std::_Exit(1); }

bool fd_est_terminal(int fd) { return ::isatty(fd) != 0; }

bool fd1_fd2_meme_terminal() {
    struct stat sortie = {}, erreurs = {};
    if (!::isatty(1) || !::isatty(2) || ::fstat(1, &sortie) != 0 || ::fstat(2, &erreurs) != 0) return false;
    return sortie.st_rdev == erreurs.st_rdev;
}

void ecrire_fd2(const char* octets, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(2, octets, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;  // nothing more can be said there
        octets += w;
        n -= static_cast<std::size_t>(w);
    }
}

int colonnes_fd(int fd) {
    struct winsize taille {};
    return ::ioctl(fd, TIOCGWINSZ, &taille) == 0 ? taille.ws_col : 0;
}

Branchements console = branchements_du_processus();

// Output buffer: written out when full, before a read, and at the end.
constexpr std::size_t taille_sortie = 1 << 16;
char sortie[taille_sortie];
std::size_t sortie_pleine = 0;

// Input buffer: bytes read from standard input and not yet taken.
constexpr std::size_t taille_entree = 1 << 16;
char tampon_entree[taille_entree];
std::size_t entree_debut = 0;
std::size_t entree_fin = 0;
bool entree_terminee = false;  // end of input met, or a read failed

bool est_blanc(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Makes at least one unread byte available; false at end of input.
bool charger_entree() {
    if (entree_debut < entree_fin) return true;
    if (entree_terminee) return false;
    vider_sortie();  // the question is visible before the program waits
    const long r = console.lire(tampon_entree, taille_entree);
    if (r <= 0) {
        entree_terminee = true;
        return false;
    }
    entree_debut = 0;
    entree_fin = static_cast<std::size_t>(r);
    return true;
}

// Nobody reads what we print any more (a closed pipe, a full disk): say why,
// then stop at once; the status is the usual one.
[[noreturn]] void echec_d_ecriture(int cause) {
    ecrire_erreurs(cause != 0 ? composer(_("taverlune: write error: %s\n"), {std::strerror(cause)})
                              : std::string(_("taverlune: write error\n")));
    console.quitter();
    std::_Exit(1);  // in case a harness's quitter returned
}

// Writes n bytes out to standard output.
void ecrire_tel_quel(const char* octets, std::size_t n) {
    errno = 0;
    if (!console.ecrire(octets, n)) echec_d_ecriture(errno);
}

}  // namespace

void ecrire(std::string_view texte) {
    // A large piece (a listing's own buffer) is written out as it is, after
    // what is buffered: copying it first would cost as much as writing it.
    if (texte.size() >= taille_sortie / 2) {
        vider_sortie();
        ecrire_tel_quel(texte.data(), texte.size());
        return;
    }
    while (!texte.empty()) {
        if (sortie_pleine == taille_sortie) vider_sortie();
        const std::size_t n = std::min(texte.size(), taille_sortie - sortie_pleine);
        std::memcpy(sortie + sortie_pleine, texte.data(), n);
        sortie_pleine += n;
        texte.remove_prefix(n);
    }
}

void ecrire_nombre(std::int64_t n) {
    char chiffres[24];
    const auto fin = std::to_chars(chiffres, chiffres + sizeof chiffres, n).ptr;
    ecrire(std::string_view(chiffres, static_cast<std::size_t>(fin - chiffres)));
}

void ecrire_somme(Somme n) {
    __extension__ typedef unsigned __int128 Grand;
    char chiffres[48];
    char* p = chiffres + sizeof chiffres;
    const bool negatif = n < 0;
    // The magnitude is taken on the unsigned type, so the smallest value too.
    Grand m = negatif ? Grand(0) - static_cast<Grand>(n) : static_cast<Grand>(n);
    do {
        *--p = static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
    } while (m != 0);
    if (negatif) *--p = '-';
    ecrire(std::string_view(p, static_cast<std::size_t>(chiffres + sizeof chiffres - p)));
}

void ecrire_compte(const Compte& n) {
    if (n.mots.size() <= 1) {
        const std::uint64_t v = n.mots.empty() ? 0 : n.mots[0];
        char chiffres[24];
        const auto fin = std::to_chars(chiffres, chiffres + sizeof chiffres, v).ptr;
        ecrire(std::string_view(chiffres, static_cast<std::size_t>(fin - chiffres)));
        return;
    }
    ecrire(n.decimal());
}

void vider_sortie() {
    if (sortie_pleine == 0) return;
    const std::size_t n = sortie_pleine;
    sortie_pleine = 0;
    ecrire_tel_quel(sortie, n);
}

void repositionner_entree() {
    if (console.entree_est_fichier()) {
        console.aller_a_la_fin();
        entree_debut = entree_fin = 0;  // what we had read ahead is skipped too
    }
    entree_terminee = false;  // the error flags are cleared
}

Lecture lire_mot(char* mot, std::size_t capacite, std::size_t& longueur) {
    longueur = 0;
    for (;;) {  // leading white space
        if (!charger_entree()) return Lecture::fin;
        while (entree_debut < entree_fin && est_blanc(tampon_entree[entree_debut])) ++entree_debut;
        if (entree_debut < entree_fin) break;
    }
    for (;;) {  // the word, up to the next white space or the end of input
        while (entree_debut < entree_fin && !est_blanc(tampon_entree[entree_debut])) {
            if (longueur < capacite) mot[longueur] = tampon_entree[entree_debut];
            ++longueur;
            ++entree_debut;
        }
        if (entree_debut < entree_fin) break;  // the white space stays unread
        if (!charger_entree()) break;          // the word ends at the end of input
    }
    return Lecture::mot;
}

void terminer() {
    vider_sortie();
    console.quitter();
    std::_Exit(1);  // in case a harness's quitter returned
}

bool sortie_est_un_terminal() { return console.est_terminal(1); }

bool erreurs_sur_un_terminal() { return console.est_terminal(2); }

bool erreurs_sur_un_autre_terminal() { return console.est_terminal(2) && !console.meme_terminal(); }

int colonnes_erreurs() { return console.colonnes(2); }

void ecrire_dans(int fd, std::string_view texte) {
    while (!texte.empty()) {
        const ssize_t n = ::write(fd, texte.data(), texte.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) echec_d_ecriture(n < 0 ? errno : ENOSPC);
        texte.remove_prefix(static_cast<std::size_t>(n));
    }
}

void ecrire_erreurs(std::string_view texte) { console.ecrire_erreurs(texte.data(), texte.size()); }

void ecrire_ligne_erreur(std::string_view texte) {
    ecrire_erreurs(composer(_("taverlune: %s\n"), {std::string(texte)}));
}

Branchements branchements_du_processus() {
    return {lire_fd0,        fd0_est_fichier,       fd0_a_la_fin, ecrire_fd1, quitter_processus,
            fd_est_terminal, fd1_fd2_meme_terminal, ecrire_fd2,   colonnes_fd};
}

void brancher_console(const Branchements& b) {
    console = b;
    sortie_pleine = 0;
    entree_debut = entree_fin = 0;
    entree_terminee = false;
}
