// The command line run: one count, a distribution or a listing per N given,
// or a whole table (table.h). Standard output carries the figures alone;
// standard error the progress (--status), the time (--time), the warnings
// and the errors. Ctrl-C and SIGTERM stop the work where every line printed
// is whole (interruption.h).
//
// Reads: the arguments. Writes: standard output through the console (a
// failed write is said, status 1), standard error, the picture's file.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "command_line/command_line.h"
#include "command_line/family.h"
#include "command_line/plot.h"
#include "command_line/table.h"
#include "console/console.h"
#include "console/interruption.h"
#include "console/language.h"
#include "console/progress.h"
#include <taverlune/engine.h>

using namespace taverlune;

#ifndef TAVERLUNE_VERSION
#error "TAVERLUNE_VERSION comes from the build: project(taverlune VERSION ...)"
#endif

namespace {

// The usage, laid out as printed.
constexpr const char* aide = N_(

    "Usage: taverlune\n"
    "       taverlune N... [--target S] [--distribution | --print] [options]\n"
    "       taverlune --table A B [--sequence SEQ] [--target-offset K] [--records]\n"
    "                 [--output FILE]\n"
    "       taverlune --list PROPERTY A B [--count | --output FILE]\n"
    "       taverlune N... --classify\n"
    "\n"
    "Study the divisors of an integer N (at most 2^63 - 1): a(N) is the number of\n"
    "sets of distinct divisors of N other than N whose sum is N (or a target S).\n"
    "\n"
    "With no argument the program starts the dialogue, in French: each answer is\n"
    "one word read from standard input, a terminal or a pipe (not a regular file),\n"
    "in this order: N; 1 to print every solution, 0 to count them only; 1 to\n"
    "choose a target S and then S, or 0 for the target N; after the results, 1 for\n"
    "a new calculation, 0 to stop. A refused answer makes the question appear\n"
    "again. A long search shows its progress on standard error when it is a\n"
    "terminal; Ctrl-C stops it.\n"
    "\n"
    "Counting:\n"
    "  N...                   print a(N); with several N, one line 'N a(N)' each\n"
    "  -s, --target S         the sets whose sum is S, over the divisors of N other\n"
    "                         than N that are at most S\n"
    "  -d, --distribution     one line 'm count' for each number of terms m\n"
    "  -p, --print            every solution, one a line, its divisors ascending\n"
    "      --double-check     count a second time by another method; exit status 3\n"
    "                         if the two differ\n"
    "      --estimate         print the seconds the count would take on this machine\n"
    "                         (now, with its load), without counting\n"
    "Tables:\n"
    "      --table A B        one line 'n a(n)' for every n from A to B\n"
    "      --target-offset K  the target n + K instead of n (K may be negative)\n"
    "      --records          only the n whose a(n) > 0 exceeds every a(n) before\n"
    "      --sequence SEQ     A065205, a(n) (the default), or A083206, also named\n"
    "                         zumkeller-splits: f(n), the splits of the divisors of\n"
    "                         n, n included, into two sets of equal sum\n"
    "  -o, --output FILE      the lines to FILE, after a '#' line naming the table or\n"
    "                         the list; the same command run again goes on where it\n"
    "                         stopped\n"
    "The divisor-sum family:\n"
    "      --list PROPERTY A B  every n from A to B that has PROPERTY, one a line\n"
    "      --count            their number alone\n"
    "      --classify         each property of N, a line 'PROPERTY yes|no' each, then\n"
    "                         'zumkeller-splits f(N)' and 'a065205 a(N)'\n"
    "  PROPERTY is semiperfect, primitive-semiperfect, weird, primitive-weird,\n"
    "  zumkeller, practical, abundant, perfect or deficient, or its A-number\n"
    "  (A005835, A006036, A006037, A002975, A083207, A005153, A005101, A000396,\n"
    "  A005100).\n"
    "Pictures:\n"
    "      --plot FILE.svg    draw the distribution (with -d), the table or the list\n"
    "                         (how many of its n up to x), as SVG\n"
    "Running:\n"
    "  -t, --threads T        at most T threads (every core by default)\n"
    "      --status           the progress on standard error, when it is a terminal\n"
    "      --time             the time taken, on standard error, at the end\n"
    "  -h, --help             display this help and exit\n"
    "  -V, --version          output version information and exit\n"
    "\n"
    "Numbers are whole, from 1 to 2^63 - 1: 720720, 1e6, 2.5e3, 10^6.\n"
    "\n"
    "Examples:\n"
    "  printf '28 1 0 0\\n' | taverlune    the dialogue: N = 28, every solution\n"
    "  taverlune 720720                   a(720720)\n"
    "  taverlune 12 --target 10 --print   the sets of divisors of 12 making 10\n"
    "  taverlune --table 1 1e5 -o a.txt   a table, taken up again if run again\n"
    "  taverlune --list weird 1 1e6       the weird numbers up to a million\n"
    "  taverlune 70 --classify            70: weird, primitive weird, abundant...\n"
    "\n"
    "Exit status:\n"
    "  0    the figures were printed (or --help, --version)\n"
    "  1    after the dialogue; a failed write; memory too short\n"
    "  2    a wrong argument, or an --output FILE that holds another table\n"
    "  3    --double-check found two different counts\n"
    "  130  interrupted by Ctrl-C (143 by SIGTERM)\n"
    "\n"
    "Full documentation: man taverlune\n");

}  // namespace

