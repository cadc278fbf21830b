// Primality test and prime factorisation of 64-bit integers.
//
// Plan: strip the factors 2 and the odd primes below 1000 by trial division
// (a divisibility test by multiplication with the inverse modulo 2^64, and
// exact division the same way); what remains has no factor below 1000, so it
// is prime when below 1000^2, and otherwise Miller–Rabin decides. A composite
// remainder is split by elliptic curves from 2^46 on, else (or when 200
// curves fail) by Pollard–Brent rho (a perfect square is split by its square
// root at once), and the pieces are split again until all are prime.
// All residue arithmetic modulo the odd number being split is in Montgomery
// form with R = 2^64, which is valid for every odd modulus below 2^64.
#include "divisors/large_factor.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>

namespace {

__extension__ typedef unsigned __int128 u128;
using u64 = std::uint64_t;

// ---- Trial division ----------------------------------------------------------

// Trial division covers the odd primes below this bound.
constexpr u64 kBorne = 1000;
constexpr int kNbPetitsPremiers = 167;  // odd primes below 1000

// The inverse of the odd number a modulo 2^64 (Newton's iteration: a is its
// own inverse to 3 bits, and each step doubles the number of correct bits).
constexpr u64 inverse_mod_2_64(u64 a) {
    u64 x = a;
    for (int etape = 0; etape < 5; ++etape) x *= 2 - a * x;
    return x;
}

// An odd prime p with what the divisibility test needs: p divides n exactly
// when n * inverse <= limite, and then n / p = n * inverse (modulo 2^64).
struct PetitPremier {
    u64 p;
    u64 inverse;
    u64 limite;
};

constexpr std::array<PetitPremier, kNbPetitsPremiers> kPetitsPremiers = [] {
    std::array<PetitPremier, kNbPetitsPremiers> table{};
    std::size_t k = 0;
    for (u64 p = 3; p < kBorne; p += 2) {
        bool premier = true;
        for (u64 d = 3; d * d <= p; d += 2) {
            if (p % d == 0) {
                premier = false;
                break;
            }
        }
        if (premier) table[k++] = {p, inverse_mod_2_64(p), ~u64{0} / p};
    }
    return table;
}();
static_assert(kPetitsPremiers.back().p == 997);

constexpr bool divise(const PetitPremier& e, u64 n) { return n * e.inverse <= e.limite; }

// ---- Montgomery arithmetic -----------------------------------------------------

// Residues modulo an odd n < 2^64, each x held as x * 2^64 mod n in [0, n).
class Montgomery {
public:
    explicit Montgomery(u64 n)
        : n_(n),
          inverse_(inverse_mod_2_64(n)),
          un_((0 - n) % n),
          r2_(static_cast<u64>(static_cast<u128>(un_) * un_ % n)) {}

    u64 module() const { return n_; }
    /// The form of 1.
    u64 un() const { return un_; }
    /// The form of x, for x < n.
    u64 vers(u64 x) const { return mul(x, r2_); }

    u64 mul(u64 a, u64 b) const {
        const u128 t = static_cast<u128>(a) * b;
        const u64 bas = static_cast<u64>(t);
        const u64 haut = static_cast<u64>(t >> 64);
        // m * n has the same low word as t, so (t - m * n) / 2^64 is the
        // difference of the high words, in (-n, n).
        const u64 m = bas * inverse_;
        const u64 mn_haut = static_cast<u64>((static_cast<u128>(m) * n_) >> 64);
        const u64 r = haut - mn_haut;
        return haut < mn_haut ? r + n_ : r;
    }

    // Without branches (the comparisons become conditional moves): which way
    // they go is as good as random, and a wrong guess would cost more than
    // the whole operation.
    u64 add(u64 a, u64 b) const {
        const u64 reste = n_ - b;  // a + b >= n exactly when a >= n - b; no overflow
        return a >= reste ? a - reste : a + b;
    }

    u64 sub(u64 a, u64 b) const { return a >= b ? a - b : a - b + n_; }

