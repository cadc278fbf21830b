// The groups of divisors whose sums never carry into one another (see
// carry_free_groups.h).
#include "engine/carry_free_groups.h"

#include <algorithm>

namespace taverlune {

Decoupage decouper(const Tache& t) {
    const std::size_t n = t.n;
    const std::size_t nf = static_cast<std::size_t>(t.nf);
    Decoupage d;
    Somme somme_totale = 0;
    for (std::size_t m = 1; m <= n; ++m) somme_totale += t.element[m];
    if (nf >= 1 && t.N > 1) {
        const std::int64_t p = t.premier[nf];
        Somme sigma_a = 1;  // sum of the divisors of N / p^E
        for (std::size_t q = 1; q < nf; ++q) {
            Somme terme = 1, somme = 1;
            for (std::int64_t e = 0; e < t.exposant[q]; ++e) somme += (terme *= t.premier[q]);
            sigma_a *= somme;
        }
        if (sigma_a < p) {
            d.base = p;
            Somme unite = 1;
            std::size_t m = 1;
            for (std::int64_t e = 0; e <= t.exposant[nf]; ++e, unite *= p) {
                Groupe g;
                g.debut = m;
                g.unite = unite;
                // The group holds the divisors below p^(e+1), all multiples of p^e.
                while (m <= n && t.element[m] < unite * p) {
                    g.plafond += t.element[m] / unite;
                    ++m;
                }
                g.fin = m - 1;
                d.groupes.push_back(g);
            }
            Somme reste = t.cible;
            for (Groupe& g : d.groupes) {
                g.chiffre = reste % p;
                reste /= p;
                if (g.chiffre > g.plafond) d.impossible = true;
            }
            if (reste != 0) d.impossible = true;
            return d;
        }
    }
    Groupe g;
    g.fin = n;
    g.chiffre = t.cible;
    g.plafond = std::min<Somme>(t.cible, somme_totale);
    d.groupes.push_back(g);
    return d;
}

}  // namespace taverlune
