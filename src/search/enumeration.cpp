// The search stage of a calculation: the fast engine, or the pattern walk in
// the reference program. Alone in its file so that a test harness can put a
// search of its own in its place.
#include "search/search.h"
#include "state/state.h"

void enumeration() {
    if (recherche_par_parcours) parcours();
    else recherche_rapide();
}
