// libFuzzer target: the whole program, its standard input being the fuzz
// input read through a pipe, a few bytes at a time.
//
// The search is a checking one: up to 14 divisors in the
// search, the pattern walk and the fast engine (with its own table limits,
// then with its tables taken away one by one, so that each of its methods
// runs) all start from the same state and must give the same counts and
// print the same bytes; up to 20, the fast engine runs alone; beyond, the
// search is skipped (no solution is counted) so that every input stays
// quick. Everything else is the program as built.
//
// Checked for every input: the program ends through the console's quitter
// and nowhere else, never seeks its input (a pipe), prints no NUL byte,
// begins with its presentation and ends with one of its five questions (the
// new-calculation question when the input was not used up).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "dialogue/console.h"
#include "dialogue/dialogue.h"
#include "search/search.h"
#include "state/state.h"

namespace {

// ---- Texts the output is checked against ---------------------------------------

constexpr std::string_view debut_attendu =
    " \n   POUR MODIFIER LA TAILLE DU TEXTE ET DE LA FENETRE : [TOUCHE CTRL] + [MOLETTE DE LA SOURIS]. "
    " \n \n \t  *****     TAVERLUNE     (Version B)     ***** ";
constexpr std::string_view question_N = "\n \n \n \t Valeur de N ? ";
constexpr std::string_view question_sol =
    "\n \n \t Voulez-vous afficher toutes les solutions  ?  Oui[1] / Non [0] : ";
constexpr std::string_view question_sdif =
    "\n \n \t Voulez-vous trouver les solutions pour une somme  S   differente de  N  ?  "
    "Oui[1] / Non [0] : ";
constexpr std::string_view question_S = "\n \n \t Quelle est la valeur de cette somme  S ? ";
constexpr std::string_view question_nouveau = " \n \n \t Nouveau calcul , Oui[1] / Non[0] ? :  ";

// ---- Standard input: the fuzz input, as a pipe ---------------------------------

constexpr std::size_t morceau_max = 7;  // bytes handed out per read, at most

const std::uint8_t* donnees = nullptr;
std::size_t taille = 0;
std::size_t lus = 0;
bool fin_rencontree = false;  // a read has returned 0

long lire(char* tampon, std::size_t n) {
    if (lus == taille) {
        fin_rencontree = true;
        return 0;
    }
    std::size_t m = taille - lus;
    if (m > morceau_max) m = morceau_max;
    if (m > n) m = n;
    std::memcpy(tampon, donnees + lus, m);
    lus += m;
    return static_cast<long>(m);
}

bool entree_est_fichier() { return false; }

// A pipe cannot be positioned: the program must never try.
void aller_a_la_fin() { __builtin_trap(); }

// ---- Standard output -------------------------------------------------------------

constexpr std::size_t debut_garde = 4096;  // bytes kept from the start
constexpr std::size_t fin_gardee = 256;    // bytes kept from the end

std::string debut;  // the first bytes printed
std::string fin;    // the last bytes printed
std::size_t total_imprime = 0;

// Where the search stage diverts the output while it compares the engines.
std::string* detournement = nullptr;

void recevoir(std::string_view octets) {
    if (octets.find('\0') != std::string_view::npos) __builtin_trap();
    total_imprime += octets.size();
    if (debut.size() < debut_garde)
        debut.append(octets.substr(0, debut_garde - debut.size()));
    if (octets.size() >= fin_gardee) {
        fin.assign(octets.substr(octets.size() - fin_gardee));
    } else {
        fin.append(octets);
        if (fin.size() > fin_gardee) fin.erase(0, fin.size() - fin_gardee);
    }
}

bool ecrire_sortie(const char* octets, std::size_t n) {
    if (detournement != nullptr) detournement->append(octets, n);
    else recevoir(std::string_view(octets, n));
    return true;
}

// ---- The end of the program ----------------------------------------------------

struct FinDuProgramme {};
int sorties = 0;

void quitter() {
    ++sorties;
    throw FinDuProgramme{};
}

// ---- The checking search stage -------------------------------------------------

constexpr Integer diviseurs_compares = 14;  // the walk runs too, up to this
constexpr Integer diviseurs_cherches = 20;  // the fast engine runs, up to this

// What the two searches read or write.
struct Etat {
    Integer i_, j_, ndec_, ndif_, T_, T0_, K_;
    int A_;
    Somme S3_;
    Liste Term_, Term1_, Ter_;
    ListeComptes NS_;
    Compte ns_;
};

Etat prendre() {
    return {i, j, ndec, ndif, T, T0, K, A, S3, Term, Term1, Ter, NS, ns};
}

void rendre(const Etat& e) {
    i = e.i_;
    j = e.j_;
    ndec = e.ndec_;
    ndif = e.ndif_;
    T = e.T_;
    T0 = e.T0_;
    K = e.K_;
    A = e.A_;
    S3 = e.S3_;
    Term = e.Term_;
    Term1 = e.Term1_;
    Ter = e.Ter_;
    NS = e.NS_;
    ns = e.ns_;
}

// Runs one search with its output diverted into `sortie`.
template <class Recherche>
void detourner(std::string& sortie, Recherche recherche) {
    vider_sortie();  // what came before goes where it belongs
    detournement = &sortie;
    recherche();
    vider_sortie();
    detournement = nullptr;
}

// The limits of the fast engine's tables (see search.h).
struct Reglage {
    std::size_t comptage;
    std::size_t sommes;
    bool memorise;
};

Reglage reglage_en_cours() { return {octets_comptage_max, octets_sommes_max, comptage_memorise}; }

void appliquer(const Reglage& r) {
    octets_comptage_max = r.comptage;
    octets_sommes_max = r.sommes;
    comptage_memorise = r.memorise;
}

// The search the program runs, in place of the fast engine alone.
void recherche_verifiee() {
    if (ND1 > diviseurs_cherches) return;
    if (ND1 > diviseurs_compares) {
        recherche_rapide();
        return;
    }
    const Liste diviseurs(Div.begin(), Div.begin() + 1 + ND1);
    const Integer nd1 = ND1, sn = SN, sol = Sol;
    const Etat avant = prendre();

    // The walk, by which the results are defined.
    std::string sortie_parcours;
    detourner(sortie_parcours, parcours);
    const Etat attendu = prendre();
    if (ND1 != nd1 || SN != sn || Sol != sol) __builtin_trap();
    if (!std::equal(diviseurs.begin(), diviseurs.end(), Div.begin())) __builtin_trap();

    // The fast engine with its own limits, then with its tables taken away
    // one after the other, so that each of its methods meets the walk.
    static const Reglage origine = reglage_en_cours();
    const Reglage reglages[] = {
        origine,
        {std::size_t{1} << 12, origine.sommes, false},  // small counting tables only
        {0, origine.sommes, true},                       // remembered remainders
        {0, origine.sommes, false},                      // listing with the sum table
        {0, 0, false},                                   // plain listing
    };
    Etat rapide{};
    std::string sortie_rapide;
    for (const Reglage& r : reglages) {
        rendre(avant);
        appliquer(r);
        std::string sortie;
        detourner(sortie, recherche_rapide);
        appliquer(origine);
        // Same inputs left untouched, same counts, same bytes.
        if (ND1 != nd1 || SN != sn || Sol != sol) __builtin_trap();
        if (!std::equal(diviseurs.begin(), diviseurs.end(), Div.begin())) __builtin_trap();
        if (!(ns == attendu.ns_) || ndif != attendu.ndif_) __builtin_trap();
        if (NS.size() != attendu.NS_.size()) __builtin_trap();
        for (Integer m = 1; m <= ND1; ++m)
            if (!(NS[m] == attendu.NS_[m])) __builtin_trap();
        if (sortie != sortie_parcours) __builtin_trap();
        if (&r == &reglages[0]) {
            rapide = prendre();
            sortie_rapide = std::move(sortie);
        }
    }

    // The program goes on as with its own search stage.
    rendre(rapide);
    recevoir(sortie_rapide);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* octets, std::size_t n) {
    donnees = octets;
    taille = n;
    lus = 0;
    fin_rencontree = false;
    debut.clear();
    fin.clear();
    total_imprime = 0;
    detournement = nullptr;
    sorties = 0;

    Branchements b = branchements_du_processus();
    b.lire = lire;
    b.entree_est_fichier = entree_est_fichier;
    b.aller_a_la_fin = aller_a_la_fin;
    b.ecrire = ecrire_sortie;
    b.quitter = quitter;
    b.est_terminal = [](int) { return false; };
    brancher_console(b);
    recherche_choisie = recherche_verifiee;
    try {
        programme();
    } catch (const FinDuProgramme&) {
    }
    // The only way out is quitter, once.
    if (sorties != 1) __builtin_trap();

    if (!debut.starts_with(debut_attendu)) __builtin_trap();
    // Every run stops waiting on a question: at the end of input right after
    // printing it, or on the answer 0 to the last one.
    const bool question = fin.ends_with(question_N) || fin.ends_with(question_sol) ||
                          fin.ends_with(question_sdif) || fin.ends_with(question_S) ||
                          fin.ends_with(question_nouveau);
    if (!question) __builtin_trap();
    if (!fin_rencontree && !fin.ends_with(question_nouveau)) __builtin_trap();

    brancher_console(branchements_du_processus());
    return 0;
}