namespace {

// Seconds as a script reads them, whatever the locale: 0, 0.0042, 12.3, 4521.
std::string secondes_en_texte(double s) {
    if (!(s > 0)) return "0";
    char texte[64];
    const int chiffres = s >= 1000 ? 0 : s >= 1 ? 1 : std::max(1, 1 - static_cast<int>(std::floor(std::log10(s))));
    const auto fin = std::to_chars(texte, texte + sizeof texte, s, std::chars_format::fixed, chiffres);
    return fin.ec == std::errc{} ? std::string(texte, fin.ptr) : "0";
}

// The figures of one N, in the form the command asks for. Returns the exit
// status it calls for (0, or 3 when the double check differs).
int un_nombre(const Commande& c, std::int64_t n, bool prefixe, LigneDeProgres& ligne) {
    const std::int64_t cible = c.cible.value_or(n);
    const Probleme p = probleme_de(n, cible);
    Reglages r;
    r.fils = c.fils;
    Rappels rappels;
    rappels.progres = [&](double part, std::optional<std::uint64_t> trouvees) {
        ligne.montrer(part, trouvees);
        return !interruption_demandee();
    };
    rappels.lenteur = [&](const Lenteur& l) {
        ligne.effacer();
        avertir_lenteur(l);
    };
    const std::string tete = prefixe ? std::to_string(n) + " " : "";
    const Issue rapide = issue_rapide(p);
    if (c.estimation) {
        const Mesure mesure = c.quoi == Commande::Quoi::distribution ? Mesure::distribution : Mesure::total;
        ecrire(tete + secondes_en_texte(rapide == Issue::recherche ? estimer(p, r, mesure) : 0) + "\n");
        return 0;
    }
    if (c.quoi == Commande::Quoi::liste) {
        struct VersLaSortie : Puits {
            void ecrire(std::string_view texte) override { ::ecrire(texte); }
            void vider() override { vider_sortie(); }
        } sortie;
        lister(p, sortie, Forme{"", " ", "\n", sortie_est_un_terminal()}, r, rappels);
        if (interruption_demandee()) finir_par_interruption();
        return 0;
    }
    std::vector<Compte> par_termes(p.elements.size() + 1);
    Compte total;
    if (rapide == Issue::toutes) {
        par_termes.back() += 1;
        total += 1;
    } else if (rapide == Issue::recherche) {
        const Mesure mesure = c.quoi == Commande::Quoi::distribution ? Mesure::distribution : Mesure::total;
        const Resultat res = compter(p, r, rappels, mesure);
        if (!res.complet || interruption_demandee()) finir_par_interruption();
        par_termes = res.par_termes;
        total = res.total;
        if (c.double_verification) {
            const Compte autre = compter_autrement(p, r, rappels, mesure);
            if (interruption_demandee()) finir_par_interruption();
            if (!(autre == total)) {
                ligne.effacer();
                ecrire_ligne_erreur(composer(_("the double check of %s failed: %s by one method, %s by the other"),
                                             {std::to_string(n), total.decimal(), autre.decimal()}));
                return 3;
            }
        }
    }
    ligne.effacer();
    if (!c.image.empty() && !ecrire_image(c.image, image_distribution(n, cible, par_termes))) return 1;
    if (c.quoi == Commande::Quoi::distribution) {
        for (std::size_t m = 1; m < par_termes.size(); ++m)
            if (!par_termes[m].est_nul()) ecrire(tete + std::to_string(m) + " " + par_termes[m].decimal() + "\n");
    } else {
        ecrire(tete + total.decimal() + "\n");
    }
    return 0;
}

}  // namespace

int ligne_de_commande(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const LectureCommande lecture = lire_commande(arguments);
    if (!lecture.commande) {
        ecrire_ligne_erreur(composer(_("%s (try 'taverlune --help')"), {lecture.erreur}));
        return 2;
    }
    const Commande& c = *lecture.commande;
    if (c.quoi == Commande::Quoi::aide || c.quoi == Commande::Quoi::version) {
        ecrire(c.quoi == Commande::Quoi::aide ? std::string_view(_(aide)) : "taverlune " TAVERLUNE_VERSION "\n");
        vider_sortie();
        return 0;
    }
    const Interruption interruption(Interruption::Mode::au_point_sur);
    const auto debut = std::chrono::steady_clock::now();
    int statut = 0;
    try {
        if (c.quoi == Commande::Quoi::table) {
            statut = executer_table(c);
        } else if (c.quoi == Commande::Quoi::liste_propriete || c.quoi == Commande::Quoi::comptage_propriete) {
            statut = executer_liste(c);
        } else if (c.quoi == Commande::Quoi::classement) {
            statut = executer_classement(c);
        } else {
            LigneDeProgres ligne(c.etat, c.quoi == Commande::Quoi::liste);
            for (const std::int64_t n : c.nombres) {
                statut = std::max(statut, un_nombre(c, n, c.nombres.size() > 1, ligne));
                if (interruption_demandee()) finir_par_interruption();
            }
        }
    } catch (const std::bad_alloc&) {
        vider_sortie();
        ecrire_erreurs(_("taverlune: out of memory: the calculation cannot go on\n"));
        return 1;
    } catch (const std::domain_error& e) {  // f(n) of an n near 2^63 with sigma(n) > 4n
        vider_sortie();
        const std::string quoi = e.what();
        ecrire_ligne_erreur(
            composer(_("%s cannot be counted: its target passes 2^63 - 1"), {quoi.substr(0, quoi.find(' '))}));
        return 2;
    }
    vider_sortie();
    if (c.temps) {
        char texte[64];
        std::snprintf(texte, sizeof texte, _("taverlune: %.3f s\n"),
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count());
        ecrire_erreurs(texte);
    }
    return statut;
}
