// The program's texts and the oracles (see oracle.h).
#include "support/oracle.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <numeric>

#include "divisors/large_factor.h"

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

constexpr std::string_view kEnteteSolutions = " \n \n \t Les sommes recherchees ont pour termes : \n ";

std::string diviseurs(const std::string& n, std::size_t compte, const std::string& cible,
                      const std::vector<std::string>& liste, bool n_liste, const std::string& somme) {
    std::string texte = "\n \n \t Le nombre  " + n + " a  " + std::to_string(compte) +
                        "  diviseurs inferieurs ou egaux a  " + cible;
    texte += "\n \n \t Ce sont :";
    texte += "  ";
    for (const std::string& d : liste) texte += d + " , ";
    if (n_liste) texte += n + ".";
    return texte + "\n \n \t  Leur somme (a l'exeption de lui meme) est :   " + somme;
}

std::string aucune_solution(const std::string& somme) {
    return "\n \n \t  Il n'y a aucune solution. \n \n \t  la somme devrait-etre inferieure ou egale a :  " + somme;
}

std::string tous_conviennent(bool autre_cible, const std::string& cible) {
    std::string texte = " \n \n \t  La somme de tous les diviseurs propres de N inferieurs ";
    if (autre_cible) texte += " ou egaux ";
    return texte + " a  " + cible + "  convient. \n ";
}

std::string solution(const std::vector<Integer>& termes) {
    std::string texte = " \n  \t  ";
    for (std::size_t k = 0; k < termes.size(); ++k)
        texte += (k == 0 ? "" : " || ") + std::to_string(termes[k]);
    return texte + " \n  \t  ";
}

std::string decimal(Somme v) {  // v >= 0: a sum of divisors
    std::string chiffres;
    for (; chiffres.empty() || v != 0; v /= 10) chiffres.insert(chiffres.begin(), static_cast<char>('0' + v % 10));
    return chiffres;
}

}  // namespace

const std::string kN(kQuestionN), kToutes(kQuestionToutes), kAutre(kQuestionAutreS), kS(kQuestionS),
    kNouveau(kQuestionNouveau);

std::string presentation() {
    std::string texte;
    for (std::string_view piece : kPresentation) texte += piece;
    return texte;
}

std::string repete(std::string_view texte, std::size_t fois) {
    std::string r;
    r.reserve(texte.size() * fois);
    for (std::size_t k = 0; k < fois; ++k) r += texte;
    return r;
}

std::string bilan(const std::string& ns, const std::string& cible) {
    std::string texte = "\n \n \t Il y a  " + ns + " sommes egales a  " + cible;
    if (ns != "0") texte += " \n \n \t  Elles se repartissent comme suit : \n ";
    return texte;
}

std::string repartition(const std::string& nombre, std::size_t termes) {
    return " \n \t  " + nombre + "   sommes  de  " + std::to_string(termes) + "   termes.";
}

// ---- Oracles ---------------------------------------------------------------------

std::vector<Integer> propres(Integer n) {
    if (n < 1) return {1};
    std::vector<Integer> d = {1};
    if (n < 1000000) {
        for (Integer m = 2; m <= n; ++m)
            if (n % m == 0) d.push_back(m);
    } else {
        // Every product of the prime powers (facteurs_premiers is itself checked
        // against trial division).
        const std::vector<std::uint64_t> f = facteurs_premiers(static_cast<std::uint64_t>(n));
        for (std::size_t x = 0, avant = 1; x < f.size(); ++x) {
            if (x == 0 || f[x] != f[x - 1]) avant = d.size();
            const std::size_t debut = d.size() - avant;
            for (std::size_t y = debut; y < debut + avant; ++y)
                d.push_back(d[y] * static_cast<Integer>(f[x]));
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
    if (n <= 24) {
        // Gray code: one term in or out at each step.
        Somme somme = 0;
        std::uint32_t gris = 0;
        for (std::uint32_t pas = 1; pas <= (std::uint32_t{1} << n); ++pas) {
            if (somme == cible && gris != 0) {
                ++r.par_termes[static_cast<std::size_t>(__builtin_popcount(gris))];
                if (lister) {
                    std::vector<Integer> s;
                    for (std::size_t m = 0; m < n; ++m)
                        if (gris >> m & 1U) s.push_back(termes[m]);
                    r.liste.push_back(s);
                }
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
    const auto largeur = static_cast<std::size_t>(cible) + 1;
    std::vector<std::uint64_t> compte((n + 1) * largeur, 0);  // [m][s]
    compte[0] = 1;
    for (std::size_t x = 0; x < n; ++x) {
        const auto t = static_cast<std::size_t>(termes[x]);
        if (t >= largeur) continue;
        for (std::size_t m = x + 1; m-- > 0;)
            for (std::size_t s = largeur - t; s-- > 0;) compte[(m + 1) * largeur + s + t] += compte[m * largeur + s];
    }
    for (std::size_t m = 1; m <= n; ++m) r.par_termes[m] = compte[m * largeur + largeur - 1];
    return r;
}

std::string calcul_attendu(Integer n, std::vector<Integer> propres, bool toutes,
                           std::optional<Integer> choisie) {
    const Integer cible = choisie.value_or(n);
    if (choisie) std::erase_if(propres, [cible](Integer d) { return d > cible; });
    Somme somme = 0;
    std::vector<std::string> liste;
    for (Integer d : propres) {
        somme += d;
        liste.push_back(std::to_string(d));
    }
    std::string texte = diviseurs(std::to_string(n), propres.size() + (cible >= n ? 1 : 0),
                                  std::to_string(cible), liste, cible >= n, decimal(somme));
    if (somme < cible) return texte + aucune_solution(decimal(somme));
    if (cible >= 1 && somme == cible)
        return texte + tous_conviennent(choisie.has_value(), std::to_string(cible));
    if (toutes) texte += kEnteteSolutions;
    const Sommes s = sommes_de(propres, cible, toutes);  // up to 24 terms when the target is below 1
    for (const auto& sol : s.liste) texte += solution(sol);
    texte += bilan(std::to_string(s.total()), std::to_string(cible));
    for (std::size_t m = 1; m < s.par_termes.size(); ++m)
        if (s.par_termes[m] != 0) texte += repartition(std::to_string(s.par_termes[m]), m);
    return texte;
}

Echange echange(Integer n, bool toutes, std::optional<Integer> s, const std::string& tape_n,
                const std::string& tape_s) {
    Echange e;
    e.reponses = (tape_n.empty() ? std::to_string(n) : tape_n) + (toutes ? " 1" : " 0");
    e.reponses += s ? " 1 " + (tape_s.empty() ? std::to_string(*s) : tape_s) + "\n" : " 0\n";
    e.sortie = kToutes + kAutre + (s ? kS : "") + calcul_attendu(n, propres(n), toutes, s) + kNouveau;
    return e;
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

}  // namespace essai
