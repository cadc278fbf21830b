// Validated console input: every question of the program is asked here.
//
// Reads: the question in chaine, xn, valeur0 (the value an integer answer's
//        digits are added to), standard input.
// Writes: valeur0 (integer mode), valeur2 (yes/no mode), entree, l, l1, a, a1,
//         refaire, valtest2; on standard error, one line for an accepted
//         number above 2^63 - 1, with the value it is taken as.
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "console/console.h"
#include "console/language.h"
#include "state/state.h"
#include "dialogue/dialogue.h"

namespace {

// One attempt: prints the question, reads one word into entree. A word of
// more than 199 characters (up to its first NUL byte) cannot be held by
// entree: it is refused as a whole, and the function returns false. At the
// end of input the program ends.
bool tentative(const char* chaine) {
    for (;;) {
        for (a = 0; a < l; ++a) ecrire(std::string_view(chaine + a, 1));
        // The word is kept up to one byte past what entree can hold, which is
        // enough to tell that it does not fit; the rest is read and dropped.
        char mot[sizeof entree];
        std::size_t longueur = 0;
        if (lire_mot(mot, sizeof mot, longueur) == Lecture::fin) terminer();
        const std::size_t gardes = longueur < sizeof mot ? longueur : sizeof mot;
        const void* nul = std::memchr(mot, '\0', gardes);
        const std::size_t texte = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - mot) : longueur;
        if (texte >= sizeof entree) return false;
        std::memcpy(entree, mot, texte);
        entree[texte] = '\0';
        l1 = static_cast<int>(texte);
        if (l1 != 0) return true;
        // A word that begins with NUL is no word: the question comes again.
    }
}

}  // namespace

int valtest(char caract1) {
    valtest2 = 0;
    if (caract1 >= '0' && caract1 <= '9') {
        valtest2 = caract1 - '0';
        return 1;
    }
    if (caract1 == '+') {
        valtest2 = 1;
        return 1;
    }
    if (caract1 == '-') {
        valtest2 = -1;
        return 1;
    }
    return 0;
}

int controle(int cas, char* chaine) {
    repositionner_entree();
    refaire = 1;
    l = static_cast<int>(std::strlen(chaine));
    if (cas == 1) {
        for (;;) {
            if (!tentative(chaine)) continue;
            if (l1 == 1 && (entree[0] == '0' || entree[0] == '1')) {
                valeur2 = entree[0] - '0';
                refaire = 0;
                return 0;
            }
        }
    }
    if (cas != 9) return 0;
    for (;;) {
        refaire = 0;
        if (!tentative(chaine)) continue;
        // The value is accumulated modulo 2^64 on the unsigned type, by design:
        // an answer above 2^63 - 1 comes out wrapped, never as an overflow.
        // au_dela records that the digits write more than 2^63 - 1.
        std::uint64_t valeur = static_cast<std::uint64_t>(valeur0);
        bool au_dela = false;
        const auto ajouter = [&](std::uint64_t chiffre) {
            constexpr std::uint64_t max63 = std::numeric_limits<Integer>::max();
            if (valeur > (max63 - chiffre) / 10) au_dela = true;
            valeur = valeur * 10 + chiffre;
        };
        for (a = 0, a1 = 0; a < l1 && refaire == 0; a = a1) {
            const char c = entree[a];
            if (valtest(c) == 0) {
                refaire = 1;
                break;
            }
            const bool signe = c == '+' || c == '-';
            const std::uint64_t chiffre = static_cast<std::uint64_t>(valtest2);
            if (a == 0) {
                if (c == '0') {
                    if (l1 == 1) valeur = 0;
                    else refaire = 1;
                } else if (c == '-') {
                    refaire = 1;
                } else {
                    valeur = chiffre;
                    if (c == '+' && l1 == 1) refaire = 1;
                }
            } else if (a == 1) {
                if (signe) refaire = 1;
                else if (entree[0] == '+') {
                    if (c == '0') refaire = 1;
                    else valeur = chiffre;
                } else {
                    ajouter(chiffre);
                }
            } else {
                if (signe) refaire = 1;
                else ajouter(chiffre);
            }
            ++a1;
        }
        valeur0 = static_cast<Integer>(valeur);
        if ((xn == 1 && valeur0 == 0) || refaire == 1) continue;
        if (au_dela)  // the dialogue on standard output stays as it always was
            ecrire_erreurs(composer(_("taverlune: %s is beyond 2^63 - 1: taken as %s\n"),
                                    {std::string(entree), std::to_string(valeur0)}));
        return 0;
    }
}
