// taverlune: the sums of the divisors of an integer, in a console dialogue.
#include "dialogue/dialogue.h"

int main(int argc, char** argv) {
    arguments(argc, argv);  // returns only when there is none
    programme();
}
