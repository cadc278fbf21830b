// The command line run: one count, a distribution or a listing per N given,
// or a whole table (table.cpp). Standard output carries the figures alone;
// standard error the progress (--status), the time (--time), the warnings
// and the errors.
//
// Reads: the arguments. Writes: standard output through the console (a
// failed write is said, status 1), standard error.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "command_line/command_line.h"
#include "command_line/plot.h"
#include "command_line/run.h"
#include "dialogue/console.h"
#include "dialogue/language.h"
#include "divisors/large_factor.h"
#include "search/progress.h"

#ifndef TAVERLUNE_VERSION
#error "TAVERLUNE_VERSION comes from the build: project(taverlune VERSION ...)"
#endif

namespace {

// The usage, laid out as printed.
constexpr const char* aide = N_(

    "Usage: taverlune\n"
    "       taverlune N... [--target S] [--distribution | --print] [options]\n"
    "       taverlune --table A B [--target-offset K] [--records] [--output FILE]\n"
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
    "Tables:\n"
    "      --table A B        one line 'n a(n)' for every n from A to B\n"
    "      --target-offset K  the target n + K instead of n (K may be negative)\n"
    "      --records          only the n whose a(n) > 0 exceeds every a(n) before\n"
    "  -o, --output FILE      the lines to FILE, after a '#' line naming the table;\n"
    "                         the same command run again goes on where it stopped\n"
    "Pictures:\n"
    "      --plot FILE.svg    draw the distribution (with -d) or the table, as SVG\n"
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
    "\n"
    "Exit status:\n"
    "  0    the figures were printed (or --help, --version)\n"
    "  1    after the dialogue; a failed write; memory too short\n"
    "  2    a wrong argument, or an --output FILE that holds another table\n"
    "  3    --double-check found two different counts\n"
    "  130  interrupted by Ctrl-C (143 by SIGTERM)\n"
    "\n"
    "Full documentation: man taverlune\n");

volatile std::sig_atomic_t signal_recu = 0;

// The progress line on the screen, erased before the last words.
Ligne* ligne_active = nullptr;

extern "C" void noter_signal(int s) { signal_recu = s; }

}  // namespace

bool arret_demande() { return signal_recu != 0; }

void ecrire_ligne_erreur(std::string_view texte) {
    ecrire_erreurs(remplir(_("taverlune: %s\n"), {std::string(texte)}));
}

bool ecrire_image(const std::string& chemin, const std::string& svg) {
    std::FILE* f = std::fopen(chemin.c_str(), "w");
    const bool ok = f != nullptr && std::fwrite(svg.data(), 1, svg.size(), f) == svg.size();
    const int cause = errno;
    if (f == nullptr || std::fclose(f) != 0 || !ok) {
        ecrire_ligne_erreur(
            remplir(_("cannot write %s: %s"), {chemin, std::strerror(f == nullptr || !ok ? cause : errno)}));
        return false;
    }
    return true;
}

Probleme probleme_de(std::int64_t n, std::int64_t cible) {
    Probleme p;
    p.cible = cible;
    if (n < 2) return p;
    p.n = n;
    for (const std::uint64_t q : facteurs_premiers(static_cast<std::uint64_t>(n))) {
        if (p.facteurs.empty() || p.facteurs.back().p != static_cast<std::int64_t>(q))
            p.facteurs.push_back({static_cast<std::int64_t>(q), 0});
        ++p.facteurs.back().e;
    }
    std::vector<std::int64_t> d = {1};
    for (const PuissancePremiere& f : p.facteurs) {
        const std::size_t avant = d.size();
        std::int64_t puissance = 1;
        for (int e = 1; e <= f.e; ++e) {
            puissance *= f.p;
            for (std::size_t k = 0; k < avant; ++k) d.push_back(d[k] * puissance);
        }
    }
    std::sort(d.begin(), d.end());
    for (const std::int64_t x : d)
        if (x < n && x <= cible) p.elements.push_back(x);
    return p;
}

Issue issue_rapide(const Probleme& p) {
    Somme somme = 0;
    for (const std::int64_t x : p.elements) somme += x;
    if (somme < p.cible) return Issue::aucune;
    if (somme == p.cible) return Issue::toutes;
    return Issue::recherche;
}

Ligne::Ligne(bool active) : active_(active && erreurs_sur_un_terminal()) {
    debut_ = dernier_ = std::chrono::steady_clock::now();
    if (active_) ligne_active = this;
}

Ligne::~Ligne() {
    effacer();
    if (ligne_active == this) ligne_active = nullptr;
}

