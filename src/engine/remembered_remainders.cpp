// Counting by remembered remainders (see task.h).
//
// Cost: one entry per (divisor, remainder) pair met, at most a few hundred
// MiB; beyond that it gives up.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/task.h"

namespace taverlune {

namespace {

// Counting by a remembered recursion on (m, r), the number of subsets of
// element[1..m] that add up to r, split by number of terms: taking element[m] or not.
// Useful when the target is far too large for the table but the divisors are
// so spread out that few remainders r can still be made by the smaller ones
// (numbers like 3 x 2^60). It gives up once it has remembered too much.
class CompteurMemorise {
public:
    explicit CompteurMemorise(const Tache& t) : t_(t) {
        avant_.assign(t.n + 1, 0);
        for (std::size_t m = 1; m <= t.n; ++m) avant_[m] = avant_[m - 1] + t.element[m];
        resultats_.push_back({});          // 0: no subset
        resultats_.push_back({Compte{}});  // 1: the empty subset alone
        resultats_[1][0] += 1;
    }

    /// The counts for the target, or false when too much was remembered.
    bool compter_cible(std::vector<Compte>& par_termes) {
        const std::uint32_t x = compter_reste(t_.n, static_cast<Somme>(t_.cible), 0);
        if (deborde_) return false;
        par_termes = resultats_[x];
        return true;
    }

private:
    struct Cle {
        std::uint64_t m, r;
        bool operator==(const Cle&) const = default;
    };
    struct Hachage {
        std::size_t operator()(const Cle& c) const {
            return std::hash<std::uint64_t>()(c.r * 0x9E3779B97F4A7C15ULL ^ c.m);
        }
    };

    static constexpr std::size_t cases_max = std::size_t{1} << 23;  // a few hundred MiB
    static constexpr std::size_t profondeur_max = 1500;             // a few hundred KiB of stack

    std::uint32_t compter_reste(std::size_t m, Somme r, std::size_t profondeur) {
        if (deborde_) return 0;
        if (r == 0) return 1;
        if ((++pas_ & 0xFFF) == 0 && !t_.veiller()) {  // the caller asks to stop
            deborde_ = true;
            return 0;
        }
        while (m > 0 && t_.element[m] > r) --m;  // too large to be taken
        if (m == 0 || r > avant_[m]) return 0;
        if (profondeur > profondeur_max) {
            deborde_ = true;
            return 0;
        }
        const Cle cle{m, static_cast<std::uint64_t>(r)};
        if (const auto trouve = deja_.find(cle); trouve != deja_.end()) return trouve->second;
        std::vector<Compte> somme;
        if (r == avant_[m]) {  // all of element[1..m]
            somme.resize(m + 1);
            somme[m] += 1;
        } else {
            const std::uint32_t sans = compter_reste(m - 1, r, profondeur + 1);
            const std::uint32_t avec = compter_reste(m - 1, r - t_.element[m], profondeur + 1);
            if (deborde_) return 0;
            const std::vector<Compte>& a = resultats_[sans];
            const std::vector<Compte>& b = resultats_[avec];
            somme.resize(std::max(a.size(), b.size() + 1));
            for (std::size_t q = 0; q < a.size(); ++q) somme[q] += a[q];
            for (std::size_t q = 0; q < b.size(); ++q) somme[q + 1] += b[q];
        }
        cases_ += somme.size();
        if (cases_ > cases_max) {
            deborde_ = true;
            return 0;
        }
        resultats_.push_back(std::move(somme));
        const auto x = static_cast<std::uint32_t>(resultats_.size() - 1);
        deja_.emplace(cle, x);
        return x;
    }

    const Tache& t_;
    std::vector<Somme> avant_;  // avant_[m] = element[1] + ... + element[m]
    std::vector<std::vector<Compte>> resultats_;
    std::unordered_map<Cle, std::uint32_t, Hachage> deja_;
    std::size_t cases_ = 0, pas_ = 0;
    bool deborde_ = false;  // too much remembered, or stopped
};

}  // namespace

bool compter_par_restes_retenus(const Tache& t, std::vector<Compte>& par_termes) {
    return CompteurMemorise(t).compter_cible(par_termes);
}

}  // namespace taverlune
