// Counts modulo small primes, and the exact count they determine (see
// residues.h).
#include "engine/residues.h"

#include <cmath>

namespace taverlune {

namespace {

constexpr std::uint32_t plafond_premiers = 1u << 15;

Compte& multiplier(Compte& x, std::uint64_t facteur) {
    u128 retenue = 0;
    for (std::uint64_t& mot : x.mots) {
        const u128 p = static_cast<u128>(mot) * facteur + retenue;
        mot = static_cast<std::uint64_t>(p);
        retenue = p >> 64;
    }
    if (retenue != 0) x.mots.push_back(static_cast<std::uint64_t>(retenue));
    while (!x.mots.empty() && x.mots.back() == 0) x.mots.pop_back();
    return x;
}

}  // namespace

std::uint32_t puissance(std::uint64_t x, std::uint64_t e, std::uint32_t q) {
    std::uint64_t r = 1;
    for (x %= q; e != 0; e >>= 1, x = x * x % q)
        if (e & 1) r = r * x % q;
    return static_cast<std::uint32_t>(r);
}

std::uint32_t inverse(std::uint32_t a, std::uint32_t q) { return puissance(a, q - 2, q); }

const std::vector<Residu>& premiers_modulaires() {
    // Built once, by the first caller, and never changed afterwards: counts
    // running at the same time share it.
    static const std::vector<Residu> premiers = [] {
        std::vector<char> compose(plafond_premiers, 0);
        for (std::uint32_t d = 2; d * d < plafond_premiers; ++d)
            if (compose[d] == 0)
                for (std::uint32_t x = d * d; x < plafond_premiers; x += d) compose[x] = 1;
        std::vector<Residu> r;
        for (std::uint32_t c = plafond_premiers - 1; c > 2; --c)
            if (compose[c] == 0) r.push_back(static_cast<Residu>(c));
        return r;
    }();
    return premiers;
}

std::size_t premiers_necessaires(double bits) {
    // Each prime is above 2^14.99: 14.99 bits a prime, one more for safety.
    return static_cast<std::size_t>(std::ceil((bits + 1) / 14.99)) + 1;
}

Compte reconstruire(const Residu* r, std::size_t pas, const std::vector<Residu>& q) {
    // x = v[0] + q[0] (v[1] + q[1] (v[2] + ...)), each v[k] < q[k].
    const std::size_t P = q.size();
    std::vector<std::uint32_t> v(P);
    for (std::size_t k = 0; k < P; ++k) {
        const std::uint32_t qk = q[k];
        // The value of v[0] + q[0] v[1] + ... + q[0]..q[k-2] v[k-1] modulo qk.
        std::uint32_t x = 0, produit = 1;
        for (std::size_t l = 0; l < k; ++l) {
            x = (x + v[l] * produit) % qk;
            produit = produit * (q[l] % qk) % qk;
        }
        const std::uint32_t ecart = (r[k * pas] % qk + qk - x) % qk;
        v[k] = ecart * inverse(produit, qk) % qk;
    }
    Compte x;
    for (std::size_t k = P; k-- > 0;) {
        multiplier(x, q[k]);
        x += v[k];
    }
    return x;
}

}  // namespace taverlune
