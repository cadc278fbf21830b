// The table of --table (see table.h): the engine's Table gives the lines in
// order; this writes them, keeps the records, draws the picture and shows
// the progress.
//
// Reads: the command. Writes: standard output or the table's file, the
// picture's file, standard error (progress, errors).
#include "command_line/table.h"

#include <optional>
#include <string>

#include "command_line/plot.h"
#include "command_line/table_file.h"
#include "console/console.h"
#include "console/interruption.h"
#include "console/language.h"
#include "console/progress.h"
#include <taverlune/engine.h>

using namespace taverlune;

int executer_table(const Commande& c) {
    std::optional<FichierDeTable> fichier;
    std::optional<std::int64_t> debut = c.debut;
    Compte record;  // the largest a(n) so far
    std::optional<ImageTable> image;
    if (!c.image.empty()) image.emplace(c.debut, c.fin, c.decalage, c.suite == Suite::a083206);
    // The lines of the runs before into the picture, their largest a(n) into `record`.
    const auto relire = [&](std::int64_t n, std::string_view texte) {
        const Compte a = Compte::de_decimal(texte);
        const bool nouveau = c.records || a > record;
        if (nouveau) record = a;
        image->ajouter(n, a, nouveau);
    };
    if (!c.fichier.empty()) {
        fichier.emplace(c);
        if (fichier->refus().empty() && image && !fichier->relire(relire))
            return ecrire_ligne_erreur(
                       composer(_("%s holds another table: remove it, or choose another file"), {c.fichier})),
                   2;
        if (!fichier->refus().empty()) return ecrire_ligne_erreur(fichier->refus()), 2;
        debut = fichier->suivant();
        record = fichier->record();
    }
    const auto ecrire_ligne = [&](const std::string& texte) {
        if (fichier) fichier->ecrire(texte);
        else ecrire(texte);
    };
    const auto vider = [&] {
        if (fichier) fichier->vider();
        else vider_sortie();
    };

    int statut = 0;
    if (debut) {
        Table table(*debut, c.fin, c.decalage, {c.fils, c.double_verification, c.suite});
        LigneDeProgres progres(c.etat, false);
        // While the next line is computed: the lines so far out, the progress.
        const auto attente = [&] {
            vider();
            progres.montrer(table.part());
            return !interruption_demandee();
        };
        while (const std::optional<Table::Ligne> l = table.suivante(attente)) {
            if (!l->verifiee) {
                progres.effacer();
                ecrire_ligne_erreur(
                    composer(_("the double check of %s failed: the two methods differ"), {std::to_string(l->n)}));
                statut = 3;
                break;
            }
            const bool nouveau = l->a > record;
            if (nouveau) record = l->a;
            if (image) image->ajouter(l->n, l->a, nouveau);
            if (!c.records || nouveau) ecrire_ligne(std::to_string(l->n) + " " + l->a.decimal() + "\n");
            progres.montrer(table.part());
            if (interruption_demandee()) break;
        }
        vider();
        if (interruption_demandee()) finir_par_interruption();
    }
    if (image && statut == 0 && !ecrire_image(c.image, image->svg())) return 1;
    return statut;
}
