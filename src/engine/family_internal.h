// Inside the engine: the divisor-sum family's pieces (family.cpp), and the
// count of the practical numbers by building them (practical_count.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/wide.h"
#include "taverlune/engine.h"
#include "taverlune/family.h"

namespace taverlune {

/// The prime factors of a number, ascending, with their exponents (a number
/// below 2^63 has at most 15).
struct Facteurs {
    int nf = 0;
    std::int64_t p[16];
    int e[16];
};

Facteurs facteurs_de(std::int64_t n);
Somme sigma_de(const Facteurs& f);
/// n is practical: 1, or even with each prime at most 1 + sigma of the prime powers before it.
bool pratique(const Facteurs& f, std::int64_t n);

/// The decisions of one thread, with its buffers.
class Decideur {
public:
    /// Whether n (factorised as f, sigma(n) = sigma) has p; `multiple`: n is
    /// known to have a semiperfect proper divisor. `rappels` (may be null)
    /// is told of a decision that will take long.
    bool possede(Propriete p, std::int64_t n, const Facteurs& f, Somme sigma, bool multiple, const Rappels* rappels);
    bool semiparfait(std::int64_t n, const Facteurs& f, Somme sigma, const Rappels* rappels);
    bool zumkeller(std::int64_t n, const Facteurs& f, Somme sigma, const Rappels* rappels);
    /// Whether divisors of n other than n make t, through the split along
    /// the largest prime power of n (at least two primes).
    bool par_chiffres(const Facteurs& f, std::int64_t n, Somme t);

private:
    void diviseurs_jusqua(const Facteurs& f, Somme borne);
    bool atteint(const Facteurs& f, std::int64_t n, Somme t, const Rappels* rappels);
    double cout_par_chiffres(const Facteurs& f);
    bool chercher(std::size_t i, Somme t);

    std::vector<std::int64_t> d;  // the divisors that take part, ascending
    std::vector<Somme> prefixe;
    std::vector<std::uint64_t> bits, sans_m, avec_m;
    std::vector<Somme> restes_, suivants_;
    std::uint64_t pas = 0;
    bool epuise = false;
    bool averti = false;         // the caller was told of a long decision
    std::int64_t dernier_n = 0;  // the last n decided semiperfect or not by a search, and the answer
    bool dernier = false;
};

/// Counting the practical numbers of [debut, fin] by building them pays.
bool pratiques_par_construction(std::int64_t debut, std::int64_t fin);
/// The practical numbers up to x >= 0; none when `rappels.progres` stopped it.
std::optional<std::uint64_t> compter_pratiques(std::int64_t x, const Rappels& rappels);

}  // namespace taverlune
