// Search bounds and quick outcomes.
//
// Reads: N, SN, Sdif, ND1, Div[1..ND1].
// Writes: ND1 (cut to the divisors at most SN for a chosen target), Smax, S3,
//         i, j; grows NS by ND1 + 4 counts of 0.
// Leaves for the search: ND1, Smax > SN, and the shortest run of smallest
// divisors that reaches SN: Div[1..i], of sum S3.
// Cost: a few passes over Div; never depends on the number of subsets.
#include "console/console.h"
#include "search/search.h"
#include "state/state.h"

using namespace taverlune;

bool bornes() {
    if (Sdif == 1) {
        for (i = 1; i <= ND1 && Div[i] <= SN; ++i) {}
        ND1 = i - 1;
    }
    Smax = 0;
    for (i = 1; i <= ND1; ++i) Smax += Div[i];
    for (j = 0; j <= ND1 + 3; ++j) NS.emplace_back();

    ecrire("\n \n \t Le nombre  ");
    ecrire_nombre(N);
    ecrire(" a  ");
    ecrire_nombre(SN >= N ? ND1 + 1 : ND1);
    ecrire("  diviseurs inferieurs ou egaux a  ");
    ecrire_nombre(SN);

    ecrire("\n \n \t Ce sont :");
    ecrire("  ");
    for (j = 1; j <= ND1; ++j) {
        ecrire_nombre(Div[j]);
        ecrire(" , ");
    }
    if (SN >= N) {
        ecrire_nombre(N);
        ecrire(".");
    }

    ecrire("\n \n \t  Leur somme (a l'exeption de lui meme) est :   ");
    ecrire_somme(Smax);

    if (Smax < SN) {
        ecrire("\n \n \t  Il n'y a aucune solution. \n \n \t  la somme devrait-etre inferieure ou egale a :  ");
        ecrire_somme(Smax);
        return false;
    }

    S3 = 0;
    i = 0;
    while (S3 < SN && i <= ND1) {
        ++i;
        S3 += Div[i];
    }
    if (S3 == SN && i == ND1) {
        ecrire(" \n \n \t  La somme de tous les diviseurs propres de N inferieurs ");
        if (Sdif == 1) ecrire(" ou egaux ");
        ecrire(" a  ");
        ecrire_nombre(SN);
        ecrire("  convient. \n ");
        return false;
    }
    return true;
}
