// The divisor-sum family on the command line (see family.h).
//
// Reads: the command. Writes: standard output or the list's file, standard
// error (progress, warnings, errors).
#include "command_line/family.h"

#include <optional>
#include <string>

#include "command_line/plot.h"
#include "command_line/table_file.h"
#include "console/console.h"
#include "console/interruption.h"
#include "console/language.h"
#include "console/progress.h"
#include <taverlune/family.h>

using namespace taverlune;

int executer_liste(const Commande& c) {
    std::optional<FichierDeTable> fichier;
    std::optional<std::int64_t> debut = c.debut;
    std::optional<ImageListe> image;
    if (!c.image.empty()) image.emplace(c.debut, c.fin, std::string(nom_de(c.propriete)));
    if (!c.fichier.empty()) {
        fichier.emplace(c);
        if (fichier->refus().empty() && image &&
            !fichier->relire([&](std::int64_t n, std::string_view) { image->ajouter(n); }))
            return ecrire_ligne_erreur(
                       composer(_("%s holds another table: remove it, or choose another file"), {c.fichier})),
                   2;
        if (!fichier->refus().empty()) return ecrire_ligne_erreur(fichier->refus()), 2;
        debut = fichier->suivant();
    }
    const auto vider = [&] {
        if (fichier) fichier->vider();
        else vider_sortie();
    };
    if (!debut) return image && !ecrire_image(c.image, image->svg()) ? 1 : 0;  // the file holds the whole list
    LigneDeProgres progres(c.etat, false);
    Rappels rappels;
    rappels.progres = [&](double part, std::optional<std::uint64_t> trouves) {
        if (c.quoi == Commande::Quoi::liste_propriete) vider();
        progres.montrer(part, trouves);
        return !interruption_demandee();
    };
    rappels.lenteur = [&](const Lenteur& l) {
        progres.effacer();
        avertir_lenteur(l);
    };
    const ReglagesFamille r{c.fils};
    if (c.quoi == Commande::Quoi::comptage_propriete) {
        const std::optional<std::uint64_t> nombre = compter_propriete(c.propriete, *debut, c.fin, r, rappels);
        if (!nombre || interruption_demandee()) finir_par_interruption();
        progres.effacer();
        ecrire(std::to_string(*nombre) + "\n");
        return 0;
    }
    const bool fini = lister_propriete(
        c.propriete, *debut, c.fin,
        [&](std::int64_t n) {
            if (image) image->ajouter(n);
            const std::string ligne = std::to_string(n) + "\n";
            if (fichier) fichier->ecrire(ligne);
            else ecrire(ligne);
        },
        r, rappels);
    progres.effacer();
    vider();
    if (!fini || interruption_demandee()) finir_par_interruption();
    if (image && !ecrire_image(c.image, image->svg())) return 1;
    return 0;
}

int executer_classement(const Commande& c) {
    LigneDeProgres progres(c.etat, false);
    Reglages r;
    r.fils = c.fils;
    Rappels rappels;
    rappels.progres = [&](double part, std::optional<std::uint64_t>) {
        progres.montrer(part);
        return !interruption_demandee();
    };
    rappels.lenteur = [&](const Lenteur& l) {
        progres.effacer();
        avertir_lenteur(l);
    };
    for (const std::int64_t n : c.nombres) {
        const Classement k = classer(n, r, rappels);
        if (interruption_demandee()) finir_par_interruption();
        progres.effacer();
        const std::string tete = c.nombres.size() > 1 ? std::to_string(n) + " " : "";
        std::string texte;
        for (const Propriete p : proprietes) texte += tete + std::string(nom_de(p)) + (k[p] ? " yes\n" : " no\n");
        texte += tete + "zumkeller-splits " + k.separations.decimal() + "\n";
        texte += tete + "a065205 " + k.a.decimal() + "\n";
        ecrire(texte);
    }
    return 0;
}
