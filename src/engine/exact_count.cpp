// Exact counts: addition, product and decimal digits.
#include "engine/wide.h"
#include "taverlune/exact_count.h"

#include <algorithm>
#include <cmath>

namespace taverlune {

Compte& Compte::operator+=(std::uint64_t n) {
    for (std::size_t m = 0; n != 0; ++m) {
        if (m == mots.size()) {
            mots.push_back(n);
            break;
        }
        mots[m] += n;
        n = mots[m] < n ? 1 : 0;  // carry
    }
    return *this;
}

Compte& Compte::operator+=(const Compte& autre) {
    if (mots.size() < autre.mots.size()) mots.resize(autre.mots.size(), 0);
    std::uint64_t retenue = 0;
    for (std::size_t m = 0; m < mots.size(); ++m) {
        const std::uint64_t b = m < autre.mots.size() ? autre.mots[m] : 0;
        if (b == 0 && retenue == 0) {
            if (m >= autre.mots.size()) break;
            continue;
        }
        const std::uint64_t s = mots[m] + b;
        const std::uint64_t c1 = s < b ? 1 : 0;
        mots[m] = s + retenue;
        retenue = c1 | (mots[m] < retenue ? 1 : 0);
    }
    if (retenue != 0) mots.push_back(retenue);
    return *this;
}

Compte operator*(const Compte& x, const Compte& y) {
    Compte produit;
    if (x.est_nul() || y.est_nul()) return produit;
    produit.mots.assign(x.mots.size() + y.mots.size(), 0);
    for (std::size_t u = 0; u < x.mots.size(); ++u) {
        u128 retenue = 0;
        for (std::size_t v = 0; v < y.mots.size(); ++v) {
            const u128 w = static_cast<u128>(x.mots[u]) * y.mots[v] + produit.mots[u + v] + retenue;
            produit.mots[u + v] = static_cast<std::uint64_t>(w);
            retenue = w >> 64;
        }
        produit.mots[u + y.mots.size()] = static_cast<std::uint64_t>(retenue);
    }
    while (!produit.mots.empty() && produit.mots.back() == 0) produit.mots.pop_back();
    return produit;
}

std::string Compte::decimal() const {
    if (mots.empty()) return "0";
    // Repeated division by 10^19, the largest power of ten in 64 bits.
    constexpr std::uint64_t base = 10000000000000000000ULL;
    std::vector<std::uint64_t> q = mots;
    std::vector<std::uint64_t> morceaux;
    while (!q.empty()) {
        u128 r = 0;
        for (std::size_t m = q.size(); m-- > 0;) {
            const u128 cur = (r << 64) | q[m];
            q[m] = static_cast<std::uint64_t>(cur / base);
            r = cur % base;
        }
        morceaux.push_back(static_cast<std::uint64_t>(r));
        while (!q.empty() && q.back() == 0) q.pop_back();
    }
    std::string texte = std::to_string(morceaux.back());
    for (std::size_t m = morceaux.size() - 1; m-- > 0;) {
        const std::string bloc = std::to_string(morceaux[m]);
        texte.append(19 - bloc.size(), '0');
        texte += bloc;
    }
    return texte;
}

std::strong_ordering Compte::operator<=>(const Compte& autre) const {
    if (mots.size() != autre.mots.size()) return mots.size() <=> autre.mots.size();
    for (std::size_t k = mots.size(); k-- > 0;)
        if (mots[k] != autre.mots[k]) return mots[k] <=> autre.mots[k];
    return std::strong_ordering::equal;
}

Compte Compte::de_decimal(std::string_view chiffres) {
    // Nineteen digits at a time: x = x * 10^19 + the next ones.
    Compte x;
    while (!chiffres.empty()) {
        const std::size_t n = std::min<std::size_t>(chiffres.size(), 19);
        std::uint64_t bloc = 0, puissance = 1;
        for (std::size_t k = 0; k < n; ++k)
            bloc = bloc * 10 + static_cast<std::uint64_t>(chiffres[k] - '0'), puissance *= 10;
        u128 retenue = bloc;
        for (std::uint64_t& m : x.mots) {
            const u128 w = static_cast<u128>(m) * puissance + retenue;
            m = static_cast<std::uint64_t>(w);
            retenue = w >> 64;
        }
        if (retenue != 0) x.mots.push_back(static_cast<std::uint64_t>(retenue));
        chiffres.remove_prefix(n);
    }
    return x;
}

double Compte::en_double() const {
    double v = 0;
    for (std::size_t k = mots.size(); k-- > 0;) v = v * 0x1p64 + static_cast<double>(mots[k]);
    return v;
}

double Compte::log10() const {
    if (mots.empty()) return -1;
    const std::size_t k = mots.size() - 1;
    double tete = static_cast<double>(mots[k]);
    if (k > 0) tete += static_cast<double>(mots[k - 1]) * 0x1p-64;
    return std::log10(tete) + static_cast<double>(64 * k) * std::log10(2.0);
}

}  // namespace taverlune
