// The sums that the divisors left can make (see reachable_sums.h).
#include "engine/reachable_sums.h"

#include "engine/bitsets.h"

#include <algorithm>

namespace taverlune {

namespace {

// Rows of a group: one per divisor, and the empty sum past its end.
std::size_t lignes(const Groupe& G) { return G.fin >= G.debut ? G.fin - G.debut + 2 : 1; }

}  // namespace

SommesAtteignables::SommesAtteignables(const Tache& t, const Decoupage& d) : d_(d) {
    std::size_t mots = 0;
    for (const Groupe& G : d_.groupes) {
        debut_groupe_.push_back(mots);
        mots += lignes(G) * largeur(G);
    }
    // Not zeroed: zeroing hundreds of megabytes at once would keep the
    // caller waiting; every row is written whole below.
    bits_.reset(new std::uint64_t[mots]);
    for (std::size_t g = 0; g < d_.groupes.size(); ++g) {
        const Groupe& G = d_.groupes[g];
        const std::size_t w = largeur(G);
        std::uint64_t* vide = bits_.get() + debut_groupe_[g] + (lignes(G) - 1) * w;
        std::fill(vide, vide + w, 0);
        vide[0] = 1;  // past the end: the empty sum
        for (std::size_t m = G.fin + 1; m-- > G.debut && t.veiller();) {
            // row m = row m+1 | (row m+1 << v), cut at the group's last word
            std::uint64_t* dst = bits_.get() + debut_groupe_[g] + (m - G.debut) * w;
            ou_decale(dst, dst + w, w, static_cast<std::size_t>(t.element[m] / G.unite));
        }
    }
}

bool SommesAtteignables::tient(const Decoupage& d, std::size_t octets_max) {
    double mots = 0;
    for (const Groupe& G : d.groupes)
        mots += static_cast<double>(lignes(G)) * (static_cast<double>(G.plafond) / 64 + 1);
    return mots * 8 <= static_cast<double>(octets_max);
}

}  // namespace taverlune