    u64 puissance(u64 a, u64 e) const {
        u64 r = un_;
        while (e != 0) {
            if (e & 1) r = mul(r, a);
            a = mul(a, a);
            e >>= 1;
        }
        return r;
    }

private:
    u64 n_;
    u64 inverse_;  // n^-1 mod 2^64
    u64 un_;       // 2^64 mod n
    u64 r2_;       // 2^128 mod n
};

// ---- Miller–Rabin ------------------------------------------------------------------

// These seven bases decide primality for every n < 2^64. A base that is 0
// modulo n is skipped; for n without a prime factor below 1000 that happens
// only when n is a prime dividing the base.
constexpr std::array<u64, 7> kBases = {2, 325, 9375, 28178, 450775, 9780504, 1795265022};

// Primality of an odd n > 1 with no prime factor below 1000.
bool miller_rabin(u64 n) {
    if (n < kBorne * kBorne) return true;
    const Montgomery mg(n);
    const u64 moins_un = n - mg.un();
    const int s = std::countr_zero(n - 1);
    const u64 d = (n - 1) >> s;
    for (u64 a : kBases) {
        a %= n;
        if (a == 0) continue;
        u64 x = mg.puissance(mg.vers(a), d);
        if (x == mg.un() || x == moins_un) continue;
        bool temoin = true;
        for (int r = 1; r < s; ++r) {
            x = mg.mul(x, x);
            if (x == moins_un) {
                temoin = false;
                break;
            }
        }
        if (temoin) return false;
    }
    return true;
}

// ---- Pollard–Brent rho ---------------------------------------------------------------

u64 pgcd(u64 a, u64 b) {
    if (a == 0) return b;
    if (b == 0) return a;
    const int commun = std::countr_zero(a | b);
    a >>= std::countr_zero(a);
    do {
        b >>= std::countr_zero(b);
        if (a > b) std::swap(a, b);
        b -= a;
    } while (b != 0);
    return a << commun;
}

u64 ecart(u64 a, u64 b) { return a > b ? a - b : b - a; }

// floor(sqrt(n)).
u64 racine_entiere(u64 n) {
    constexpr u64 kMax = 0xFFFFFFFFu;
    u64 r = static_cast<u64>(std::sqrt(static_cast<double>(n)));
    if (r > kMax) r = kMax;
    while (r * r > n) --r;
    while (r < kMax && (r + 1) * (r + 1) <= n) ++r;
    return r;
}

// Steps between two gcds in rho: |x - y| are multiplied together meanwhile.
constexpr u64 kLot = 128;
// An attempt of rho gives up when its cycle search reaches this length.
constexpr u64 kLongueurMax = u64{1} << 24;
// Constants c tried in turn before falling back to trial division.
constexpr u64 kEssaisMax = 40;

// One attempt of Pollard–Brent rho on the odd composite modulus of mg, with
// the map y -> y^2 + c (in Montgomery form) from y = 2. Returns a divisor
// strictly between 1 and n, or 0 when this attempt fails.
u64 rho_brent(const Montgomery& mg, u64 c) {
    const u64 n = mg.module();
    const auto f = [&](u64 y) { return mg.add(mg.mul(y, y), c); };
    u64 y = 2;
    u64 x = y;
    u64 ys = y;
    u64 q = mg.un();
    u64 g = 1;
    for (u64 r = 1; g == 1; r *= 2) {
        if (r > kLongueurMax) return 0;
        x = y;
        for (u64 i = 0; i < r; ++i) y = f(y);
        for (u64 k = 0; k < r && g == 1; k += kLot) {
            ys = y;
            const u64 lot = std::min(kLot, r - k);
            for (u64 i = 0; i < lot; ++i) {
                y = f(y);
                q = mg.mul(q, ecart(x, y));
            }
            g = pgcd(q, n);
        }
    }
    if (g == n) {
        // The product went to 0 within the last batch: the product before it
        // was prime to n, so stepping through the batch one step at a time
        // meets a difference sharing a factor with n.
        do {
            ys = f(ys);
            g = pgcd(ecart(x, ys), n);
        } while (g == 1);
    }
    return g == n ? 0 : g;
}

// ---- Elliptic curves -------------------------------------------------------------------

// Lenstra's method, for a number whose smallest factor may be as large as its
// square root: the points of a curve y^2 = x^3 + A x^2 + x modulo n are
// multiplied by every prime power up to kB1 (stage 1), then by one more prime
// up to kB2 (stage 2). When the number of points of the curve modulo a prime
// factor p of n is made of such primes, the point vanishes modulo p, and p
// divides the gcd of its z coordinate with n. For a factor near 2^31.5 about
// one curve in five succeeds, at some 5500 products modulo n a curve; rho
// needs about 10^5 steps of two products, each step waiting for the one
// before. Points are written (x : z);
// the y coordinate is never needed.

constexpr u64 kB1 = 165;
constexpr u64 kB2 = 8000;
// Stage 2 reaches q = m kD +- j from the multiples m kD and the j prime to kD.
constexpr u64 kD = 60;
constexpr u64 kBebes[] = {1, 7, 11, 13, 17, 19, 23, 29};  // the j below kD / 2
constexpr u64 kGeants = kB2 / kD + 1;                     // m = 1 .. kGeants
// Curves tried before the number goes to rho.
constexpr u64 kCourbesMax = 200;
// Below this, rho's chains are short enough: the curves are not tried.
constexpr u64 kSeuilCourbes = u64{1} << 46;

constexpr bool premier_petit(u64 n) {
    if (n < 2) return false;
    for (u64 d = 2; d * d <= n; ++d)
        if (n % d == 0) return false;
    return true;
}

// The product of the largest powers of the primes up to kB1 that are at most
// kB1, as 64-bit words, little-endian, and its number of bits.
struct Multiplicateur {
    std::array<u64, 4> mots{};
    int bits = 0;
};

constexpr Multiplicateur kEtape1 = [] {
    Multiplicateur k;
    k.mots[0] = 1;
    for (u64 p = 2; p <= kB1; ++p) {
        if (!premier_petit(p)) continue;
        u64 q = p;
        while (q * p <= kB1) q *= p;
        u64 retenue = 0;
        for (u64& mot : k.mots) {
            const u128 t = static_cast<u128>(mot) * q + retenue;
            mot = static_cast<u64>(t);
            retenue = static_cast<u64>(t >> 64);
        }
        if (retenue != 0) throw "kB1 too large for the words of the multiplier";
    }
    for (int b = 0; b < 256; ++b)
        if ((k.mots[static_cast<std::size_t>(b / 64)] >> (b % 64)) & 1) k.bits = b + 1;
    return k;
}();

// kPaires[m]: bit b set when m kD + kBebes[b] or m kD - kBebes[b] is a prime
// in (kB1, kB2]. Each such prime is met once.
constexpr std::array<std::uint8_t, kGeants + 1> kPaires = [] {
    std::array<std::uint8_t, kGeants + 1> paires{};
    for (u64 m = 1; m <= kGeants; ++m)
        for (std::size_t b = 0; b < std::size(kBebes); ++b)
            for (const u64 q : {m * kD + kBebes[b], m * kD - kBebes[b]})
                if (q > kB1 && q <= kB2 && premier_petit(q)) paires[m] |= static_cast<std::uint8_t>(1u << b);
    return paires;
}();

struct Point {
    u64 x, z;
};

// A curve where (A + 2) / 4 = num / den.
struct Courbe {
    const Montgomery& mg;
    u64 num, den;

