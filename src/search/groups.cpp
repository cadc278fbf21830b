// The groups of divisors whose sums never carry into one another (see
// groups.h).
#include "search/groups.h"

#include <algorithm>

#include "state/state.h"

Decoupage decouper() {
    const std::size_t n = static_cast<std::size_t>(ND1);
    Decoupage d;
    Somme somme_totale = 0;
    for (std::size_t m = 1; m <= n; ++m) somme_totale += Div[static_cast<Integer>(m)];
    if (nf >= 1 && N > 1) {
        const Integer p = Nfact[nf];
        Somme sigma_a = 1;  // sum of the divisors of N / p^E
        for (int q = 1; q < nf; ++q) {
            Somme terme = 1, somme = 1;
            for (Integer e = 0; e < Nexpo[q]; ++e) somme += (terme *= Nfact[q]);
            sigma_a *= somme;
        }
        if (sigma_a < p) {
            d.base = p;
            Somme unite = 1;
            std::size_t m = 1;
            for (Integer e = 0; e <= Nexpo[nf]; ++e, unite *= p) {
                Groupe g;
                g.debut = m;
                g.unite = unite;
                // The group holds the divisors below p^(e+1), all multiples of p^e.
                while (m <= n && Div[static_cast<Integer>(m)] < unite * p) {
                    g.plafond += Div[static_cast<Integer>(m)] / unite;
                    ++m;
                }
                g.fin = m - 1;
                d.groupes.push_back(g);
            }
            Somme reste = SN;
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
    g.chiffre = SN;
    g.plafond = std::min<Somme>(SN, somme_totale);
    d.groupes.push_back(g);
    return d;
}
