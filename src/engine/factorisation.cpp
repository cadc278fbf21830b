// Primality test and prime factorisation of 64-bit integers.
//
// Plan: strip the factors 2 and the odd primes below 1000 by trial division
// (a divisibility test by multiplication with the inverse modulo 2^64, and
// exact division the same way); what remains has no factor below 1000, so it
// is prime when below 1000^2, and otherwise Miller–Rabin decides. A composite
// remainder is split by its square root when it is a square, by a few steps
// of Fermat's method when its factors are close, else by elliptic curves from
// 2^46 on, two at a time, and below that (or when 400 curves fail) by
// Pollard–Brent rho; the pieces are split again until all are prime.
// All residue arithmetic modulo the odd number being split is in Montgomery
// form with R = 2^64, which is valid for every odd modulus below 2^64.
#include "engine/wide.h"
#include "engine/factorisation.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>

namespace taverlune {

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
// divides the gcd of its z coordinate with n. Points are written (x : z); the
// y coordinate is never needed. kVoies curves run side by side through the
// same steps: each product modulo n waits for the one before it, so the
// curves fill each other's waits.

constexpr u64 kB1 = 165;
constexpr u64 kB2 = 12000;
constexpr int kVoies = 2;
// Stage 2 reaches q = m kD +- j from the multiples m kD and the j < kD / 2
// prime to kD.
constexpr u64 kD = 210;
constexpr std::size_t kNbBebes = 24;
constexpr std::array<u64, kNbBebes> kBebes = [] {
    std::array<u64, kNbBebes> b{};
    std::size_t k = 0;
    for (u64 j = 1; j < kD / 2; j += 2)
        if (j % 3 != 0 && j % 5 != 0 && j % 7 != 0) b[k++] = j;
    return b;
}();
constexpr std::size_t kGeants = (kB2 + kD / 2) / kD;  // m = 1 .. kGeants
// Curves tried before the number goes to rho.
constexpr u64 kCourbesMax = 400;
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
    std::array<u64, 8> mots{};
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
    for (int b = 0; b < 512; ++b)
        if ((k.mots[static_cast<std::size_t>(b / 64)] >> (b % 64)) & 1) k.bits = b + 1;
    return k;
}();

// kPaires[m]: bit b set when m kD + kBebes[b] or m kD - kBebes[b] is a prime
// in (kB1, kB2]. Each such prime is met once.
constexpr std::array<std::uint32_t, kGeants + 1> kPaires = [] {
    std::array<std::uint32_t, kGeants + 1> paires{};
    for (u64 m = 1; m <= kGeants; ++m)
        for (std::size_t b = 0; b < kNbBebes; ++b)
            for (const u64 q : {m * kD + kBebes[b], m * kD - kBebes[b]})
                if (q > kB1 && q <= kB2 && premier_petit(q)) paires[m] |= std::uint32_t{1} << b;
    return paires;
}();

// The pairs as (index of the giant, index of the baby) among the points of stage 2.
constexpr std::size_t kNbPaires = [] {
    std::size_t c = 0;
    for (const std::uint32_t p : kPaires) c += static_cast<std::size_t>(std::popcount(p));
    return c;
}();
struct Paire {
    std::uint16_t geant, bebe;
};
constexpr std::array<Paire, kNbPaires> kListePaires = [] {
    std::array<Paire, kNbPaires> l{};
    std::size_t c = 0;
    for (std::size_t m = 1; m <= kGeants; ++m)
        for (std::size_t b = 0; b < kNbBebes; ++b)
            if ((kPaires[m] >> b) & 1)
                l[c++] = {static_cast<std::uint16_t>(kNbBebes + m - 1), static_cast<std::uint16_t>(b)};
    return l;
}();

// The inverse of a modulo n, into `inverse`, when they are coprime; returns
// gcd(a, n). Extended Euclid: each remainder is s n + t a, and the t
// alternate in sign, so only their sizes are kept (at most n, no overflow).
u64 inverse_modulaire(u64 a, u64 n, u64& inverse) {
    u64 r0 = n, r1 = a;
    u64 t0 = 0, t1 = 1;      // sizes of the t of r0 and r1
    bool t0_negatif = true;  // t0's sign (the t of n is 0)
    while (r1 != 0) {
        const u64 q = r0 / r1;
        const u64 r2 = r0 - q * r1;
        r0 = r1;
        r1 = r2;
        const u64 t2 = t0 + q * t1;
        t0 = t1;
        t1 = t2;
        t0_negatif = !t0_negatif;
    }
    inverse = t0_negatif && t0 != 0 ? n - t0 : t0;
    return r0;
}

