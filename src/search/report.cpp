// The report of a search, and the reset of the working lists.
//
// Reads: ns, SN, ndif, NS[1..ndif].
// Writes: j; shrinks Term, Term1, Ter, Div, NS, Prod, Nexpo and Nfact back to
//         their one start-up element. The prime table is kept.
#include "console/console.h"
#include "search/search.h"
#include "state/state.h"

namespace {

template <class L>
void raccourcir(L& liste) {
    for (j = static_cast<Integer>(liste.size()) - 1; j > 0; --j) liste.pop_back();
}

}  // namespace

void rapport() {
    ecrire("\n \n \t Il y a  ");
    ecrire_compte(ns);
    ecrire(" sommes egales a  ");
    ecrire_nombre(SN);
    if (!ns.est_nul()) ecrire(" \n \n \t  Elles se repartissent comme suit : \n ");
    for (j = 1; j <= ndif; ++j) {
        if (NS[j].est_nul()) continue;
        ecrire(" \n \t  ");
        ecrire_compte(NS[j]);
        ecrire("   sommes  de  ");
        ecrire_nombre(j);
        ecrire("   termes.");
    }
    remise_a_zero();
}

void remise_a_zero() {
    raccourcir(Term);
    raccourcir(Term1);
    raccourcir(Ter);
    raccourcir(Div);
    raccourcir(NS);
    raccourcir(Prod);
    raccourcir(Nexpo);
    raccourcir(Nfact);
}
