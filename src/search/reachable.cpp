// The sums that the divisors left can make (see reachable.h).
#include "search/reachable.h"

#include "state/state.h"

SommesAtteignables::SommesAtteignables(const Decoupage& d) : d_(d) {
    const std::size_t n = static_cast<std::size_t>(ND1);
    groupe_de_.assign(n + 2, 0);
    debut_ligne_.assign(n + 2, 0);
    std::size_t mots = 0;
    for (std::size_t g = 0; g < d_.groupes.size(); ++g) {
        const Groupe& G = d_.groupes[g];
        for (std::size_t m = G.debut; m <= G.fin; ++m) {
            groupe_de_[m] = g;
            debut_ligne_[m] = mots;
            mots += largeur(G);
        }
    }
    bits_.assign(mots, 0);
    for (const Groupe& G : d_.groupes) {
        if (G.fin < G.debut) continue;
        const std::size_t w = largeur(G);
        for (std::size_t m = G.fin + 1; m-- > G.debut;) {
            std::uint64_t* dst = bits_.data() + debut_ligne_[m];
            const std::size_t v = static_cast<std::size_t>(Div[static_cast<Integer>(m)] / G.unite);
            if (m == G.fin) {  // the empty sum, and this divisor alone
                dst[0] = 1;
                if (v / 64 < w) dst[v / 64] |= std::uint64_t{1} << (v % 64);
                continue;
            }
            // dst = src | (src << v), cut at the group's whole sum
            const std::uint64_t* src = bits_.data() + debut_ligne_[m + 1];
            const std::size_t decal_mots = v / 64;
            const unsigned decal_bits = static_cast<unsigned>(v % 64);
            for (std::size_t x = 0; x < w; ++x) {
                std::uint64_t decale = 0;
                if (x >= decal_mots) {
                    decale = src[x - decal_mots] << decal_bits;
                    if (decal_bits != 0 && x > decal_mots) decale |= src[x - decal_mots - 1] >> (64 - decal_bits);
                }
                dst[x] = src[x] | decale;
            }
        }
    }
}

bool SommesAtteignables::tient(const Decoupage& d, std::size_t octets_max) {
    double mots = 0;
    for (const Groupe& G : d.groupes)
        if (G.fin >= G.debut)
            mots += static_cast<double>(G.fin - G.debut + 1) * (static_cast<double>(G.plafond) / 64 + 1);
    return mots * 8 <= static_cast<double>(octets_max);
}

bool SommesAtteignables::atteignable(std::size_t m, Somme r) const {
    if (r < 0) return false;
    if (m > static_cast<std::size_t>(ND1)) return r == 0;
    std::size_t g = groupe_de_[m];
    const Groupe& G = d_.groupes[g];
    if (r % G.unite != 0) return false;
    Somme q = r / G.unite;
    for (; g < d_.groupes.size(); ++g) {
        const bool dernier = g + 1 == d_.groupes.size();
        const Somme chiffre = dernier ? q : q % d_.base;
        if (!dans_le_groupe(g, g == groupe_de_[m] ? m : d_.groupes[g].debut, chiffre)) return false;
        if (dernier) break;
        q /= d_.base;
    }
    return true;
}