// kVoies values, one a curve.
using Voies = std::array<u64, kVoies>;

// The curves of one batch, in Montgomery form: (A + 2) / 4 and the points.
struct Lot {
    const Montgomery& mg;
    u64 r3;  // 2^192 mod n: turns a plain inverse of a form into the form of the inverse
    Voies a24;

    // Inverts every form in v at once (Montgomery's trick: one inverse for
    // them all). Returns 1, or gcd(product, n) when that is not 1.
    template <std::size_t K>
    u64 inverser(std::array<u64, K>& v) const {
        std::array<u64, K> prefixe;
        u64 p = mg.un();
        for (std::size_t k = 0; k < K; ++k) prefixe[k] = p = mg.mul(p, v[k]);
        u64 inv;
        const u64 g = inverse_modulaire(p, mg.module(), inv);
        if (g != 1) return g;
        inv = mg.mul(inv, r3);
        for (std::size_t k = K; k-- > 1;) {
            const u64 ik = mg.mul(inv, prefixe[k - 1]);
            inv = mg.mul(inv, v[k]);
            v[k] = ik;
        }
        v[0] = inv;
        return 1;
    }
};

// P + Q from P, Q and P - Q = (xd : zd).
inline void somme(const Montgomery& mg, u64& x, u64& z, u64 px, u64 pz, u64 qx, u64 qz, u64 xd, u64 zd) {
    const u64 u = mg.mul(mg.sub(px, pz), mg.add(qx, qz));
    const u64 v = mg.mul(mg.add(px, pz), mg.sub(qx, qz));
    const u64 s = mg.add(u, v);
    const u64 d = mg.sub(u, v);
    x = mg.mul(zd, mg.mul(s, s));
    z = mg.mul(xd, mg.mul(d, d));
}

// P + Q from P, Q and P - Q = (xd : 1).
inline void somme1(const Montgomery& mg, u64& x, u64& z, u64 px, u64 pz, u64 qx, u64 qz, u64 xd) {
    const u64 u = mg.mul(mg.sub(px, pz), mg.add(qx, qz));
    const u64 v = mg.mul(mg.add(px, pz), mg.sub(qx, qz));
    const u64 s = mg.add(u, v);
    const u64 d = mg.sub(u, v);
    x = mg.mul(s, s);
    z = mg.mul(xd, mg.mul(d, d));
}

// 2P.
inline void double_(const Montgomery& mg, u64 a24, u64& x, u64& z, u64 px, u64 pz) {
    const u64 s = mg.add(px, pz);
    const u64 d = mg.sub(px, pz);
    const u64 s2 = mg.mul(s, s);
    const u64 d2 = mg.mul(d, d);
    const u64 t = mg.sub(s2, d2);  // 4 x z
    x = mg.mul(s2, d2);
    z = mg.mul(t, mg.add(d2, mg.mul(a24, t)));
}

// A divisor strictly between 1 and n that v shares with n, or 0.
u64 diviseur_commun(u64 v, u64 n) {
    const u64 d = pgcd(v, n);
    return d == 1 || d == n ? 0 : d;
}

