// taverlune_reference: the same program, searching with the plain pattern walk
// by which the results are defined. Used to check and to time the fast engine.
#include "dialogue/dialogue.h"
#include "search/search.h"

int main() {
    recherche_choisie = parcours;
    programme();
}
