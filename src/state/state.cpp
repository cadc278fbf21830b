// Definitions of the program-wide state, and its reset to the start-up state.
#include "state/state.h"

#include <algorithm>

using namespace taverlune;

int A = 0;
Integer nouveau = 0;
char message[200] = {};
char entree[200] = {};
int l = 0;
int l1 = 0;
int a = 0;
int a1 = 0;
int refaire = 0;
int xn = 0;
Integer valeur0 = 0;
int valeur2 = 0;
Integer valtest2 = 0;

Integer N = 0;
Integer S = 0;
Integer S1 = 0;
Integer SN = 0;
Integer SN1 = 0;
Integer Sol = 0;
Integer Sdif = 0;

Integer i = 0;
Integer j = 0;
Integer k = 0;

Liste Nprem;
Integer np = 0;
int nf = 0;
Liste Nfact;
Liste Nexpo;
Integer Npk = 0;
Integer rS = 0;
Integer reste = 0;
int f = 0;
int expo = 0;
Liste Prod;
Integer Diviseur = 0;
Liste Div;

Integer ND1 = 0;
Somme Smax = 0;
Somme S3 = 0;
Compte ns;
Integer ndif = 0;
Integer ndec = 0;
ListeComptes NS;
Liste Term;
Liste Term1;
Liste Ter;
Integer T = 0;
Integer T0 = 0;
Integer K = 0;

void reset_to_startup() {
    A = 0;
    nouveau = 0;
    std::fill(std::begin(message), std::end(message), '\0');
    std::fill(std::begin(entree), std::end(entree), '\0');
    l = l1 = a = a1 = refaire = xn = valeur2 = 0;
    valeur0 = valtest2 = 0;
    N = S = S1 = SN = SN1 = Sol = Sdif = 0;
    i = j = k = 0;
    np = 0;
    nf = f = expo = 0;
    Npk = rS = reste = Diviseur = 0;
    ND1 = ndif = ndec = T = T0 = K = 0;
    Smax = S3 = 0;
    ns = Compte{};
    // The working lists, created in this order with every element 0.
    Ter.assign(1, 0);
    Div.assign(1, 0);
    NS.assign(1, Compte{});
    Term.assign(1, 0);
    Term1.assign(1, 0);
    Nprem.assign(3, 0);
    Nexpo.assign(1, 0);
    Nfact.assign(1, 0);
    Prod.assign(1, 0);
}