// Runs kVoies of Suyama's curves (their number of points is a multiple of
// 12), of parameters sigma, sigma + 1, ... Returns a divisor strictly
// between 1 and n, or 0.
u64 courbes(const Montgomery& mg, u64 r3, u64 sigma) {
    const u64 n = mg.module();
    Lot lot{mg, r3, {}};
    // u = sigma^2 - 5, v = 4 sigma; the point (u^3 : v^3), and
    // (A + 2) / 4 = (v - u)^3 (3u + v) / (16 u^3 v). One inverse for all:
    // of 16 u^3 v^4 per curve.
    Voies x0, num, den16, a_inverser;
    for (int l = 0; l < kVoies; ++l) {
        const u64 s = mg.vers((sigma + static_cast<u64>(l)) % n);
        const u64 u = mg.sub(mg.mul(s, s), mg.vers(5 % n));
        const u64 v = mg.add(mg.add(s, s), mg.add(s, s));
        const u64 u3 = mg.mul(mg.mul(u, u), u);
        const u64 v3 = mg.mul(mg.mul(v, v), v);
        const u64 vmu = mg.sub(v, u);
        num[l] = mg.mul(mg.mul(mg.mul(vmu, vmu), vmu), mg.mul(mg.add(mg.add(u, mg.add(u, u)), v), v3));
        den16[l] = mg.mul(mg.mul(mg.vers(16 % n), u3), v);
        x0[l] = mg.mul(u3, den16[l]);
        a_inverser[l] = mg.mul(den16[l], v3);
    }
    Voies copie = a_inverser;
    if (const u64 g = lot.inverser(a_inverser); g != 1) {
        for (const u64 w : copie)
            if (const u64 d = diviseur_commun(w, n)) return d;
        return 0;
    }
    Voies px;
    for (int l = 0; l < kVoies; ++l) {
        lot.a24[l] = mg.mul(num[l], a_inverser[l]);
        px[l] = mg.mul(x0[l], a_inverser[l]);
    }

    // Stage 1: Montgomery's ladder, R1 - R0 = P, the swap done without branches.
    Voies x0r = px, z0r, x1r, z1r;
    for (int l = 0; l < kVoies; ++l) {
        z0r[l] = mg.un();
        double_(mg, lot.a24[l], x1r[l], z1r[l], px[l], mg.un());
    }
    u64 echange = 0;
    for (int b = kEtape1.bits - 2; b >= 0; --b) {
        const u64 bit = (kEtape1.mots[static_cast<std::size_t>(b / 64)] >> (b % 64)) & 1;
        const u64 masque = 0 - (bit ^ echange);
        echange = bit;
#pragma GCC unroll 8
        for (int l = 0; l < kVoies; ++l) {
            // After the swap, (x0r : z0r) is the point doubled.
            u64 t = (x0r[l] ^ x1r[l]) & masque;
            x0r[l] ^= t;
            x1r[l] ^= t;
            t = (z0r[l] ^ z1r[l]) & masque;
            z0r[l] ^= t;
            z1r[l] ^= t;
            somme1(mg, x1r[l], z1r[l], x1r[l], z1r[l], x0r[l], z0r[l], px[l]);
            double_(mg, lot.a24[l], x0r[l], z0r[l], x0r[l], z0r[l]);
        }
    }
    Voies qx, qz;
    for (int l = 0; l < kVoies; ++l) {
        const u64 masque = 0 - echange;
        qx[l] = x0r[l] ^ ((x0r[l] ^ x1r[l]) & masque);
        qz[l] = z0r[l] ^ ((z0r[l] ^ z1r[l]) & masque);
        if (const u64 d = diviseur_commun(qz[l], n)) return d;
    }

    // Stage 2: the product of x_m - x_j over the pairs (m kD, j), both points
    // brought to z = 1. [j]Q for the odd j below kD / 2, from [j - 2]Q and
    // [2]Q; [kD]Q = 2 [kD / 2]Q; then [m kD]Q from [(m - 1) kD]Q and [kD]Q.
    constexpr std::size_t kPoints = kNbBebes + kGeants;
    std::array<Voies, kPoints> xs, zs;
    Voies dx, dz, ax = qx, az = qz, cx = qx, cz = qz;
#pragma GCC unroll 8
    for (int l = 0; l < kVoies; ++l) double_(mg, lot.a24[l], dx[l], dz[l], qx[l], qz[l]);
    std::size_t b = 0;
    for (u64 j = 1; j < kD / 2; j += 2) {
        if (b < kNbBebes && kBebes[b] == j) {
            xs[b] = cx;
            zs[b] = cz;
            ++b;
        }
#pragma GCC unroll 8
        for (int l = 0; l < kVoies; ++l) {
            u64 sx, sz;
            if (j == 1) somme(mg, sx, sz, dx[l], dz[l], qx[l], qz[l], qx[l], qz[l]);
            else somme(mg, sx, sz, cx[l], cz[l], dx[l], dz[l], ax[l], az[l]);
            ax[l] = cx[l];
            az[l] = cz[l];
            cx[l] = sx;
            cz[l] = sz;
        }
    }
    // (cx : cz) = [kD / 2]Q.
#pragma GCC unroll 8
    for (int l = 0; l < kVoies; ++l) double_(mg, lot.a24[l], xs[kNbBebes][l], zs[kNbBebes][l], cx[l], cz[l]);
    const Voies gx = xs[kNbBebes], gz = zs[kNbBebes];
    if (kGeants >= 2) {
#pragma GCC unroll 8
        for (int l = 0; l < kVoies; ++l)
            double_(mg, lot.a24[l], xs[kNbBebes + 1][l], zs[kNbBebes + 1][l], gx[l], gz[l]);
    }
    for (std::size_t k = kNbBebes + 2; k < kPoints; ++k) {
#pragma GCC unroll 8
        for (int l = 0; l < kVoies; ++l)
            somme(mg, xs[k][l], zs[k][l], xs[k - 1][l], zs[k - 1][l], gx[l], gz[l], xs[k - 2][l], zs[k - 2][l]);
    }

    // z = 1 for all: one inverse (Montgomery's trick along each curve, then
    // across the curves).
    std::array<Voies, kPoints> prefixe;
    Voies p;
    p.fill(mg.un());
    for (std::size_t k = 0; k < kPoints; ++k) {
#pragma GCC unroll 8
        for (int l = 0; l < kVoies; ++l) prefixe[k][l] = p[l] = mg.mul(p[l], zs[k][l]);
    }
    Voies inv = p;
    if (const u64 g = lot.inverser(inv); g != 1) {
        for (const u64 w : p)
            if (const u64 d = diviseur_commun(w, n)) return d;
        return 0;
    }
    for (std::size_t k = kPoints; k-- > 1;) {
#pragma GCC unroll 8
        for (int l = 0; l < kVoies; ++l) {
            const u64 ik = mg.mul(inv[l], prefixe[k - 1][l]);
            inv[l] = mg.mul(inv[l], zs[k][l]);
            xs[k][l] = mg.mul(xs[k][l], ik);
        }
    }
#pragma GCC unroll 8
    for (int l = 0; l < kVoies; ++l) xs[0][l] = mg.mul(xs[0][l], inv[l]);

    Voies produit, produit2;
    produit.fill(mg.un());
    produit2.fill(mg.un());
    std::size_t i = 0;
    for (; i + 1 < kNbPaires; i += 2) {
        const auto [g1, b1] = kListePaires[i];
        const auto [g2, b2] = kListePaires[i + 1];
#pragma GCC unroll 8
        for (int l = 0; l < kVoies; ++l) {
            produit[l] = mg.mul(produit[l], mg.sub(xs[g1][l], xs[b1][l]));
            produit2[l] = mg.mul(produit2[l], mg.sub(xs[g2][l], xs[b2][l]));
        }
    }
    if (i < kNbPaires) {
        const auto [g1, b1] = kListePaires[i];
        for (int l = 0; l < kVoies; ++l) produit[l] = mg.mul(produit[l], mg.sub(xs[g1][l], xs[b1][l]));
    }
    for (int l = 0; l < kVoies; ++l) produit[l] = mg.mul(produit[l], produit2[l]);
    for (int l = 0; l < kVoies; ++l)
        if (const u64 d = diviseur_commun(produit[l], n)) return d;
    return 0;
}

