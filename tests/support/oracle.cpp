// The program's texts, the oracles and the calculation in this process (see oracle.h).
#include "support/oracle.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <numeric>

#include <stdexcept>

#include "console/console.h"
#include "dialogue/dialogue.h"
#include "engine/factorisation.h"
#include "search/search.h"

using namespace taverlune;

namespace essai {

namespace {

/// The presentation, one piece a line, in order.
constexpr std::array<std::string_view, 17> kPresentation = {
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

}  // namespace

std::string decimal(u128 v) {
    std::string chiffres;
    for (; chiffres.empty() || v != 0; v /= 10) chiffres.insert(chiffres.begin(), static_cast<char>('0' + v % 10));
    return chiffres;
}

// The questions: 22, 71, 100, 47 and 45 characters.
const std::string kN = "\n \n \n \t Valeur de N ? ",
                  kToutes = "\n \n \t Voulez-vous afficher toutes les solutions  ?  Oui[1] / Non [0] : ",
                  kAutre = "\n \n \t Voulez-vous trouver les solutions pour une somme  S   differente de  N  ?  "
                           "Oui[1] / Non [0] : ",
                  kS = "\n \n \t Quelle est la valeur de cette somme  S ? ",
                  kNouveau = " \n \n \t Nouveau calcul , Oui[1] / Non[0] ? :  ";

std::string presentation() {
    std::string r;
    for (const std::string_view piece : kPresentation) r += piece;
    return r;
}

std::string repete(const std::string& texte, std::size_t fois) {
    std::string r;
    while (fois-- > 0) r += texte;
    return r;
}

std::string bilan(const std::string& ns, const std::string& cible) {
    return "\n \n \t Il y a  " + ns + " sommes egales a  " + cible +
           (ns != "0" ? " \n \n \t  Elles se repartissent comme suit : \n " : "");
}

std::string repartition(const std::string& nombre, std::size_t termes) {
    return " \n \t  " + nombre + "   sommes  de  " + std::to_string(termes) + "   termes.";
}

std::vector<Integer> propres(Integer n) {
    if (n < 1) return {1};
    std::vector<Integer> d = {1};
    if (n < 1000000) {
        for (Integer m = 2; m <= n; ++m)
            if (n % m == 0) d.push_back(m);
    } else {  // every product of the prime powers (the factoriser is tested against trial division)
        const std::vector<std::uint64_t> f = facteurs_premiers(static_cast<std::uint64_t>(n));
        for (std::size_t x = 0, avant = 1; x < f.size(); ++x) {
            if (x == 0 || f[x] != f[x - 1]) avant = d.size();
            for (std::size_t y = d.size() - avant, fin = d.size(); y < fin; ++y) d.push_back(d[y] * static_cast<Integer>(f[x]));
        }
        std::sort(d.begin(), d.end());
    }
    d.pop_back();  // n itself
    return d;
}

std::uint64_t Sommes::total() const { return std::accumulate(par_termes.begin(), par_termes.end(), std::uint64_t{0}); }

Sommes sommes_de(const std::vector<Integer>& termes, Integer cible, bool lister) {
    const std::size_t n = termes.size();
    Sommes r;
    r.par_termes.assign(n + 1, 0);
    if (n <= 24) {  // every subset, in Gray code order: one term in or out at each step
        Somme somme = 0;
        for (std::uint32_t pas = 1, gris = 0;; ++pas) {
            if (somme == cible && gris != 0) {
                ++r.par_termes[static_cast<std::size_t>(__builtin_popcount(gris))];
                if (lister) r.liste.emplace_back();
                for (std::size_t m = 0; lister && m < n; ++m)
                    if (gris >> m & 1U) r.liste.back().push_back(termes[m]);
            }
            if (pas == (std::uint32_t{1} << n)) break;
            const int bit = __builtin_ctz(pas);
            gris ^= std::uint32_t{1} << bit;
            somme += (gris >> bit & 1U) ? termes[bit] : -Somme{termes[bit]};
        }
        std::sort(r.liste.begin(), r.liste.end());
        return r;
    }
    if (lister || cible > (Integer{1} << 22)) std::abort();  // beyond what this oracle is for
    const auto largeur = static_cast<std::size_t>(cible) + 1;  // counts by sum and terms: [m][s]
    std::vector<std::uint64_t> compte((n + 1) * largeur, 0);
    compte[0] = 1;
    for (std::size_t x = 0; x < n; ++x) {
        const auto t = static_cast<std::size_t>(termes[x]);
        for (std::size_t m = x + 1; t < largeur && m-- > 0;)
            for (std::size_t s = largeur - t; s-- > 0;) compte[(m + 1) * largeur + s + t] += compte[m * largeur + s];
    }
    for (std::size_t m = 1; m <= n; ++m) r.par_termes[m] = compte[m * largeur + largeur - 1];
    return r;
}

std::string calcul_attendu(Integer n, std::vector<Integer> d, bool toutes, std::optional<Integer> choisie) {
    const Integer cible = choisie.value_or(n);
    if (choisie) std::erase_if(d, [cible](Integer x) { return x > cible; });
    Somme somme = 0;
    std::string t = "\n \n \t Le nombre  " + std::to_string(n) + " a  " +
                    std::to_string(d.size() + (cible >= n ? 1 : 0)) + "  diviseurs inferieurs ou egaux a  " +
                    std::to_string(cible) + "\n \n \t Ce sont :  ";
    for (Integer x : d) t += std::to_string(x) + " , ", somme += x;
    if (cible >= n) t += std::to_string(n) + ".";
    t += "\n \n \t  Leur somme (a l'exeption de lui meme) est :   " + decimal(somme);
    if (somme < cible)
        return t + "\n \n \t  Il n'y a aucune solution. \n \n \t  la somme devrait-etre inferieure ou egale a :  " +
               decimal(somme);
    if (cible >= 1 && somme == cible)
        return t + " \n \n \t  La somme de tous les diviseurs propres de N inferieurs " + (choisie ? " ou egaux " : "") +
               " a  " + std::to_string(cible) + "  convient. \n ";
    if (toutes) t += " \n \n \t Les sommes recherchees ont pour termes : \n ";
    const Sommes s = sommes_de(d, cible, toutes);  // up to 24 terms when the target is below 1
    for (const std::vector<Integer>& solution : s.liste) {
        t += " \n  \t  ";
        for (std::size_t k = 0; k < solution.size(); ++k) t += (k == 0 ? "" : " || ") + std::to_string(solution[k]);
        t += " \n  \t  ";
    }
    t += bilan(std::to_string(s.total()), std::to_string(cible));
    for (std::size_t m = 1; m < s.par_termes.size(); ++m)
        if (s.par_termes[m] != 0) t += repartition(std::to_string(s.par_termes[m]), m);
    return t;
}

Echange echange(Integer n, bool toutes, std::optional<Integer> s, const std::string& tape_n, const std::string& tape_s) {
    return {(tape_n.empty() ? std::to_string(n) : tape_n) + (toutes ? " 1" : " 0") +
                (s ? " 1 " + (tape_s.empty() ? std::to_string(*s) : tape_s) + "\n" : " 0\n"),
            kToutes + kAutre + (s ? kS : "") + calcul_attendu(n, propres(n), toutes, s) + kNouveau};
}

Echange session(const std::vector<Echange>& calculs) {
    Echange r{"", presentation()};
    for (std::size_t c = 0; c < calculs.size(); ++c) {
        r.reponses += (c == 0 ? "" : "1\n") + calculs[c].reponses;
        r.sortie += kN + calculs[c].sortie;
    }
    r.reponses += "0\n";
    return r;
}

namespace {

std::string capture;

// Puts the fast engine back as the search, whatever happens.
struct RetourAuMoteur {
    ~RetourAuMoteur() {
        recherche_choisie = [] { recherche_rapide(); };
        brancher_console(branchements_du_processus());
    }
};

}  // namespace

std::string calculer(Integer n, Integer cible, bool choisie, bool lister, std::function<void()> recherche) {
    const RetourAuMoteur garde;
    demarrer();
    Branchements b = branchements_du_processus();
    b.lire = [](char*, std::size_t) -> long { return 0; };
    b.entree_est_fichier = [] { return false; };
    b.ecrire = [](const char* octets, std::size_t taille) { return capture.append(octets, taille), true; };
    b.quitter = [] { throw std::runtime_error("the program ended"); };
    b.est_terminal = [](int) { return false; };
    brancher_console(b);
    capture.clear();
    N = S = S1 = n;
    Sol = lister ? 1 : 0;
    Sdif = choisie ? 1 : 0;
    SN = cible;
    recherche_choisie = recherche ? std::move(recherche) : [] { recherche_rapide(); };
    etapes();
    vider_sortie();
    return capture;
}

std::string ecart_au_parcours(Integer n, Integer cible, bool choisie, bool lister) {
    const std::string attendu = calculer(n, cible, choisie, lister, parcours);
    // The engine's own choices, then each method alone: the table, the split
    // along a prime factor, remembered remainders, the counts at values of
    // the number of terms, the listing with and without its table of sums;
    // last the listing without AVX.
    const auto seul = [](bool table, bool structure, bool restes, bool sommes, bool points = false) {
        Reglages r;
        r.par_table = table, r.par_decoupe = structure, r.par_restes_retenus = restes, r.aux_points = points;
        if (!sommes) r.octets_sommes_max = 0;
        return r;
    };
    Reglages portable;
    portable.noyau_portable = true;
    const Reglages reglages[] = {{},
                                 seul(true, false, false, false),
                                 seul(false, true, false, false),
                                 seul(false, false, true, true),
                                 seul(false, false, false, true, true),
                                 seul(false, false, false, true),
                                 seul(false, false, false, false),
                                 portable};
    for (const Reglages& r : reglages) {
        if (r.noyau_portable && !lister) continue;
        if (calculer(n, cible, choisie, lister, [&r] { recherche_rapide(r); }) != attendu)
            return "N = " + std::to_string(n) + ", target " + std::to_string(cible) + (lister ? ", listed" : ", counted") +
                   ": method " + std::to_string(&r - reglages) + " differs";
    }
    return "";
}

}  // namespace essai