    // P + Q, from P, Q and P - Q.
    Point somme(Point p, Point q, Point difference) const {
        const u64 u = mg.mul(mg.sub(p.x, p.z), mg.add(q.x, q.z));
        const u64 v = mg.mul(mg.add(p.x, p.z), mg.sub(q.x, q.z));
        const u64 s = mg.add(u, v);
        const u64 d = mg.sub(u, v);
        return {mg.mul(difference.z, mg.mul(s, s)), mg.mul(difference.x, mg.mul(d, d))};
    }

    // 2P.
    Point double_(Point p) const {
        const u64 s = mg.add(p.x, p.z);
        const u64 d = mg.sub(p.x, p.z);
        const u64 s2 = mg.mul(s, s);
        const u64 d2 = mg.mul(d, d);
        const u64 t = mg.sub(s2, d2);  // 4 x z
        const u64 e = mg.mul(den, d2);
        return {mg.mul(e, s2), mg.mul(t, mg.add(e, mg.mul(num, t)))};
    }

    // [k]P for the k of `bits` bits in `mots` (Montgomery's ladder: R1 - R0 = P).
    Point multiple(Point p, const u64* mots, int bits) const {
        Point r0 = p;
        Point r1 = double_(p);
        for (int b = bits - 2; b >= 0; --b) {
            if ((mots[b / 64] >> (b % 64)) & 1) {
                r0 = somme(r1, r0, p);
                r1 = double_(r1);
            } else {
                r1 = somme(r1, r0, p);
                r0 = double_(r0);
            }
        }
        return r0;
    }
};

// A divisor strictly between 1 and n that v shares with n, or 0.
u64 diviseur_commun(u64 v, u64 n) {
    const u64 d = pgcd(v, n);
    return d == 1 || d == n ? 0 : d;
}

// Suyama's curve of parameter sigma (its number of points is a multiple of
// 12). Returns a divisor strictly between 1 and n, or 0.
u64 courbe(const Montgomery& mg, u64 sigma) {
    const u64 n = mg.module();
    // u = sigma^2 - 5, v = 4 sigma; the point (u^3 : v^3), and
    // (A + 2) / 4 = (v - u)^3 (3u + v) / (16 u^3 v).
    const u64 s = mg.vers(sigma % n);
    const u64 u = mg.sub(mg.mul(s, s), mg.vers(5 % n));
    const u64 v = mg.add(mg.add(s, s), mg.add(s, s));
    const u64 u3 = mg.mul(mg.mul(u, u), u);
    const u64 vmu = mg.sub(v, u);
    const Courbe c{mg, mg.mul(mg.mul(mg.mul(vmu, vmu), vmu), mg.add(mg.add(u, mg.add(u, u)), v)),
                   mg.mul(mg.mul(mg.vers(16 % n), u3), v)};
    const Point depart = {u3, mg.mul(mg.mul(v, v), v)};

    // Stage 1.
    const Point q = c.multiple(depart, kEtape1.mots.data(), kEtape1.bits);
    if (const u64 d = diviseur_commun(q.z, n)) return d;

    // Stage 2: the product of x_m z_j - x_j z_m over the pairs (m kD, j),
    // written (x_m - x_j)(z_m + z_j) - x_m z_m + x_j z_j. [j]Q for the odd j
    // below kD / 2, from [j - 2]Q and [2]Q; then [m kD]Q from [(m - 1) kD]Q
    // and [kD]Q.
    std::array<Point, std::size(kBebes)> bebes;
    std::array<u64, std::size(kBebes)> bebes_xz;
    const Point q2 = c.double_(q);
    Point precedent = q, courant = q;  // [j - 2]Q, [j]Q
    for (u64 j = 1, b = 0; j < kD / 2; j += 2) {
        if (b < std::size(kBebes) && kBebes[b] == j) {
            bebes[b] = courant;
            bebes_xz[b] = mg.mul(courant.x, courant.z);
            ++b;
        }
        const Point suivant = j == 1 ? c.somme(q2, q, q) : c.somme(courant, q2, precedent);
        precedent = courant;
        courant = suivant;
    }
    const u64 d_mots[1] = {kD};
    const Point g1 = c.multiple(q, d_mots, std::bit_width(kD));
    Point g_avant = g1, g = g1;  // [(m - 1) kD]Q, [m kD]Q
    u64 produit = mg.un();
    for (u64 m = 1; m <= kGeants; ++m) {
        if (m == 2) {
            g = c.double_(g1);
        } else if (m > 2) {
            const Point suivant = c.somme(g, g1, g_avant);
            g_avant = g;
            g = suivant;
        }
        if (kPaires[m] == 0) continue;
        const u64 g_xz = mg.mul(g.x, g.z);
        for (std::size_t b = 0; b < std::size(kBebes); ++b) {
            if (!((kPaires[m] >> b) & 1)) continue;
            const u64 t = mg.mul(mg.sub(g.x, bebes[b].x), mg.add(g.z, bebes[b].z));
            produit = mg.mul(produit, mg.add(mg.sub(t, g_xz), bebes_xz[b]));
        }
    }
    return diviseur_commun(produit, n);
}

// A divisor strictly between 1 and n, for an odd composite n that has no
// prime factor below 1000.
u64 diviseur(u64 n) {
    const Montgomery mg(n);
    if (n >= kSeuilCourbes) {
        for (u64 sigma = 6; sigma < 6 + kCourbesMax; ++sigma)
            if (const u64 d = courbe(mg, sigma)) return d;
    }
    for (u64 c = 1; c <= kEssaisMax; ++c) {
        const u64 d = rho_brent(mg, c);
        if (d != 0) return d;
    }
    // Never reached in practice; trial division always ends (a composite n
    // has a divisor at most its square root).
    for (u64 d = kBorne + 1;; d += 2) {
        if (n % d == 0) return d;
    }
}

// Appends the prime factors of n (odd, no prime factor below 1000, or 1).
void scinder(u64 n, std::vector<u64>& facteurs) {
    if (n == 1) return;
    if (miller_rabin(n)) {
        facteurs.push_back(n);
        return;
    }
    const u64 r = racine_entiere(n);
    if (r * r == n) {
        const std::size_t debut = facteurs.size();
        scinder(r, facteurs);
        const std::vector<u64> de_r(facteurs.begin() + static_cast<std::ptrdiff_t>(debut), facteurs.end());
        facteurs.insert(facteurs.end(), de_r.begin(), de_r.end());
        return;
    }
    const u64 d = diviseur(n);
    scinder(d, facteurs);
    scinder(n / d, facteurs);
}

}  // namespace

bool est_premier(std::uint64_t n) {
    if (n < 2) return false;
    if (n % 2 == 0) return n == 2;
    for (const PetitPremier& e : kPetitsPremiers) {
        if (divise(e, n)) return n == e.p;
    }
    return miller_rabin(n);
}

std::vector<std::uint64_t> facteurs_premiers(std::uint64_t n) {
    std::vector<u64> facteurs;
    if (n < 2) return facteurs;
    const int deux = std::countr_zero(n);
    facteurs.assign(static_cast<std::size_t>(deux), 2);
    n >>= deux;
    for (const PetitPremier& e : kPetitsPremiers) {
        if (e.p * e.p > n) break;  // what remains is 1 or a prime
        while (divise(e, n)) {
            facteurs.push_back(e.p);
            n *= e.inverse;
        }
    }
    scinder(n, facteurs);
    std::sort(facteurs.begin(), facteurs.end());
    return facteurs;
}