// ---- Fermat's method ----------------------------------------------------------------

// Steps of Fermat's method tried before the curves.
constexpr u64 kPasFermat = 4;

// n = a^2 - b^2 = (a - b)(a + b), for a from ceil(sqrt(n)) on, kPasFermat
// values of a. In k steps this finds any two factors that differ by less than
// about sqrt(8 k) n^(1/4): n's two halves when they are close to each other,
// where the curves take as long as anywhere else. Returns a divisor strictly
// between 1 and n, or 0, for an odd n that is not a square.
u64 fermat(u64 n) {
    u64 a = racine_entiere(n) + 1;
    for (u64 pas = 0; pas < kPasFermat; ++pas, ++a) {
        const u64 b2 = static_cast<u64>(static_cast<u128>(a) * a - n);  // below 2^64 for these few a
        const u64 b = racine_entiere(b2);
        if (b * b == b2 && a - b > 1) return a - b;
    }
    return 0;
}

// A divisor strictly between 1 and n, for an odd composite n that has no
// prime factor below 1000.
u64 diviseur(u64 n) {
    if (const u64 d = fermat(n)) return d;
    const Montgomery mg(n);
    if (n >= kSeuilCourbes) {
        const u64 r2 = mg.vers(mg.un());
        const u64 r3 = mg.mul(r2, r2);
        for (u64 sigma = 6; sigma < 6 + kCourbesMax; sigma += kVoies) {
            if (const u64 d = courbes(mg, r3, sigma)) return d;
        }
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

}  // namespace taverlune
