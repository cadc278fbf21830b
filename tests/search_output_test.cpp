// Whole calculations through a pipe: the divisor listing, the quick outcomes,
// the solutions and the report, compared byte for byte with texts composed
// here from the dialogue's own wording; then the counts of larger searches,
// checked against independent enumerations and against the plain walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/process.h"

namespace {

__extension__ typedef __int128 Grand;  // exact sums of divisors below 2^63

// ---- The dialogue's texts ----------------------------------------------------

constexpr std::string_view presentation[] = {
    " \n   POUR MODIFIER LA TAILLE DU TEXTE ET DE LA FENETRE : [TOUCHE CTRL] + [MOLETTE DE LA SOURIS]. ",
    " \n \n \t  *****     TAVERLUNE     (Version B)     ***** ",
    " \n \n \n \t  Etant donne un entier N. ",
    " \n \t  Ce programme permet de trouver toutes les sommes de ses diviseurs (excepte N) egales a N ou a un autre nombre entier choisi. ",
    " \n \n \t  Remarques sur les possibilites et limites du programme : ",
    " \n \n \t  Les nombres sont limites a : (2^63 -1) = 9 223 372 036 854 775 807 ~ 9x10^18. ",
    " \n \n \t  Pour trouver tous les diviseurs de N, le programme utilise sa decomposition en facteurs premiers. ",
    " \n \t  Pour des nombres allants jusqu'a 14 ou 15 chiffres, cette decomposition est rapide. Au-dela, cela depend de la grandeur des facteurs premiers. ",
    " \n \n \t  Une fois les diviseurs trouves, si leur effectif est D, le programme aura 2^D cas a examiner. ",
    " \n \t  Pour D = 30, il faut environ une minute a cette version B, pour compter toutes les solutions (avec N = 720 par exemple). ",
    " \n \n \t  Le temps de calcul est multiplie environ par 2 chaque fois que le nombre de diviseurs augmente de 1. ",
    " \n \t  Le programme est donc limite par ce temps de calcul. ",
    " \n \t  Ce dernier depend de la puissance de l'ordinateur et du nombre d'operations a executer pour arriver au resultat. ",
    " \n \n \t  Cette version B, a l'inverse de la version A, n'est pas 'theoriquement' limitee a 61 diviseurs pour la recherche des sommes. ",
    " \n \t  Un ordinateur suffisamment rapide permettrait d'exploiter cette possibilite. ",
    " \n \n \t  Le programme detecte rapidement certains cas d'impossibilite ou encore les nombres parfaits. ",
    " \n \t  Ceci meme avec des nombres de diviseurs tres importants. ",
};

constexpr char question_n[] = "\n \n \n \t Valeur de N ? ";
constexpr char question_sol[] =
    "\n \n \t Voulez-vous afficher toutes les solutions  ?  Oui[1] / Non [0] : ";
constexpr char question_sdif[] =
    "\n \n \t Voulez-vous trouver les solutions pour une somme  S   differente de  N  ?  Oui[1] / Non [0] : ";
constexpr char question_s[] = "\n \n \t Quelle est la valeur de cette somme  S ? ";
constexpr char question_nouveau[] = " \n \n \t Nouveau calcul , Oui[1] / Non[0] ? :  ";
static_assert(sizeof question_n - 1 == 22);
static_assert(sizeof question_sol - 1 == 71);
static_assert(sizeof question_sdif - 1 == 100);
static_assert(sizeof question_s - 1 == 47);
static_assert(sizeof question_nouveau - 1 == 45);

std::string texte_presentation() {
    std::string s;
    for (std::string_view piece : presentation) s += piece;
    return s;
}

// ---- Numbers as printed --------------------------------------------------------

std::string decimal(Grand v) {
    if (v == 0) return "0";
    const bool negatif = v < 0;
    std::string s;
    while (v != 0) {
        const int chiffre = static_cast<int>(v % 10);
        s += static_cast<char>('0' + (chiffre < 0 ? -chiffre : chiffre));
        v /= 10;
    }
    if (negatif) s += '-';
    std::reverse(s.begin(), s.end());
    return s;
}

/// A number as the program prints it: from a literal, or from an exact value.
struct Nombre {
    std::string texte;
    template <std::integral T>
    Nombre(T v) : texte(decimal(v)) {}
    Nombre(const char* t) : texte(t) {}
    Nombre(std::string t) : texte(std::move(t)) {}
};

Nombre grand(Grand v) { return Nombre(decimal(v)); }

// ---- One calculation, and the output it must print ----------------------------

enum class Issue { aucune_solution, tous_les_diviseurs, recherche };

struct Calcul {
    const char* nom = "";
    Nombre n = 0;                    ///< N as printed
    Nombre cible = 0;                ///< the target as printed
    bool sdif = false;               ///< a target S was chosen
    bool sol = true;                 ///< every solution is printed
    long long compte = 0;            ///< the count shown in the header
    std::vector<Nombre> liste{};     ///< the divisors listed, N apart
    bool avec_n = false;             ///< N closes the list (target at least N)
    Nombre somme = 0;                ///< the sum line
    Issue issue = Issue::recherche;
    std::vector<std::vector<Nombre>> solutions{};  ///< ascending terms, in order
    Nombre ns = 0;
    std::vector<std::pair<long long, Nombre>> repartition{};  ///< terms, count
    std::string tape_n{};            ///< the answer typed for N, when not n
    std::string tape_s{};            ///< the answer typed for S, when not cible
};

std::string reponses(const Calcul& c) {
    std::string r = (c.tape_n.empty() ? c.n.texte : c.tape_n) + (c.sol ? " 1" : " 0");
    if (!c.sdif) return r + " 0";
    return r + " 1 " + (c.tape_s.empty() ? c.cible.texte : c.tape_s);
}

std::string questions(const Calcul& c) {
    std::string q = std::string(question_n) + question_sol + question_sdif;
    if (c.sdif) q += question_s;
    return q;
}

/// Everything the calculation prints after its last question.
std::string sortie_du_calcul(const Calcul& c) {
    std::string s = "\n \n \t Le nombre  " + c.n.texte + " a  " + decimal(c.compte) +
                    "  diviseurs inferieurs ou egaux a  " + c.cible.texte;
    s += "\n \n \t Ce sont :";
    s += "  ";
    for (const Nombre& d : c.liste) s += d.texte + " , ";
    if (c.avec_n) s += c.n.texte + ".";
    s += "\n \n \t  Leur somme (a l'exeption de lui meme) est :   " + c.somme.texte;
    switch (c.issue) {
    case Issue::aucune_solution:
        return s + "\n \n \t  Il n'y a aucune solution. \n \n \t  la somme devrait-etre "
                   "inferieure ou egale a :  " + c.somme.texte;
    case Issue::tous_les_diviseurs:
        s += " \n \n \t  La somme de tous les diviseurs propres de N inferieurs ";
        if (c.sdif) s += " ou egaux ";
        return s + " a  " + c.cible.texte + "  convient. \n ";
    case Issue::recherche:
        break;
    }
    if (c.sol) {
        s += " \n \n \t Les sommes recherchees ont pour termes : \n ";
        for (const auto& termes : c.solutions) {
            s += " \n  \t  ";
            for (std::size_t m = 0; m < termes.size(); ++m)
                s += (m == 0 ? "" : " || ") + termes[m].texte;
            s += " \n  \t  ";
        }
    }
    s += "\n \n \t Il y a  " + c.ns.texte + " sommes egales a  " + c.cible.texte;
    if (c.ns.texte != "0") s += " \n \n \t  Elles se repartissent comme suit : \n ";
    for (const auto& [termes, nombre] : c.repartition)
        s += " \n \t  " + nombre.texte + "   sommes  de  " + decimal(termes) + "   termes.";
    return s;
}

/// The whole output of a session made of these calculations, the last one
/// answered 0 at the new-calculation question.
std::string session_attendue(const std::vector<Calcul>& calculs) {
    std::string s = texte_presentation();
    for (const Calcul& c : calculs) s += questions(c) + sortie_du_calcul(c) + question_nouveau;
    return s;
}

std::string reponses_session(const std::vector<Calcul>& calculs) {
    std::string r;
    for (std::size_t m = 0; m < calculs.size(); ++m)
        r += reponses(calculs[m]) + (m + 1 < calculs.size() ? " 1\n" : " 0\n");
    return r;
}

void verifier_session(const std::vector<Calcul>& calculs) {
    const essai::Execution e = essai::lancer(essai::programme_taverlune(), reponses_session(calculs));
    EXPECT_EQ(e.statut, 1);
    EXPECT_FALSE(e.delai_depasse);
    EXPECT_EQ(e.sortie, session_attendue(calculs));
}

// ---- Independent arithmetic for the large cases ------------------------------

bool premier(std::int64_t p) {
    if (p < 2) return false;
    for (std::int64_t d = 2; d <= p / d; ++d)
        if (p % d == 0) return false;
    return true;
}

/// Every divisor of the product of these prime powers, ascending.
std::vector<std::int64_t> diviseurs(const std::vector<std::pair<std::int64_t, int>>& facteurs) {
    std::vector<std::int64_t> d = {1};
    for (const auto& [p, e] : facteurs) {
        const std::size_t avant = d.size();
        std::int64_t puissance = 1;
        for (int m = 1; m <= e; ++m) {
            puissance *= p;
            for (std::size_t x = 0; x < avant; ++x) d.push_back(d[x] * puissance);
        }
    }
    std::sort(d.begin(), d.end());
    return d;
}

/// Every subset of `d` (at most about 24 elements) whose sum is `cible`, as
/// ascending term lists in lexicographic order: a plain scan of all subsets.
std::vector<std::vector<std::int64_t>> sous_ensembles(const std::vector<std::int64_t>& d,
                                                      Grand cible) {
    std::vector<std::vector<std::int64_t>> trouves;
    const std::uint64_t total = std::uint64_t{1} << d.size();
    Grand somme = 0;
    std::uint64_t gris = 0;  // Gray code: one element in or out per step
    for (std::uint64_t pas = 0; pas < total; ++pas) {
        if (pas != 0) {
            const int bit = __builtin_ctzll(pas);
            gris ^= std::uint64_t{1} << bit;
            somme += (gris >> bit & 1) ? d[bit] : -Grand{d[bit]};
        }
        if (somme != cible) continue;
        std::vector<std::int64_t> termes;
        for (std::size_t m = 0; m < d.size(); ++m)
            if (gris >> m & 1) termes.push_back(d[m]);
        trouves.push_back(termes);
    }
    std::sort(trouves.begin(), trouves.end());
    return trouves;
}

/// The rows of a large calculation built from exact values.
Calcul calcul_exact(const char* nom, std::int64_t n, std::int64_t cible, bool sdif, bool sol,
                    const std::vector<std::int64_t>& propres) {
    Calcul c{.nom = nom, .n = n, .cible = cible, .sdif = sdif, .sol = sol};
    std::vector<std::int64_t> termes_possibles;  // the divisors that take part
    Grand somme = 0;
    for (std::int64_t d : propres) {
        if (sdif && d > cible) break;
        termes_possibles.push_back(d);
        c.liste.push_back(d);
        somme += d;
    }
    c.avec_n = cible >= n;
    c.compte = static_cast<long long>(termes_possibles.size()) + (c.avec_n ? 1 : 0);
    c.somme = grand(somme);
    if (somme < cible) {
        c.issue = Issue::aucune_solution;
        return c;
    }
    if (somme == cible) {
        c.issue = Issue::tous_les_diviseurs;
        return c;
    }
    std::vector<long long> par_termes(termes_possibles.size() + 1, 0);
    for (const auto& s : sous_ensembles(termes_possibles, cible)) {
        if (sol) c.solutions.emplace_back(s.begin(), s.end());
        ++par_termes[s.size()];
    }
    long long total = 0;
    for (std::size_t m = 1; m < par_termes.size(); ++m) {
        if (par_termes[m] != 0) c.repartition.emplace_back(m, par_termes[m]);
        total += par_termes[m];
    }
    c.ns = total;
    return c;
}

// ---- Reading the report back ------------------------------------------------

struct Rapport {
    bool present = false;
    std::string ns;
    std::string cible;
    std::vector<std::pair<long long, unsigned long long>> lignes;  ///< terms, count
};

std::string chiffres_depuis(const std::string& s, std::size_t& pos) {
    std::size_t fin = pos;
    while (fin < s.size() && ((s[fin] >= '0' && s[fin] <= '9') || s[fin] == '-')) ++fin;
    std::string r = s.substr(pos, fin - pos);
    pos = fin;
    return r;
}

/// The report of the first calculation found in `s` (its count, target and
/// distribution lines); `present` is false when the calculation has none.
Rapport lire_rapport(const std::string& s) {
    Rapport r;
    const std::string debut = "\n \n \t Il y a  ";
    std::size_t pos = s.find(debut);
    if (pos == std::string::npos) return r;
    r.present = true;
    pos += debut.size();
    r.ns = chiffres_depuis(s, pos);
    const std::string milieu = " sommes egales a  ";
    if (s.compare(pos, milieu.size(), milieu) != 0) return r;
    pos += milieu.size();
    r.cible = chiffres_depuis(s, pos);
    const std::string entete = " \n \n \t  Elles se repartissent comme suit : \n ";
    if (s.compare(pos, entete.size(), entete) != 0) return r;
    pos += entete.size();
    const std::string ligne = " \n \t  ";
    const std::string sommes_de = "   sommes  de  ";
    const std::string fin_de_ligne = "   termes.";
    for (std::size_t p = pos; s.compare(p, ligne.size(), ligne) == 0;) {
        p += ligne.size();
        const std::string nombre = chiffres_depuis(s, p);
        if (nombre.empty() || s.compare(p, sommes_de.size(), sommes_de) != 0) break;
        p += sommes_de.size();
        const std::string termes = chiffres_depuis(s, p);
        if (termes.empty() || s.compare(p, fin_de_ligne.size(), fin_de_ligne) != 0) break;
        p += fin_de_ligne.size();
        r.lignes.emplace_back(std::stoll(termes), std::stoull(nombre));
    }
    return r;
}

// ---- The cases ----------------------------------------------------------------

const std::vector<Calcul> calculs_courts = {
    {.nom = "N12", .n = 12, .cible = 12, .compte = 6, .liste = {1, 2, 3, 4, 6}, .avec_n = true,
     .somme = 16, .solutions = {{1, 2, 3, 6}, {2, 4, 6}}, .ns = 2,
     .repartition = {{3, 1}, {4, 1}}},
    {.nom = "N12NotPrinted", .n = 12, .cible = 12, .sol = false, .compte = 6,
     .liste = {1, 2, 3, 4, 6}, .avec_n = true, .somme = 16, .ns = 2,
     .repartition = {{3, 1}, {4, 1}}},
    {.nom = "N12S10", .n = 12, .cible = 10, .sdif = true, .compte = 5, .liste = {1, 2, 3, 4, 6},
     .somme = 16, .solutions = {{1, 2, 3, 4}, {1, 3, 6}, {4, 6}}, .ns = 3,
     .repartition = {{2, 1}, {3, 1}, {4, 1}}},
    {.nom = "N12S6", .n = 12, .cible = 6, .sdif = true, .compte = 5, .liste = {1, 2, 3, 4, 6},
     .somme = 16, .solutions = {{1, 2, 3}, {2, 4}, {6}}, .ns = 3,
     .repartition = {{1, 1}, {2, 1}, {3, 1}}},
    {.nom = "N12S16", .n = 12, .cible = 16, .sdif = true, .compte = 6, .liste = {1, 2, 3, 4, 6},
     .avec_n = true, .somme = 16, .issue = Issue::tous_les_diviseurs},
    {.nom = "N12S20", .n = 12, .cible = 20, .sdif = true, .compte = 6, .liste = {1, 2, 3, 4, 6},
     .avec_n = true, .somme = 16, .issue = Issue::aucune_solution},
    {.nom = "N12S1", .n = 12, .cible = 1, .sdif = true, .compte = 1, .liste = {1}, .somme = 1,
     .issue = Issue::tous_les_diviseurs},
    {.nom = "N12S7", .n = 12, .cible = 7, .sdif = true, .compte = 5, .liste = {1, 2, 3, 4, 6},
     .somme = 16, .solutions = {{1, 2, 4}, {1, 6}, {3, 4}}, .ns = 3,
     .repartition = {{2, 2}, {3, 1}}},
    {.nom = "N12S15", .n = 12, .cible = 15, .sdif = true, .compte = 6, .liste = {1, 2, 3, 4, 6},
     .avec_n = true, .somme = 16, .solutions = {{2, 3, 4, 6}}, .ns = 1,
     .repartition = {{4, 1}}},
    {.nom = "N24", .n = 24, .cible = 24, .compte = 8, .liste = {1, 2, 3, 4, 6, 8, 12},
     .avec_n = true, .somme = 36,
     .solutions = {{1, 2, 3, 4, 6, 8}, {1, 2, 3, 6, 12}, {1, 3, 8, 12}, {2, 4, 6, 12}, {4, 8, 12}},
     .ns = 5, .repartition = {{3, 1}, {4, 2}, {5, 1}, {6, 1}}},
    {.nom = "N20", .n = 20, .cible = 20, .compte = 6, .liste = {1, 2, 4, 5, 10}, .avec_n = true,
     .somme = 22, .solutions = {{1, 4, 5, 10}}, .ns = 1, .repartition = {{4, 1}}},
    {.nom = "N70", .n = 70, .cible = 70, .compte = 8, .liste = {1, 2, 5, 7, 10, 14, 35},
     .avec_n = true, .somme = 74, .ns = 0},
    {.nom = "N70NotPrinted", .n = 70, .cible = 70, .sol = false, .compte = 8,
     .liste = {1, 2, 5, 7, 10, 14, 35}, .avec_n = true, .somme = 74, .ns = 0},
    {.nom = "N4S2", .n = 4, .cible = 2, .sdif = true, .compte = 2, .liste = {1, 2}, .somme = 3,
     .solutions = {{2}}, .ns = 1, .repartition = {{1, 1}}},
    {.nom = "Perfect6", .n = 6, .cible = 6, .compte = 4, .liste = {1, 2, 3}, .avec_n = true,
     .somme = 6, .issue = Issue::tous_les_diviseurs},
    {.nom = "Perfect28", .n = 28, .cible = 28, .compte = 6, .liste = {1, 2, 4, 7, 14},
     .avec_n = true, .somme = 28, .issue = Issue::tous_les_diviseurs},
    {.nom = "Prime13", .n = 13, .cible = 13, .compte = 2, .liste = {1}, .avec_n = true,
     .somme = 1, .issue = Issue::aucune_solution},
    {.nom = "Prime13S5", .n = 13, .cible = 5, .sdif = true, .compte = 1, .liste = {1},
     .somme = 1, .issue = Issue::aucune_solution},
    {.nom = "N1", .n = 1, .cible = 1, .compte = 1, .avec_n = true, .somme = 0,
     .issue = Issue::aucune_solution},
    {.nom = "N10S9", .n = 10, .cible = 9, .sdif = true, .compte = 3, .liste = {1, 2, 5},
     .somme = 8, .issue = Issue::aucune_solution},
    // 2^63 is read as -2^63: one factor, the divisor 1, and a target below 1.
    {.nom = "WrappedN", .n = "-9223372036854775808", .cible = "-9223372036854775808",
     .compte = 2, .liste = {1}, .avec_n = true, .somme = 1, .ns = 0,
     .tape_n = "9223372036854775808"},
    // 2^64 - 1 is read as -1: every divisor is cut.
    {.nom = "WrappedS", .n = 12, .cible = -1, .sdif = true, .compte = 0, .somme = 0, .ns = 0,
     .tape_s = "18446744073709551615"},
};

class OneCalculation : public testing::TestWithParam<Calcul> {};

TEST_P(OneCalculation, PrintsExactOutput) { verifier_session({GetParam()}); }

INSTANTIATE_TEST_SUITE_P(Cases, OneCalculation, testing::ValuesIn(calculs_courts),
                         [](const testing::TestParamInfo<Calcul>& info) {
                             return std::string(info.param.nom);
                         });

TEST(WholeSession, TwelveFromPresentationToExit) {
    const essai::Execution e = essai::lancer(essai::programme_taverlune(), "12\n1\n0\n0\n");
    EXPECT_EQ(e.statut, 1);
    EXPECT_EQ(e.sortie,
              texte_presentation() + question_n + question_sol + question_sdif +
                  "\n \n \t Le nombre  12 a  6  diviseurs inferieurs ou egaux a  12"
                  "\n \n \t Ce sont :  1 , 2 , 3 , 4 , 6 , 12."
                  "\n \n \t  Leur somme (a l'exeption de lui meme) est :   16"
                  " \n \n \t Les sommes recherchees ont pour termes : \n "
                  " \n  \t  1 || 2 || 3 || 6 \n  \t  "
                  " \n  \t  2 || 4 || 6 \n  \t  "
                  "\n \n \t Il y a  2 sommes egales a  12"
                  " \n \n \t  Elles se repartissent comme suit : \n "
                  " \n \t  1   sommes  de  3   termes."
                  " \n \t  1   sommes  de  4   termes." +
                  question_nouveau);
}

TEST(WholeSession, CalculationsAfterQuickOutcomesMatchAFreshStart) {
    // Each quick outcome leaves the working lists long; N = 12 must not notice.
    const Calcul douze = calculs_courts[0];
    for (const char* avant : {"Perfect6", "N12S16", "N12S20", "N1", "N10S9", "Prime13"}) {
        SCOPED_TRACE(avant);
        const auto c = std::find_if(calculs_courts.begin(), calculs_courts.end(),
                                    [&](const Calcul& x) { return std::string(x.nom) == avant; });
        ASSERT_NE(c, calculs_courts.end());
        verifier_session({*c, douze, douze});
    }
    // 720 cut down to the target 1 leaves lists of 34 elements behind it.
    const Calcul cent_vingt_a_un = {.n = 720, .cible = 1, .sdif = true, .compte = 1, .liste = {1},
                                   .somme = 1, .issue = Issue::tous_les_diviseurs};
    verifier_session({cent_vingt_a_un, douze});

    const auto seul = essai::lancer(essai::programme_taverlune(), "12 1 0 0\n");
    const auto apres = essai::lancer(essai::programme_taverlune(), "6 1 0 1 12 1 0 0\n");
    const std::string q = question_n;
    ASSERT_NE(apres.sortie.rfind(q), std::string::npos);
    EXPECT_EQ(apres.sortie.substr(apres.sortie.rfind(q)), seul.sortie.substr(seul.sortie.rfind(q)));
}

// ---- Sums beyond 2^63 and targets of 2^62 or more ------------------------------

// 12 x 999983 x 768627403057: below 2^63, its proper divisors add up to more
// than 2^63 - 1, and 23 of them keep every search short.
constexpr std::int64_t grand_n = 9223372036693776372;
const std::vector<std::pair<std::int64_t, int>> facteurs_grand_n = {
    {2, 2}, {3, 1}, {999983, 1}, {768627403057, 1}};

std::vector<std::int64_t> diviseurs_propres(const std::vector<std::pair<std::int64_t, int>>& f) {
    std::vector<std::int64_t> d = diviseurs(f);
    d.pop_back();
    return d;
}

TEST(LargeNumbers, FactorsOfTheLargeCaseAreRight) {
    Grand produit = 1;
    for (const auto& [p, e] : facteurs_grand_n) {
        EXPECT_TRUE(premier(p)) << p;
        for (int m = 0; m < e; ++m) produit *= p;
    }
    EXPECT_EQ(produit, Grand{grand_n});
    Grand somme = 0;
    for (std::int64_t d : diviseurs_propres(facteurs_grand_n)) somme += d;
    EXPECT_GT(somme, Grand{INT64_MAX});
}

TEST(LargeNumbers, SumAbove63BitsWithTargetN) {
    const auto propres = diviseurs_propres(facteurs_grand_n);
    const Calcul c = calcul_exact("grand", grand_n, grand_n, false, true, propres);
    ASSERT_EQ(c.compte, 24);
    ASSERT_EQ(c.ns.texte, "2");  // pQ x {1, 2, 3, 6} and pQ x {2, 4, 6}
    verifier_session({c});
}

TEST(LargeNumbers, SumAbove63BitsWithATargetAboveN) {
    const auto propres = diviseurs_propres(facteurs_grand_n);
    // N + 3: the two ways of making N, each with 3 or with 1 + 2.
    const Calcul c = calcul_exact("grand+3", grand_n, grand_n + 3, true, true, propres);
    ASSERT_EQ(c.ns.texte, "4");
    verifier_session({c});
    // 2^63 - 1 (counted only) and N - 1 (listed): no subset reaches either.
    verifier_session({calcul_exact("max", grand_n, INT64_MAX, true, false, propres),
                      calcul_exact("-1", grand_n, grand_n - 1, true, true, propres)});
}

TEST(LargeNumbers, Target2Pow62AboveTheSumOf2Pow63Minus1) {
    const std::vector<std::pair<std::int64_t, int>> f = {
        {7, 2}, {73, 1}, {127, 1}, {337, 1}, {92737, 1}, {649657, 1}};
    Grand produit = 1;
    for (const auto& [p, e] : f)
        for (int m = 0; m < e; ++m) produit *= p;
    ASSERT_EQ(produit, Grand{INT64_MAX});
    const auto propres = diviseurs_propres(f);
    const Calcul c = calcul_exact("2^62", INT64_MAX, std::int64_t{1} << 62, true, true, propres);
    ASSERT_EQ(c.issue, Issue::aucune_solution);
    ASSERT_EQ(c.compte, 95);
    verifier_session({c, calcul_exact("N", INT64_MAX, INT64_MAX, false, true, propres)});
}

// ---- Counts -----------------------------------------------------------------------

TEST(Counts, ThreeHundredSixty) {
    const auto e = essai::lancer(essai::programme_taverlune(), "360 0 0 0\n");
    EXPECT_EQ(e.statut, 1);
    EXPECT_NE(e.sortie.find("\n \n \t Le nombre  360 a  24  diviseurs inferieurs ou egaux a  360"
                            "\n \n \t Ce sont :  1 , "),
              std::string::npos);
    EXPECT_EQ(e.sortie.find("Les sommes recherchees"), std::string::npos);
    const Rapport r = lire_rapport(e.sortie);
    ASSERT_TRUE(r.present);
    EXPECT_EQ(r.ns, "22208");
    EXPECT_EQ(r.cible, "360");
    ASSERT_EQ(r.lignes.size(), 17u);
    unsigned long long total = 0;
    for (std::size_t m = 0; m < r.lignes.size(); ++m) {
        EXPECT_EQ(r.lignes[m].first, static_cast<long long>(m) + 3);
        total += r.lignes[m].second;
    }
    EXPECT_EQ(total, 22208u);
}

void verifier_720(const std::string& sortie) {
    EXPECT_NE(sortie.find("\n \n \t  Leur somme (a l'exeption de lui meme) est :   1698"),
              std::string::npos);
    const Rapport r = lire_rapport(sortie);
    ASSERT_TRUE(r.present);
    EXPECT_EQ(r.ns, "676327");
    ASSERT_EQ(r.lignes.size(), 21u);  // 3 to 23 terms
    const unsigned long long debut[] = {1, 5, 31, 203, 994};
    unsigned long long total = 0;
    for (std::size_t m = 0; m < r.lignes.size(); ++m) {
        EXPECT_EQ(r.lignes[m].first, static_cast<long long>(m) + 3);
        if (m < 5) {
            EXPECT_EQ(r.lignes[m].second, debut[m]) << "terms " << m + 3;
        }
        total += r.lignes[m].second;
    }
    EXPECT_EQ(total, 676327u);
}

TEST(Counts, SevenHundredTwenty) {
    const auto e = essai::lancer(essai::programme_taverlune(), "720 0 0 0\n");
    EXPECT_EQ(e.statut, 1);
    verifier_720(e.sortie);
}

TEST(Counts, EveryNUpTo100InOneSession) {
    const std::vector<std::pair<int, int>> non_nuls = {
        {6, 1},  {12, 2}, {18, 2}, {20, 1}, {24, 5}, {28, 1}, {30, 3}, {36, 7},
        {40, 3}, {42, 2}, {48, 10}, {54, 3}, {56, 2}, {60, 34}, {66, 2}, {72, 31},
        {78, 1}, {80, 6}, {84, 25}, {88, 1}, {90, 23}, {96, 21}, {100, 2}};
    std::string r;
    for (int n = 1; n <= 100; ++n) r += std::to_string(n) + " 0 0 " + (n < 100 ? "1\n" : "0\n");
    const auto e = essai::lancer(essai::programme_taverlune(), r);
    EXPECT_EQ(e.statut, 1);
    const std::string q = question_n;
    std::vector<std::string> morceaux;
    for (std::size_t p = e.sortie.find(q); p != std::string::npos;) {
        const std::size_t suivant = e.sortie.find(q, p + q.size());
        morceaux.push_back(e.sortie.substr(p, suivant == std::string::npos ? suivant : suivant - p));
        p = suivant;
    }
    ASSERT_EQ(morceaux.size(), 100u);
    for (int n = 1; n <= 100; ++n) {
        SCOPED_TRACE("N = " + std::to_string(n));
        const std::string& m = morceaux[n - 1];
        const std::string nn = std::to_string(n);
        EXPECT_NE(m.find("\n \n \t Le nombre  " + nn + " a  "), std::string::npos);
        int attendu = 0;
        for (const auto& [valeur, nombre] : non_nuls)
            if (valeur == n) attendu = nombre;
        const Rapport rapport = lire_rapport(m);
        std::string compte;
        if (rapport.present) {
            EXPECT_EQ(rapport.cible, nn);
            compte = rapport.ns;
        } else if (m.find("  convient. \n ") != std::string::npos) {
            compte = "1";
        } else if (m.find("Il n'y a aucune solution") != std::string::npos) {
            compte = "0";
        }
        EXPECT_EQ(compte, std::to_string(attendu));
    }
}

// ---- The fast search against the plain walk -----------------------------------

TEST(ReferenceWalk, SameOutputAsTheFastSearch) {
    const std::string sessions[] = {
        "12 1 0 1 12 1 1 7 1 12 1 1 6 1 24 1 0 1 70 1 0 1 9223372036854775808 1 0 0\n",
        "360 0 0 1 4 1 1 2 1 12 1 1 18446744073709551615 0\n",
        std::to_string(grand_n) + " 1 0 1 " + std::to_string(grand_n) + " 1 1 " +
            std::to_string(grand_n + 3) + " 0\n",
    };
    for (const std::string& reponses : sessions) {
        SCOPED_TRACE(reponses);
        const auto rapide = essai::lancer(essai::programme_taverlune(), reponses);
        const auto reference = essai::lancer(essai::programme_reference(), reponses);
        EXPECT_EQ(reference.statut, 1);
        EXPECT_EQ(rapide.statut, 1);
        EXPECT_EQ(rapide.sortie, reference.sortie);
    }
}

TEST(ReferenceWalk, Counts720Slow) {
    const auto rapide = essai::lancer(essai::programme_taverlune(), "720 0 0 0\n");
    const auto reference = essai::lancer(essai::programme_reference(), "720 0 0 0\n",
                                         essai::Entree::tube, 900.0);
    ASSERT_FALSE(reference.delai_depasse);
    EXPECT_EQ(reference.statut, 1);
    verifier_720(reference.sortie);
    EXPECT_EQ(reference.sortie, rapide.sortie);
}

}  // namespace
