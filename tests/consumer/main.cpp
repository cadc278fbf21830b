// A program of someone else's, built against an installed taverlune: its
// version, and a(720720), the sets of divisors of 720720 other than itself
// summing to 720720 (the figure PARI/GP gives). Status 0 when it is right.
#include <taverlune/engine.h>

#include <cstdio>

int main() {
    const taverlune::Probleme p = taverlune::probleme_de(720720, 720720);
    const std::string a = taverlune::compter(p, {}, {}, taverlune::Mesure::total).total.decimal();
    std::printf("taverlune %s (headers %s): a(720720) = %s\n", taverlune::version().c_str(), TAVERLUNE_VERSION_STRING,
                a.c_str());
    return a == "218070824142095497248809692911681589615265054251943034326654589941" &&
                   taverlune::version() == TAVERLUNE_VERSION_STRING
               ? 0
               : 1;
}
