// The enumeration stage: the search of one calculation, by the fast engine
// (or by the search a test or the reference program chooses).
//
// Reads: Div[1..ND1], ND1, SN, Sol, N, nf, Nfact, Nexpo.
// Writes: ns, ndif, NS[1..ND1]; the solutions' header and the solutions,
//         when Sol = 1; on standard error the progress line, and the warning
//         before a search that cannot end in reasonable time; the
//         dispositions of SIGINT and SIGTERM during the search.
#include <optional>
#include <string_view>

#include "console/console.h"
#include "console/interruption.h"
#include "console/progress.h"
#include <taverlune/engine.h>
#include "search/search.h"
#include "state/state.h"

using namespace taverlune;

namespace {

// The engine's listing, written through the console.
class VersLaConsole : public Puits {
public:
    void ecrire(std::string_view texte) override { ::ecrire(texte); }
    void vider() override { vider_sortie(); }
};

}  // namespace

const Forme forme_du_dialogue{" \n  \t  ", " || ", " \n  \t  ", false};

void ajouter_comptes(const std::vector<Compte>& par_termes) {
    for (std::size_t m = 1; m < par_termes.size(); ++m) {
        if (par_termes[m].est_nul()) continue;
        NS[static_cast<Integer>(m)] += par_termes[m];
        ns += par_termes[m];
        ndif = static_cast<Integer>(m);
    }
}

void recherche_rapide(const Reglages& reglages) {
    Probleme probleme;
    if (ND1 >= 1) probleme.elements.assign(&Div[1], &Div[1] + ND1);
    probleme.cible = SN;
    if (N > 1) {
        probleme.N = N;
        for (int f = 1; f <= nf; ++f) probleme.facteurs.push_back({Nfact[f], static_cast<int>(Nexpo[f])});
    }
    vider_sortie();  // the divisors and their sum are on screen before a long search
    LigneDeProgres avancement(true, Sol == 1);
    const Interruption interruption(Interruption::Mode::sur_le_champ);
    Rappels rappels;
    if (avancement.actif())
        rappels.progres = [&](double part, std::optional<std::uint64_t> trouvees) {
            avancement.montrer(part, trouvees);
            return true;  // Ctrl-C ends the program from its handler
        };
    rappels.lenteur = avertir_lenteur;
    if (Sol == 1) {
        VersLaConsole console;
        Forme forme = forme_du_dialogue;
        forme.immediat = sortie_est_un_terminal();  // each solution shows as soon as it is found
        ajouter_comptes(lister(probleme, console, forme, reglages, rappels).par_termes);
    } else {
        ajouter_comptes(compter(probleme, reglages, rappels, Mesure::distribution).par_termes);
    }
}

std::function<void()> recherche_choisie = [] { recherche_rapide(); };

void enumeration() {
    if (Sol == 1) ecrire(" \n \n \t Les sommes recherchees ont pour termes : \n ");
    recherche_choisie();
}
