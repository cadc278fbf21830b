// The program's driver: start-up state, presentation text, and the loop of
// calculations that ends when the user declines a new one.
//
// Reads: valeur2 (the new-calculation answer).
// Writes: the whole start-up state, Nprem[1..2], np, nouveau, message, A.
#include <cstring>
#include <string_view>

#include "console/console.h"
#include "state/state.h"
#include "dialogue/dialogue.h"
#include "search/search.h"

using namespace taverlune;

namespace {

// The presentation text, piece by piece, exactly as printed.
constexpr std::string_view presentation_texte[] = {
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

// 45 characters: it ends with a colon and two spaces.
constexpr char question_nouveau[] = " \n \n \t Nouveau calcul , Oui[1] / Non[0] ? :  ";

}  // namespace

void presentation() {
    for (const std::string_view morceau : presentation_texte) ecrire(morceau);
}

void demarrer() {
    reset_to_startup();
    Nprem[1] = 2;
    Nprem[2] = 3;
    np = 2;
}

void programme() {
    demarrer();
    presentation();
    nouveau = 1;
    while (nouveau == 1) {
        calcul();
        std::memcpy(message, question_nouveau, sizeof question_nouveau);
        A = controle(1, message);
        nouveau = valeur2;
    }
    terminer();
}
