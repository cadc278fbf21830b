// The practical numbers up to x, counted by building them (family_internal.h).
//
// A practical n > 1 is m q^e with m practical, q a prime above the primes of
// m and at most sigma(m) + 1: a tree from 1, each n built once from its
// largest prime power. Below a node m, the primes q above sqrt(x / m) can
// only end a branch (m q has no room for a larger prime, nor m q^2 for
// itself), so they are counted at once by the number of primes between two
// bounds: pi of the quotients floor(x / m) from the Lucy-Hedgehog tables
// (x^(3/4) steps), pi below sqrt(10 x) from a sieve. The tree itself has
// about as many nodes as there are practical m with m q <= x for some q
// above their primes.
#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "engine/family_internal.h"

namespace taverlune {

namespace {

std::int64_t racine(std::int64_t x) {
    std::int64_t r = static_cast<std::int64_t>(std::sqrt(static_cast<double>(x)));
    while (r > 0 && r > x / r) --r;
    while ((r + 1) <= x / (r + 1)) ++r;
    return r;
}

class Compteur {
public:
    Compteur(std::int64_t x, const Rappels& rappels) : x_(x), r_(racine(x)), rappels_(rappels) {}

    std::optional<std::uint64_t> compter() {
        if (x_ < 1) return 0;
        if (!tamiser() || !lucy()) return std::nullopt;
        std::uint64_t total = 1;  // 1
        if (!visiter(1, 1, 1, total)) return std::nullopt;
        return total;
    }

private:
    // The primes up to Y, one bit each, with the count before each word.
    bool tamiser() {
        const double y = std::sqrt(10.0 * static_cast<double>(x_)) + 64;
        Y_ = static_cast<std::int64_t>(y);
        const std::size_t mots = static_cast<std::size_t>(Y_ / 64) + 1;
        bits_.assign(mots, ~std::uint64_t{0});
        bits_[0] &= ~std::uint64_t{3};  // 0 and 1
        for (std::int64_t p = 2; p * p <= Y_; ++p) {
            if (!((bits_[static_cast<std::size_t>(p / 64)] >> (p % 64)) & 1)) continue;
            for (std::int64_t m = p * p; m <= Y_; m += p)
                bits_[static_cast<std::size_t>(m / 64)] &= ~(std::uint64_t{1} << (m % 64));
        }
        avant_.resize(mots);
        std::uint32_t c = 0;
        for (std::size_t w = 0; w < mots; ++w) {
            avant_[w] = c;
            c += static_cast<std::uint32_t>(std::popcount(bits_[w]));
        }
        for (std::int64_t p = 2; p <= r_; ++p)
            if ((bits_[static_cast<std::size_t>(p / 64)] >> (p % 64)) & 1) premiers_.push_back(p);
        return continuer(0);
    }

    // pi(y) for y <= Y.
    std::int64_t pi(std::int64_t y) const {
        const std::size_t w = static_cast<std::size_t>(y / 64);
        const int b = static_cast<int>(y % 64);
        const std::uint64_t masque = b == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << b) - 1;
        return avant_[w] + std::popcount(bits_[w] & masque);
    }

