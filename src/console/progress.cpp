// The progress line of long searches (see progress.h).
#include "console/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "console/console.h"
#include "console/interruption.h"
#include "console/language.h"

using namespace taverlune;

namespace {

// On the terminal (VT100 sequences): ESC D moves down a line, scrolling at the
// bottom; ESC M moves back up; ESC 7 and ESC 8 save and restore the cursor;
// ESC [K erases to the end of the line. Going down and back up first makes
// sure that a line exists below, so that the saved position is still right
// when it is restored.
constexpr std::string_view avant_dessous = "\033D\033M\0337\033D\r";
constexpr std::string_view apres_dessous = "\033[K\0338";
constexpr std::string_view effacer_dessous = "\0337\033D\r\033[K\0338";
constexpr std::string_view avant_ligne = "\r";
constexpr std::string_view apres_ligne = "\033[K";
constexpr std::string_view effacer_ligne = "\r\033[K";

// A duration below a year.
std::string duree(double secondes) {
    if (!(secondes >= 0)) secondes = 0;                                   // NaN too
    const long long t = std::llround(std::min(secondes, 365.0 * 86400));  // no overflow
    char texte[64];
    if (t < 60) std::snprintf(texte, sizeof texte, _("%lld s"), t);
    else if (t < 3600) std::snprintf(texte, sizeof texte, _("%lld min %02lld s"), t / 60, t % 60);
    else if (t < 48 * 3600) std::snprintf(texte, sizeof texte, _("%lld h %02lld min"), t / 3600, t / 60 % 60);
    else std::snprintf(texte, sizeof texte, _("%lld days"), t / 86400);
    return texte;
}

constexpr double an = 365.0 * 86400;

}  // namespace

std::string ligne_avancement(double part, double secondes, std::optional<std::uint64_t> solutions,
                             std::size_t largeur) {
    part = part > 0 ? std::min(part, 1.0) : 0.0;  // NaN too
    char texte[64];
    std::snprintf(texte, sizeof texte, _("search: %7.3f %%"), 100.0 * part);
    std::string morceaux[4] = {texte};
    if (part > 0) {
        const double reste = secondes * (1 - part) / part;
        morceaux[1] = reste < an ? composer(_(", about %s left"), {duree(reste)}) : _(", more than a year left");
    }
    morceaux[2] = secondes < an ? composer(_(", %s spent"), {duree(secondes)}) : _(", more than a year spent");
    if (solutions) morceaux[3] = composer(_(", %s solutions"), {std::to_string(*solutions)});

    // The last column stays empty: a character there would wrap on some terminals.
    const std::size_t place = largeur > 0 ? largeur - 1 : 0;
    std::string ligne = morceaux[0].substr(0, place);
    for (std::size_t k = 1; k < 4 && ligne.size() + morceaux[k].size() <= place; ++k) ligne += morceaux[k];
    return ligne;
}

LigneDeProgres::LigneDeProgres(bool demandee, bool affiche_solutions) {
    const bool terminal = erreurs_sur_un_terminal();
    dessous_ = terminal && !erreurs_sur_un_autre_terminal();  // standard output is there too
    actif_ = demandee && terminal && !(affiche_solutions && dessous_);
    debut_ = dernier_ = std::chrono::steady_clock::now();
    // The message after a Ctrl-C: below the line of results left open, or in
    // place of the progress (and of the ^C that the terminal shows).
    noter_ligne(dessous_ ? effacer_dessous : effacer_ligne, dessous_ ? "\n" : terminal ? effacer_ligne : "", false);
}

LigneDeProgres::~LigneDeProgres() { effacer(); }

void LigneDeProgres::effacer() {
    if (!affiche_) return;
    ecrire_erreurs(dessous_ ? effacer_dessous : effacer_ligne);
    affiche_ = false;
    noter_ligne(dessous_ ? effacer_dessous : effacer_ligne, dessous_ ? "\n" : effacer_ligne, false);
}

void LigneDeProgres::montrer(double part, std::optional<std::uint64_t> solutions) {
    if (!actif_) return;
    const auto maintenant = std::chrono::steady_clock::now();
    const double ecoule = std::chrono::duration<double>(maintenant - debut_).count();
    if (ecoule < secondes_avant_progres) return;
    if (affiche_ && std::chrono::duration<double>(maintenant - dernier_).count() < 0.25) return;
    dernier_ = maintenant;
    const int colonnes = colonnes_erreurs();
    const std::string texte = ligne_avancement(part, ecoule, solutions, colonnes > 0 ? colonnes : 80);
    std::string dessin;
    dessin.append(dessous_ ? avant_dessous : avant_ligne).append(texte).append(dessous_ ? apres_dessous : apres_ligne);
    if (!affiche_) noter_ligne(dessous_ ? effacer_dessous : effacer_ligne, dessous_ ? "\n" : effacer_ligne, true);
    affiche_ = true;
    ecrire_erreurs(dessin);
}

void avertir_lenteur(const Lenteur& l) {
    // Whole sentences, one for each case, for the catalogues.
    const char* modeles[3][2] = {
        {N_("taverlune: this count will take long: about %.2g hours of work estimated; it goes on (Ctrl-C stops "
            "it)\n"),
         N_("taverlune: this count cannot end in reasonable time: about %.2g years of work estimated; it goes on "
            "(Ctrl-C stops it)\n")},
        {N_("taverlune: counting by listing every solution will take long: about %.2g hours of work estimated; it "
            "goes on (Ctrl-C stops it)\n"),
         N_("taverlune: counting by listing every solution cannot end in reasonable time: about %.2g years of work "
            "estimated; it goes on (Ctrl-C stops it)\n")},
        {N_("taverlune: this listing will take long: about %.2g solutions to print; it goes on (Ctrl-C stops it)\n"),
         N_("taverlune: this listing cannot end in reasonable time: about %.2g solutions to print; it goes on "
            "(Ctrl-C stops it)\n")},
    };
    const int quoi = l.quoi == Lenteur::Quoi::comptage ? 0 : l.quoi == Lenteur::Quoi::comptage_par_liste ? 1 : 2;
    char ligne[512];
    const double ans = l.secondes / (365.25 * 86400);
    const char* plus_que =
        N_("taverlune: counting by listing every solution cannot end in reasonable time: more than %.2g years of "
           "work estimated; it goes on (Ctrl-C stops it)\n");
    if (quoi == 2) std::snprintf(ligne, sizeof ligne, _(modeles[2][ans >= 1]), l.solutions);
    else if (l.plus_que && ans >= 1) std::snprintf(ligne, sizeof ligne, _(plus_que), ans);
    else if (ans >= 1) std::snprintf(ligne, sizeof ligne, _(modeles[quoi][1]), ans);
    else std::snprintf(ligne, sizeof ligne, _(modeles[quoi][0]), l.secondes / 3600);
    // On the terminal of standard output, the line of results is still open:
    // the warning goes on lines of its own, below it.
    if (erreurs_sur_un_terminal() && !erreurs_sur_un_autre_terminal()) ecrire_erreurs("\n");
    ecrire_erreurs(ligne);
}