void Ligne::montrer(double part, std::optional<std::uint64_t> trouvees) {
    if (!active_) return;
    const auto maintenant = std::chrono::steady_clock::now();
    const double ecoule = std::chrono::duration<double>(maintenant - debut_).count();
    if (ecoule < 1.0 || std::chrono::duration<double>(maintenant - dernier_).count() < 0.25) return;
    dernier_ = maintenant;
    const int colonnes = colonnes_erreurs();
    std::string texte(1, '\r');
    texte.append(ligne_avancement(part, ecoule, trouvees, colonnes > 0 ? colonnes : 80)).append("\x1b[K");
    ecrire_erreurs(texte);
    affichee_ = true;
}

void Ligne::effacer() {
    if (affichee_) ecrire_erreurs("\r\x1b[K");
    affichee_ = false;
}

[[noreturn]] void finir_par_signal() {
    vider_sortie();  // every whole line already made
    if (ligne_active != nullptr) ligne_active->effacer();
    ecrire_erreurs(_("taverlune: calculation interrupted\n"));
    const int s = signal_recu;
    std::signal(s, SIG_DFL);
    std::raise(s);
    std::_Exit(128 + s);
}

namespace {

// The figures of one N, in the form the command asks for. Returns the exit
// status it calls for (0, or 3 when the double check differs).
int un_nombre(const Commande& c, std::int64_t n, bool prefixe, Ligne& ligne) {
    const std::int64_t cible = c.cible.value_or(n);
    const Probleme p = probleme_de(n, cible);
    Reglages r;
    r.fils = c.fils;
    Rappels rappels;
    rappels.progres = [&](double part, std::optional<std::uint64_t> trouvees) {
        ligne.montrer(part, trouvees);
        return !arret_demande();
    };
    rappels.lenteur = [&](const Lenteur& l) {
        ligne.effacer();
        avertir_lenteur(l);
    };
    const std::string tete = prefixe ? std::to_string(n) + " " : "";
    const Issue rapide = issue_rapide(p);
    if (c.quoi == Commande::Quoi::liste) {
        struct VersLaSortie : Puits {
            void ecrire(std::string_view texte) override { ::ecrire(texte); }
            void vider() override { vider_sortie(); }
        } sortie;
        lister(p, sortie, Forme{"", " ", "\n", sortie_est_un_terminal()}, r, rappels);
        if (arret_demande()) finir_par_signal();
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
        if (!res.complet || arret_demande()) finir_par_signal();
        par_termes = res.par_termes;
        total = res.total;
        if (c.double_verification) {
            const Compte autre = compter_autrement(p, r, rappels, mesure);
            if (arret_demande()) finir_par_signal();
            if (!(autre == total)) {
                ligne.effacer();
                ecrire_ligne_erreur(remplir(_("the double check of %s failed: %s by one method, %s by the other"),
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

Compte compter_autrement(const Probleme& p, const Reglages& r, const Rappels& rappels, Mesure mesure) {
    // The total by the table over the sums alone when the first count gave a
    // distribution; else the distribution by the other methods, summed.
    Reglages autre = r;
    if (mesure == Mesure::distribution) {
        autre.par_table = autre.par_structure = autre.par_restes = false;
        autre.par_sommes = true;
        return compter(p, autre, rappels, Mesure::total).total;
    }
    autre.par_sommes = false;
    return compter(p, autre, rappels, Mesure::distribution).total;
}

int ligne_de_commande(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const LectureCommande lecture = lire_commande(arguments);
    if (!lecture.commande) {
        ecrire_ligne_erreur(remplir(_("%s (try 'taverlune --help')"), {lecture.erreur}));
        return 2;
    }
    const Commande& c = *lecture.commande;
    if (c.quoi == Commande::Quoi::aide || c.quoi == Commande::Quoi::version) {
        ecrire(c.quoi == Commande::Quoi::aide ? std::string_view(_(aide)) : "taverlune " TAVERLUNE_VERSION "\n");
        vider_sortie();
        return 0;
    }
    // Ctrl-C and SIGTERM stop the work where every line printed is whole; a
    // signal ignored when the program started (nohup) stays ignored.
    for (const int s : {SIGINT, SIGTERM}) {
        struct sigaction ancienne {};
        if (::sigaction(s, nullptr, &ancienne) == 0 && ancienne.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = noter_signal;
        sigemptyset(&action.sa_mask);
        ::sigaction(s, &action, nullptr);
    }
    const auto debut = std::chrono::steady_clock::now();
    int statut = 0;
    try {
        if (c.quoi == Commande::Quoi::table) {
            statut = table(c);
        } else {
            Ligne ligne(c.etat);
            for (const std::int64_t n : c.nombres) {
                statut = std::max(statut, un_nombre(c, n, c.nombres.size() > 1, ligne));
                if (arret_demande()) finir_par_signal();
            }
        }
    } catch (const std::bad_alloc&) {
        vider_sortie();
        ecrire_erreurs(_("taverlune: out of memory: the calculation cannot go on\n"));
        return 1;
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
