// taverlune: the sums of the divisors of an integer, in a console dialogue.
#include "dialogue/dialogue.h"

int main() { programme(); }
