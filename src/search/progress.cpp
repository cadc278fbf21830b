// The progress line of long searches (see progress.h).
#include "search/progress.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "dialogue/console.h"

namespace {

void ecrire_erreur(const char* texte, std::size_t n) { ecrire_erreurs(std::string_view(texte, n)); }

}  // namespace

Avancement::Avancement(bool affiche_solutions) {
    actif_ = affiche_solutions ? erreurs_sur_un_autre_terminal() : erreurs_sur_un_terminal();
    debut_ = dernier_ = std::chrono::steady_clock::now();
}

Avancement::~Avancement() {
    if (!affiche_) return;
    char blanc[96];
    std::memset(blanc, ' ', sizeof blanc);
    blanc[0] = '\r';
    blanc[sizeof blanc - 1] = '\r';
    ecrire_erreur(blanc, sizeof blanc);
}

void Avancement::montrer(double part, std::uint64_t solutions) {
    if (!actif_) return;
    const auto maintenant = std::chrono::steady_clock::now();
    const double ecoule = std::chrono::duration<double>(maintenant - debut_).count();
    if (ecoule < 1.0) return;
    if (affiche_ && std::chrono::duration<double>(maintenant - dernier_).count() < 0.25) return;
    dernier_ = maintenant;
    affiche_ = true;
    part = part < 0 ? 0 : part > 1 ? 1 : part;
    char ligne[96];
    const int n = std::snprintf(ligne, sizeof ligne, "\r  recherche : %7.3f %% des cas, %llu solutions, %.0f s   ",
                                100.0 * part, static_cast<unsigned long long>(solutions), ecoule);
    if (n > 0) ecrire_erreur(ligne, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof ligne - 1));
}
