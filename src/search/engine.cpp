// The fast search engine: the same solutions, in the same order, with the same
// counts as the pattern walk, without scanning patterns that cannot succeed.
//
// The walk meets the solutions in increasing lexicographic order of their
// ascending term lists (a pattern of greater value holds the smaller divisor
// where two patterns first differ). A depth-first search that extends a subset
// with each larger divisor in turn, smallest first, meets them in that same
// order. It gives up a branch as soon as the next divisor overshoots the
// target or the divisors left cannot reach it; when the target is small
// enough, a table of the sums that the divisors left can make cuts every
// branch that leads to no solution, so the work follows the solutions found.
// Counting alone, for a target small enough, needs no enumeration at all (see
// counting.h).
//
// Reads: Div[1..ND1], ND1, SN, Sol.
// Writes: ns, ndif, NS[1..ND1].
// Cost: counting: about ND1 x SN x (number of terms) additions; listing: a
// few steps per divisor of each solution when the sum table fits, otherwise
// every branch that survives the two bounds.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "dialogue/console.h"
#include "search/counting.h"
#include "search/progress.h"
#include "search/search.h"
#include "state/state.h"

namespace {

// Largest table the counting may use, and the table of reachable sums.
constexpr std::size_t octets_comptage_max = std::size_t{1} << 30;
constexpr std::size_t octets_sommes_max = std::size_t{1} << 28;

// atteignable(m, r): some subset of Div[m..n] adds up to r, for 0 <= r <= T.
// One row of bits per m; row n + 1 holds only the empty sum 0.
class SommesAtteignables {
public:
    SommesAtteignables(std::size_t n, Integer cible)
        : mots_par_ligne_(static_cast<std::size_t>(cible) / 64 + 1),
          bits_((n + 2) * mots_par_ligne_, 0) {
        ligne(n + 1)[0] = 1;
        for (std::size_t m = n; m >= 1; --m) {
            std::uint64_t* dst = ligne(m);
            const std::uint64_t* src = ligne(m + 1);
            const std::size_t d = static_cast<std::size_t>(Div[static_cast<Integer>(m)]);
            // dst = src | (src << d), cut at the target
            const std::size_t mots = d / 64;
            const unsigned bits = static_cast<unsigned>(d % 64);
            for (std::size_t w = 0; w < mots_par_ligne_; ++w) {
                std::uint64_t decale = 0;
                if (w >= mots) {
                    decale = src[w - mots] << bits;
                    if (bits != 0 && w > mots) decale |= src[w - mots - 1] >> (64 - bits);
                }
                dst[w] = src[w] | decale;
            }
        }
    }
    static bool tient(std::size_t n, Integer cible) {
        const double octets = (static_cast<double>(n) + 2) * (static_cast<double>(cible) / 64 + 1) * 8;
        return octets <= static_cast<double>(octets_sommes_max);
    }
    bool atteignable(std::size_t m, Somme r) const {
        const std::size_t v = static_cast<std::size_t>(r);
        return (ligne(m)[v / 64] >> (v % 64)) & 1;
    }

private:
    std::uint64_t* ligne(std::size_t m) { return bits_.data() + m * mots_par_ligne_; }
    const std::uint64_t* ligne(std::size_t m) const { return bits_.data() + m * mots_par_ligne_; }
    std::size_t mots_par_ligne_;
    std::vector<std::uint64_t> bits_;
};

void rendre_comptes(const std::vector<std::uint64_t>& par_termes) {
    for (std::size_t m = 1; m < par_termes.size(); ++m) {
        if (par_termes[m] == 0) continue;
        NS[static_cast<Integer>(m)] += par_termes[m];
        ns += par_termes[m];
        ndif = static_cast<Integer>(m);
    }
}

void avancement_comptage(double part, void* contexte) {
    static_cast<Avancement*>(contexte)->montrer(part, 0);
}

// Counting without listing, by the table of sums and numbers of terms.
bool compter(Avancement& avancement) {
    std::vector<Compte> par_termes;
    if (!compter_sous_ensembles(&Div[1], static_cast<std::size_t>(ND1), SN, octets_comptage_max,
                                par_termes, avancement_comptage, &avancement))
        return false;
    for (std::size_t m = 1; m < par_termes.size(); ++m) {
        if (par_termes[m].est_nul()) continue;
        NS[static_cast<Integer>(m)] += par_termes[m];
        ns += par_termes[m];
        ndif = static_cast<Integer>(m);
    }
    return true;
}

// The depth-first listing. With `sommes`, every branch taken leads to at
// least one solution.
void lister(const SommesAtteignables* sommes, Avancement& avancement) {
    const std::size_t n = static_cast<std::size_t>(ND1);
    const Somme cible = SN;

    // reste_total[m] = Div[m] + ... + Div[n]; reste_total[n + 1] = 0.
    std::vector<Somme> reste_total(n + 2, 0);
    for (std::size_t m = n; m >= 1; --m) reste_total[m] = reste_total[m + 1] + Div[static_cast<Integer>(m)];

    // Decimal texts of the divisors, made once, so that printing is copying.
    std::vector<std::string> textes;
    if (Sol == 1) {
        textes.resize(n + 1);
        for (std::size_t m = 1; m <= n; ++m) textes[m] = std::to_string(Div[static_cast<Integer>(m)]);
    }
    // The terms taken so far, " || " between them; ligne_fin[p] = its length
    // at depth p.
    std::string ligne;
    std::vector<std::size_t> ligne_fin(n + 2, 0);

    std::vector<std::uint64_t> par_termes(n + 1, 0);
    std::uint64_t trouvees = 0;
    std::vector<std::size_t> choisi(n + 1, 0);   // index taken at each depth
    std::vector<std::size_t> suivant(n + 2, 0);  // next index to try at each depth
    std::vector<Somme> somme(n + 2, 0);          // sum of the indices taken

    // The share of the walk covered: the walk counts pattern values down, and
    // the value of the current branch, in units of 2^n, is the sum of 2^-m
    // over its divisors.
    std::vector<double> valeur(n + 2, 0.0);
    const double debut_parcours = 1.0;
    auto part = [&](std::size_t p, std::size_t m) {
        return debut_parcours - (valeur[p] + std::ldexp(1.0, -static_cast<int>(std::min<std::size_t>(m, 2000))));
    };

    std::size_t p = 0;
    suivant[0] = 1;
    for (;;) {
        const std::size_t m = suivant[p];
        const Somme s = somme[p];
        avancement.pas([&] { return part(p, m); }, trouvees);
        bool vivant = m <= n && s + reste_total[m] >= cible;
        const Somme avec = vivant ? s + Div[static_cast<Integer>(m)] : 0;
        if (vivant && avec > cible) vivant = false;
        if (vivant && sommes != nullptr && !sommes->atteignable(m, cible - s)) vivant = false;
        if (vivant && avec == cible) {
            // A solution; any larger divisor at this depth would overshoot.
            ++par_termes[p + 1];
            ++trouvees;
            if (Sol == 1) {
                ecrire(" \n  \t  ");
                ecrire(std::string_view(ligne).substr(0, ligne_fin[p]));
                if (p > 0) ecrire(" || ");
                ecrire(textes[m]);
                ecrire(" \n  \t  ");
            }
        } else if (vivant && (sommes == nullptr || sommes->atteignable(m + 1, cible - avec))) {
            choisi[p] = m;
            if (Sol == 1) {
                ligne.resize(ligne_fin[p]);
                if (p > 0) ligne += " || ";
                ligne += textes[m];
                ligne_fin[p + 1] = ligne.size();
            }
            valeur[p + 1] = valeur[p] + std::ldexp(1.0, -static_cast<int>(std::min<std::size_t>(m, 2000)));
            ++p;
            somme[p] = avec;
            suivant[p] = m + 1;
            continue;
        } else if (vivant) {
            ++suivant[p];  // leaving Div[m] out may still work
            continue;
        }
        // This depth is done: back to the one above, and its next divisor.
        if (p == 0) break;
        --p;
        ++suivant[p];
    }
    rendre_comptes(par_termes);
}

}  // namespace

void recherche_rapide() {
    if (Sol == 1) ecrire(" \n \n \t Les sommes recherchees ont pour termes : \n ");
    if (SN < 1 || ND1 < 1) return;  // no subset of positive divisors reaches it
    Avancement avancement(Sol == 1);
    if (Sol == 0 && compter(avancement)) return;
    const std::size_t n = static_cast<std::size_t>(ND1);
    if (SommesAtteignables::tient(n, SN)) {
        const SommesAtteignables sommes(n, SN);
        lister(&sommes, avancement);
    } else {
        lister(nullptr, avancement);
    }
}
