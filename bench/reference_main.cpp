// taverlune_reference: the same program, searching with the plain pattern walk
// by which the results are defined. Used to check and to time the fast engine.
#include "dialogue/dialogue.h"
#include "state/state.h"

int main() {
    recherche_par_parcours = true;
    programme();
}