    // pi(floor(x / k)) for every k <= r (grand_) by Lucy-Hedgehog's sieve;
    // the small values come from the sieve of Y instead.
    bool lucy() {
        const std::size_t r = static_cast<std::size_t>(r_);
        grand_.assign(r + 1, 0);
        std::vector<std::int64_t> petit(r + 1);
        for (std::size_t k = 1; k <= r; ++k) grand_[k] = x_ / static_cast<std::int64_t>(k) - 1;
        for (std::size_t v = 0; v <= r; ++v) petit[v] = static_cast<std::int64_t>(v) - 1;
        for (std::int64_t p = 2; p <= r_; ++p) {
            if (petit[static_cast<std::size_t>(p)] == petit[static_cast<std::size_t>(p - 1)]) continue;
            const std::int64_t sp = petit[static_cast<std::size_t>(p - 1)], p2 = p * p;
            const std::int64_t kmax = std::min<std::int64_t>(r_, x_ / p2);
            const std::int64_t kp = r_ / p;  // k p <= r: the quotient is a large index
            for (std::int64_t k = 1; k <= kmax; ++k) {
                const std::int64_t q =
                    k <= kp ? grand_[static_cast<std::size_t>(k * p)] : petit[static_cast<std::size_t>(x_ / (k * p))];
                grand_[static_cast<std::size_t>(k)] -= q - sp;
            }
            for (std::int64_t v = r_; v >= p2; --v)
                petit[static_cast<std::size_t>(v)] -= petit[static_cast<std::size_t>(v / p)] - sp;
            if (!continuer(0.5 * static_cast<double>(p) / static_cast<double>(r_))) return false;
        }
        return true;
    }

    // pi(y) where y <= Y or y = floor(x / m).
    std::int64_t pi_de(std::int64_t y, std::int64_t m) const {
        if (y <= Y_) return pi(y);
        if (y != x_ / m || m > r_) throw std::logic_error("practical count: no pi for this bound");
        return grand_[static_cast<std::size_t>(m)];
    }

    // The practical numbers m q^e below m (m practical, its largest prime
    // P, sigma(m) = s), added to `total`; false when stopped.
    bool visiter(std::int64_t m, std::int64_t P, std::int64_t s, std::uint64_t& total) {
        const std::int64_t quotient = x_ / m;
        const std::int64_t L = std::min(s + 1, quotient);
        if (L <= P) return true;
        const std::int64_t r = racine(quotient);
        const std::int64_t bas = std::max(P, r);
        if (L > bas) total += static_cast<std::uint64_t>(pi_de(L, m) - pi(bas));
        auto q = std::upper_bound(premiers_.begin(), premiers_.end(), P);
        for (; q != premiers_.end() && *q <= std::min(L, r); ++q) {
            std::int64_t c = m * *q, puissance = *q, somme = 1 + *q;
            for (;;) {
                ++total;
                if (!visiter(c, *q, s * somme, total)) return false;
                if (c > x_ / *q) break;
                c *= *q;
                puissance *= *q;
                somme += puissance;
            }
        }
        if ((++noeuds_ & 0xFFFF) == 0 && !continuer(0.5 + 0.5 * part_dfs(m))) return false;
        return true;
    }

    // The share of the tree done, from the power of 2 of the node.
    double part_dfs(std::int64_t m) const {
        const int e = std::countr_zero(static_cast<std::uint64_t>(m));
        return std::min(1.0, static_cast<double>(e) / std::log2(static_cast<double>(x_) + 2));
    }

    bool continuer(double part) {
        if (!rappels_.progres) return true;
        const auto maintenant = std::chrono::steady_clock::now();
        if (maintenant - dernier_ < std::chrono::milliseconds(100)) return true;
        dernier_ = maintenant;
        return rappels_.progres(part, std::nullopt);
    }

    std::int64_t x_, r_, Y_ = 0;
    const Rappels& rappels_;
    std::vector<std::uint64_t> bits_;
    std::vector<std::uint32_t> avant_;
    std::vector<std::int64_t> premiers_, grand_;
    std::uint64_t noeuds_ = 0;
    std::chrono::steady_clock::time_point dernier_{};
};

}  // namespace

bool pratiques_par_construction(std::int64_t debut, std::int64_t fin) {
    // Its tables take 16 sqrt(x) bytes: 160 MB at 10^14.
    if (fin < 1000000 || fin > 100000000000000) return false;
    return 8 * std::pow(static_cast<double>(fin), 0.75) < static_cast<double>(fin - debut) + 1;
}

std::optional<std::uint64_t> compter_pratiques(std::int64_t x, const Rappels& rappels) {
    return Compteur(x, rappels).compter();
}

}  // namespace taverlune
