// Exact counting of the subsets that reach a target, by number of terms.
//
// Only the n' elements up to T can be in a subset; the others are left out.
// The table: one row per sum s in [0, C] (C the target actually counted, see
// below), row s holding the counts for m = 0 .. jmax(s) terms, where jmax(s)
// is the largest number of elements whose sum can be s (the most smallest
// elements that fit in s). Rows are contiguous, one cell after the other, so
// the update of a row by one element is one run of additions.
//
// The elements are added in ascending order, each row updated in place with
// the sums descending (0/1 knapsack). After element k only the sums
// s >= C - (sum of the elements after k) can still reach C, and only the sums
// s <= (sum of the elements up to k) are reachable, so each element updates a
// window of rows; inside a row, only the numbers of terms that the elements
// already added can make are touched (at least the fewest largest of them that
// reach s, at most k + 1).
//
// Useful rows: after element k, row s matters only when C - s is the sum of
// some subset of the elements after k. A backward pass over bitsets of those
// suffix sums marks, for each element, the rows of its window that matter;
// the large elements have few such sums (with the divisors of 55440, 62% of
// the row updates and 72% of the cell updates are skipped). Those marks are
// kept for the elements whose windows are not all useful, within a fixed
// share of the memory and a fixed time; the elements the backward pass does
// not reach update every row of their windows.
//
// Target: when the sum of all the elements minus T is below T, the subsets
// reaching T are the complements of those reaching that difference, which
// needs a smaller table; m terms there are n' - m terms here.
//
// Exactness: cells have a fixed number of 64-bit words, enough for any count
// they can hold, so they never wrap. Three bounds of a cell of row s with m
// terms: C(n', m) <= C(n', min(M, n'/2)), M the largest number of terms;
// p(s) <= p(C) < exp(pi sqrt(2C/3)) (Apostol, Th. 14.5), as a subset of
// distinct positive integers with sum s is a partition of s; and B(s), the
// number of subsets of any size with sum s that the updates can form, got by
// a first pass of the same sweep over one number per row (rounded up, in
// long double), run when it costs little next to the count. The width is the
// smallest of the three.
//
// Layout: word i of every cell lives in plane i (one array of all the cells
// per word), and each row keeps B(s) as it grows: a row whose counts still
// fit in one word is updated on the low plane alone (plain 64-bit additions,
// two per SSE2 instruction), in two words with one carry, and so on; the
// high planes of the rows with small counts are never touched.

#include "search/counting.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

namespace {

__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;
typedef std::uint64_t v2u64 __attribute__((vector_size(16)));

/// Share of the work between two calls of the progress callback, in cells.
constexpr std::uint64_t cellules_par_rapport = std::uint64_t{1} << 22;

/// octets_comptage sizes the count with this limit; past it, it answers with
/// the width of the binomial and partition bounds, without the passes.
constexpr u128 octets_sans_passe = u128{1} << 40;

/// The bound pass runs when the windows hold at most this many rows (more
/// means a count of hours, for which the cheap widths are enough).
constexpr double lignes_passe_max = 0x1p30;

/// The backward pass that marks the useful rows stops after this many word
/// operations on its bitset; the elements it has not reached get no marks.
constexpr double operations_marques_max = 0x1p28;

/// Upper bound of the counts of one row, rounded up, in the bound pass: its
/// range reaches 2^16384, past every width that fits in memory. The count
/// itself keeps its row bounds in double (faster), where a bound past 2^1024
/// becomes infinite and asks for the full width of the cells.
using Borne = long double;

/// The marks of useful rows take at most this share of a one-word table
/// (and 1 MiB at least); the elements left without marks update every row.
constexpr std::size_t part_des_marques = 4;

/// Everything decided before any table is built.
struct Plan {
    bool table = false;        ///< false: every count is 0, no table needed
    const std::int64_t* e = nullptr;  ///< the elements that matter, ascending
    std::size_t ne = 0;        ///< their number n' (those <= T)
    i128 total = 0;            ///< their sum
    std::int64_t cible = 0;    ///< the target counted, T or total - T
    bool complement = false;   ///< cible = total - T: m terms are n' - m
    std::vector<i128> pre;     ///< pre[j]: sum of the j smallest, j <= n'
    std::size_t m_max = 0;     ///< largest number of terms with sum <= cible
    u128 cellules = 0;         ///< cells of the table
    std::size_t mots_a_priori = 0;  ///< words per cell by the binomial and partition bounds
    double lignes_fenetres = 0;  ///< rows of all the windows (row updates before marks)
};

/// Bytes for the table with cells of `mots` words and its side arrays.
u128 octets_plan(const Plan& p, std::size_t mots) {
    if (!p.table) return 0;
    // The cells, the row offsets and the row bounds, the prefix sums.
    return p.cellules * mots * 8 + (static_cast<u128>(p.cible) + 2) * (8 + sizeof(Borne)) +
           static_cast<u128>(p.pre.size()) * sizeof(i128);
}

std::size_t en_size_t(u128 x) {
    return x > std::numeric_limits<std::size_t>::max() ? std::numeric_limits<std::size_t>::max()
                                                       : static_cast<std::size_t>(x);
}

Plan planifier(const std::int64_t* d, std::size_t n, std::int64_t T) {
    Plan p;
    if (T < 0 || (n == 0 && T > 0)) return p;  // nothing reaches T
    p.e = d;
    p.ne = n == 0 ? 0 : static_cast<std::size_t>(std::upper_bound(d, d + n, T) - d);
    p.pre.assign(p.ne + 1, 0);
    for (std::size_t j = 0; j < p.ne; ++j) p.pre[j + 1] = p.pre[j] + d[j];
    p.total = p.pre[p.ne];
    if (p.total < T) {
        p.pre.clear();
        return p;
    }
    p.table = true;
    p.cible = T;
    if (p.total - T < T) {
        p.cible = static_cast<std::int64_t>(p.total - T);
        p.complement = true;
    }
    // M: the most smallest elements that fit in the target.
    std::size_t m = 0;
    while (m < p.ne && p.pre[m + 1] <= p.cible) ++m;
    p.m_max = m;
    // Cells: the rows s in [pre[j], pre[j+1] - 1] hold j + 1 cells.
    u128 cellules = 0;
    for (std::size_t j = 0; j <= m; ++j) {
        const i128 debut = p.pre[j];
        const i128 fin = j < p.ne ? std::min<i128>(p.pre[j + 1] - 1, p.cible) : p.cible;
        if (fin >= debut) cellules += static_cast<u128>(fin - debut + 1) * (j + 1);
    }
    p.cellules = cellules;
    // log2 C(n', h), h = min(M, n'/2), and log2 of exp(pi sqrt(2C/3)), with
    // half a bit of margin for the rounding (which stays far below 1e-6 bit).
    const std::size_t h = std::min(m, p.ne / 2);
    double log2c = 0;
    for (std::size_t i = 1; i <= h; ++i)
        log2c += std::log2(static_cast<double>(p.ne - h + i)) - std::log2(static_cast<double>(i));
    const double log2p =
        3.14159265358979324 * std::sqrt(2.0 * static_cast<double>(p.cible) / 3.0) / std::log(2.0);
    p.mots_a_priori = static_cast<std::size_t>((std::min(log2c, log2p) + 0.5) / 64) + 1;
    for (std::size_t k = 0; k < p.ne; ++k) {
        const i128 hi = std::min<i128>(p.cible, p.pre[k + 1]);
        const i128 lo = std::max<i128>(p.e[k], p.cible - (p.total - p.pre[k + 1]));
        if (hi >= lo) p.lignes_fenetres += static_cast<double>(hi - lo + 1);
    }
    return p;
}

/// Words needed for every value up to the bound b, at most `plafond`.
template <class F>
inline std::size_t largeur(F b, std::size_t plafond) {
    if (b < F{0x1p64L}) return 1;
    if (b < F{0x1p128L} || plafond <= 2) return std::min<std::size_t>(2, plafond);
    if (!(b < std::numeric_limits<F>::infinity())) return plafond;
    // b < 2^(ilogb(b) + 1) <= 2^(64 w)
    return std::min(plafond, static_cast<std::size_t>(std::ilogb(b)) / 64 + 1);
}

/// Cells of one word: dst[0..nb) += src[0..nb).
inline void ajouter_1(std::uint64_t* __restrict dst, const std::uint64_t* __restrict src,
                      std::size_t nb) {
    std::size_t c = 0;
    for (; c + 4 <= nb; c += 4) {
        v2u64 x0, x1, y0, y1;
        std::memcpy(&x0, dst + c, 16);
        std::memcpy(&x1, dst + c + 2, 16);
        std::memcpy(&y0, src + c, 16);
        std::memcpy(&y1, src + c + 2, 16);
        x0 += y0;
        x1 += y1;
        std::memcpy(dst + c, &x0, 16);
        std::memcpy(dst + c + 2, &x1, 16);
    }
    for (; c < nb; ++c) dst[c] += src[c];
}

/// The carry out of x + y (+ a carry in) that gave `somme`, as 0 or 1 in
/// each lane: the majority of the top bits of x, y and not somme.
inline v2u64 retenue_de(v2u64 x, v2u64 y, v2u64 somme) {
    return ((x & y) | ((x | y) & ~somme)) >> 63;
}

/// Cells of two words, the low words at +0, the high ones one plane further.
inline void ajouter_2(std::uint64_t* __restrict dst, const std::uint64_t* __restrict src,
                      std::size_t nb, std::size_t plan) {
    std::uint64_t* __restrict dh = dst + plan;
    const std::uint64_t* __restrict sh = src + plan;
    std::size_t c = 0;
    for (; c + 2 <= nb; c += 2) {
        v2u64 x, y, xh, yh;
        std::memcpy(&x, dst + c, 16);
        std::memcpy(&y, src + c, 16);
        std::memcpy(&xh, dh + c, 16);
        std::memcpy(&yh, sh + c, 16);
        const v2u64 lo = x + y;
        xh += yh + retenue_de(x, y, lo);
        std::memcpy(dst + c, &lo, 16);
        std::memcpy(dh + c, &xh, 16);
    }
    for (; c < nb; ++c) {
        const std::uint64_t lo = dst[c] + src[c];
        dh[c] += sh[c] + (lo < src[c] ? 1 : 0);
        dst[c] = lo;
    }
}

/// Cells of w >= 3 words, one plane after the other, the carry of each cell
/// kept in `retenues` (nb entries, any content on entry).
inline void ajouter_n(std::uint64_t* __restrict dst, const std::uint64_t* __restrict src,
                      std::size_t nb, std::size_t plan, std::size_t w,
                      std::uint64_t* __restrict retenues) {
    std::fill(retenues, retenues + nb, 0);
    for (std::size_t i = 0; i < w; ++i) {
        std::uint64_t* __restrict d = dst + i * plan;
        const std::uint64_t* __restrict s = src + i * plan;
        std::size_t c = 0;
        for (; c + 2 <= nb; c += 2) {
            v2u64 x, y, r;
            std::memcpy(&x, d + c, 16);
            std::memcpy(&y, s + c, 16);
            std::memcpy(&r, retenues + c, 16);
            const v2u64 somme = x + y + r;
            r = retenue_de(x, y, somme);
            std::memcpy(d + c, &somme, 16);
            std::memcpy(retenues + c, &r, 16);
        }
        for (; c < nb; ++c) {
            const u128 somme = static_cast<u128>(d[c]) + s[c] + retenues[c];
            d[c] = static_cast<std::uint64_t>(somme);
            retenues[c] = static_cast<std::uint64_t>(somme >> 64);
        }
    }
}

/// Window of the rows that element k updates: [lo, hi], empty when lo > hi.
struct Fenetre {
    std::int64_t lo = 1, hi = 0;
};

Fenetre fenetre(const Plan& p, std::size_t k) {
    const i128 hi = std::min<i128>(p.cible, p.pre[k + 1]);
    const i128 lo = std::max<i128>(p.e[k], p.cible - (p.total - p.pre[k + 1]));
    if (hi < lo) return {};
    return {static_cast<std::int64_t>(lo), static_cast<std::int64_t>(hi)};
}

/// Ones among the bits [debut, fin] of `bits`.
std::uint64_t uns(const std::vector<std::uint64_t>& bits, std::uint64_t debut, std::uint64_t fin) {
    std::uint64_t n = 0;
    for (std::uint64_t w = debut >> 6; w <= fin >> 6; ++w) {
        std::uint64_t x = bits[w];
        if (w == debut >> 6) x &= ~std::uint64_t{0} << (debut & 63);
        if (w == fin >> 6 && (fin & 63) != 63) x &= (std::uint64_t{1} << ((fin & 63) + 1)) - 1;
        n += static_cast<std::uint64_t>(__builtin_popcountll(x));
    }
    return n;
}

/// The useful rows of each element's window: the row s is useful for element
/// k when the bit C - s is set in the suffix sums after k.
struct Utiles {
    static constexpr std::size_t tous = std::numeric_limits<std::size_t>::max();
    std::vector<std::uint64_t> bits;  ///< the kept marks, one run of words per element
    std::vector<std::size_t> debut;   ///< per element: its run in bits, or tous
    std::vector<std::size_t> mot0;    ///< per element: the word of C - s its run starts at
    std::vector<double> lignes;       ///< per element: the rows it updates
    std::size_t octets_passe = 0;     ///< the working bitset of the pass

    u128 octets() const {
        return static_cast<u128>(bits.size()) * 8 + static_cast<u128>(debut.size()) * 24 +
               octets_passe;
    }
};

Utiles utiles(const Plan& p) {
    Utiles u;
    u.debut.assign(p.ne, Utiles::tous);
    u.mot0.assign(p.ne, 0);
    u.lignes.assign(p.ne, 0);
    for (std::size_t k = 0; k < p.ne; ++k) {
        const Fenetre f = fenetre(p, k);
        if (f.lo <= f.hi) u.lignes[k] = static_cast<double>(f.hi - f.lo + 1);
    }
    const std::uint64_t bits_utiles = static_cast<std::uint64_t>(p.cible) + 1;
    const std::size_t nmots = static_cast<std::size_t>((bits_utiles + 63) / 64);
    const u128 plafond = std::max<u128>(u128{1} << 20, p.cellules * 8 / part_des_marques);
    std::vector<std::uint64_t> acc(nmots, 0);  // sums of the elements after k, <= C
    u.octets_passe = nmots * 8;
    acc[0] = 1;
    const std::uint64_t masque_haut =
        (bits_utiles & 63) == 0 ? ~std::uint64_t{0} : (std::uint64_t{1} << (bits_utiles & 63)) - 1;
    // Stops when every sum <= C is reachable (all rows useful from there
    // on), when the marks fill their share, or when the pass costs too much.
    double operations = 0;
    for (std::size_t k = p.ne; k-- > 0 && bits_utiles > 1;) {
        operations += static_cast<double>(nmots);
        if (operations > operations_marques_max) break;
        const Fenetre f = fenetre(p, k);
        if (f.lo <= f.hi) {
            const std::uint64_t r_lo = static_cast<std::uint64_t>(p.cible - f.hi);
            const std::uint64_t r_hi = static_cast<std::uint64_t>(p.cible - f.lo);
            const std::uint64_t n1 = uns(acc, r_lo, r_hi);
            if (n1 < r_hi - r_lo + 1) {
                const std::size_t w0 = static_cast<std::size_t>(r_lo >> 6);
                const std::size_t w1 = static_cast<std::size_t>(r_hi >> 6);
                if (static_cast<u128>(u.bits.size() + w1 - w0 + 1) * 8 > plafond) break;
                u.debut[k] = u.bits.size();
                u.mot0[k] = w0;
                u.bits.insert(u.bits.end(), acc.begin() + static_cast<std::ptrdiff_t>(w0),
                              acc.begin() + static_cast<std::ptrdiff_t>(w1) + 1);
                u.lignes[k] = static_cast<double>(n1);
            }
        }
        // acc |= acc << e[k], kept within [0, C].
        const std::uint64_t x = static_cast<std::uint64_t>(p.e[k]);
        const std::size_t q = static_cast<std::size_t>(x >> 6);
        const unsigned b = static_cast<unsigned>(x & 63);
        std::uint64_t tous_uns = ~std::uint64_t{0};
        for (std::size_t w = nmots; w-- > 0;) {
            if (w >= q) {
                std::uint64_t v = acc[w - q] << b;
                if (b != 0 && w > q) v |= acc[w - q - 1] >> (64 - b);
                acc[w] |= v;
            }
            if (w == nmots - 1) acc[w] &= masque_haut;
            tous_uns &= w == nmots - 1 ? (acc[w] | ~masque_haut) : acc[w];
        }
        if (tous_uns == ~std::uint64_t{0}) break;
    }
    u.bits.shrink_to_fit();  // the bytes counted are the bytes held
    return u;
}

/// Row offsets, in cells: row s starts at off[s] and holds jmax(s) + 1
/// cells; off[cible + 1] is the number of cells.
std::vector<std::uint64_t> decalages(const Plan& p) {
    const std::size_t lignes = static_cast<std::size_t>(p.cible) + 1;
    std::vector<std::uint64_t> off(lignes + 1);
    std::size_t jm = 0;
    std::uint64_t acc = 0;
    for (std::size_t s = 0; s < lignes; ++s) {
        while (jm < p.ne && p.pre[jm + 1] <= static_cast<i128>(s)) ++jm;
        off[s] = acc;
        acc += jm + 1;
    }
    off[lignes] = acc;
    return off;
}

/// Where the cells go, for the sweep that fills them.
struct Table {
    std::uint64_t* tab = nullptr;  ///< cell c, word i: tab[i * plan + c], all 0 on entry
    std::size_t mots = 0;          ///< words per cell
    bool force = false;            ///< add every word of every cell
    AvancementComptage avancement = nullptr;
    void* contexte = nullptr;
};

/// The sweep: every element in ascending order, the rows of its window with
/// the sums descending. borne[s] (all 0 on entry) ends as the bound B(s).
/// With a table, the cells are updated too, on the words borne allows.
template <bool AVEC_TABLE, class F>
void balayer(const Plan& p, const Utiles& u, const std::vector<std::uint64_t>& off,
             std::vector<F>& borne, const Table& t) {
    const std::size_t plan = static_cast<std::size_t>(p.cellules);
    const std::int64_t cible = p.cible;
    const i128* pre = p.pre.data();
    const std::uint64_t* o = off.data();
    F* bo = borne.data();
    constexpr F arrondi = 1 + F{0x1p-40L};  // rounds each sum of bounds up
    std::vector<std::uint64_t> retenues(AVEC_TABLE && t.mots >= 3 ? p.m_max + 1 : 0);

    // Work of each element, roughly, for the progress shares.
    const bool rapports = AVEC_TABLE && t.avancement != nullptr;
    std::vector<double> travail;
    double travail_total = 0;
    if (rapports) {
        travail.assign(p.ne, 0);
        for (std::size_t k = 0; k < p.ne; ++k) {
            travail[k] = u.lignes[k] * static_cast<double>(std::min(k + 1, p.m_max));
            travail_total += travail[k];
        }
    }
    double travail_fait = 0, dernier = 0, lignes_faites = 0;
    std::uint64_t compteur = 0;
    bool appele = false;

    if constexpr (AVEC_TABLE) t.tab[0] = 1;  // the empty subset: sum 0, 0 terms
    bo[0] = 1;
    for (std::size_t k = 0; k < p.ne; ++k) {
        const std::int64_t x = p.e[k];
        const Fenetre f = fenetre(p, k);
        if (f.lo > f.hi) continue;
        const std::int64_t hi = f.hi, lo = f.lo;
        const std::size_t kmax = k + 1;
        // The marks of the useful rows: bit C - s of marques[...], or none.
        const bool trie = u.debut[k] != Utiles::tous;
        const std::uint64_t* marques = trie ? u.bits.data() + u.debut[k] : nullptr;
        const std::uint64_t mot0 = trie ? u.mot0[k] : 0;
        lignes_faites = 0;
        // j: fewest of the elements before k (the largest first) whose sum
        // reaches s - x; decreases with s.
        const i128 avant = pre[k];
        std::size_t j = 0;
        while (avant - pre[k - j] < hi - x) ++j;
        for (std::int64_t s = hi; s >= lo; --s) {
            if (trie) {
                const std::uint64_t r = static_cast<std::uint64_t>(cible - s);
                if (((marques[(r >> 6) - mot0] >> (r & 63)) & 1) == 0) continue;
            }
            const std::int64_t v = s - x;
            while (j > 0 && avant - pre[k - j + 1] >= v) --j;
            const std::size_t us = static_cast<std::size_t>(s), uv = static_cast<std::size_t>(v);
            if (bo[uv] == 0) continue;  // no subset has the sum s - x yet
            // Terms m in [a, b] receive the cells m - 1 of row s - x.
            const std::size_t a = j + 1;
            const std::size_t b = std::min<std::size_t>(
                {static_cast<std::size_t>(o[us + 1] - o[us] - 1),
                 static_cast<std::size_t>(o[uv + 1] - o[uv]), kmax});
            if (a > b) continue;
            bo[us] = (bo[us] + bo[uv]) * arrondi;
            if constexpr (AVEC_TABLE) {
                const std::size_t nb = b - a + 1;
                std::uint64_t* dst = t.tab + o[us] + a;
                const std::uint64_t* src = t.tab + o[uv] + a - 1;
                const std::size_t w = t.force ? t.mots : largeur(bo[us], t.mots);
                if (w == 1)
                    ajouter_1(dst, src, nb);
                else if (w == 2)
                    ajouter_2(dst, src, nb, plan);
                else
                    ajouter_n(dst, src, nb, plan, w, retenues.data());
                lignes_faites += 1;
                if (rapports && (compteur += nb) >= cellules_par_rapport) {
                    compteur = 0;
                    const double fait =
                        travail_fait + lignes_faites * static_cast<double>(std::min(kmax, p.m_max));
                    dernier = std::max(dernier, std::min(1.0, fait / travail_total));
                    t.avancement(dernier, t.contexte);
                    appele = true;
                }
            }
        }
        if (rapports) travail_fait += travail[k];
    }
    if (appele) t.avancement(1.0, t.contexte);
}

/// The sizes of a count: the marks, the row offsets, the words per cell and
/// the bytes in all.
struct Dimensions {
    Utiles u;
    std::vector<std::uint64_t> off;
    std::size_t mots = 0;
    u128 octets = 0;
};

/// Sizes the count. Words per cell: the width of the first two bounds, or
/// the smaller width of the largest bound B(s) by the bound pass, which runs
/// unless one word is certain or the windows hold too many rows. Returns
/// false as soon as the bytes are sure to pass octets_max (dim then partial);
/// the sizes themselves never depend on octets_max.
bool dimensionner(const Plan& p, u128 octets_max, Dimensions& dim) {
    const bool passe = p.mots_a_priori > 1 && p.lignes_fenetres <= lignes_passe_max;
    if (octets_plan(p, passe ? 1 : p.mots_a_priori) > octets_max) return false;
    dim.u = utiles(p);
    if (octets_plan(p, passe ? 1 : p.mots_a_priori) + dim.u.octets() > octets_max) return false;
    dim.off = decalages(p);
    dim.mots = p.mots_a_priori;
    if (passe) {
        std::vector<Borne> borne(dim.off.size() - 1, Borne{0});
        balayer<false>(p, dim.u, dim.off, borne, Table{});
        dim.mots = largeur(*std::max_element(borne.begin(), borne.end()), p.mots_a_priori);
    }
    dim.octets = octets_plan(p, dim.mots) + dim.u.octets();
    return dim.octets <= octets_max;
}

struct Liberer {
    void operator()(std::uint64_t* q) const { std::free(q); }
};

/// The whole count; mots_forces = 0 chooses the width, otherwise every word
/// of cells of that width is added (false when it is too narrow).
bool compter(const Plan& p, std::size_t n, std::size_t octets_max, std::size_t mots_forces,
             std::vector<Compte>& par_termes, AvancementComptage avancement, void* contexte) {
    if (!p.table) {
        par_termes.assign(n + 1, Compte{});
        return true;
    }
    Dimensions dim;
    if (!dimensionner(p, octets_max, dim)) return false;
    if (mots_forces != 0 && mots_forces < dim.mots) return false;
    const std::size_t mots = mots_forces != 0 ? mots_forces : dim.mots;
    if (octets_plan(p, mots) + dim.u.octets() > octets_max) return false;

    const std::size_t plan = static_cast<std::size_t>(p.cellules);
    // calloc: the pages of the high planes that no count reaches stay
    // untouched.
    std::unique_ptr<std::uint64_t, Liberer> tab(
        static_cast<std::uint64_t*>(std::calloc(plan * mots, sizeof(std::uint64_t))));
    if (!tab) return false;
    Table t;
    t.tab = tab.get();
    t.mots = mots;
    t.force = mots_forces != 0;
    t.avancement = avancement;
    t.contexte = contexte;
    std::vector<double> borne(dim.off.size() - 1, 0.0);
    balayer<true>(p, dim.u, dim.off, borne, t);

    std::vector<Compte> resultat(n + 1);
    const std::size_t ligne = dim.off[dim.off.size() - 2];  // row cible
    for (std::size_t m = 0; m <= p.m_max; ++m) {
        std::vector<std::uint64_t> c(mots);
        for (std::size_t i = 0; i < mots; ++i) c[i] = t.tab[i * plan + ligne + m];
        while (!c.empty() && c.back() == 0) c.pop_back();
        resultat[p.complement ? p.ne - m : m].mots = std::move(c);
    }
    par_termes = std::move(resultat);
    return true;
}

/// Words per cell and bytes that compter needs with no memory limit (past
/// 1 TiB, the width of the first two bounds and the bytes it would take).
std::pair<std::size_t, u128> besoins(const Plan& p) {
    if (!p.table) return {0, 0};
    Dimensions dim;
    if (!dimensionner(p, octets_sans_passe, dim)) return {p.mots_a_priori, octets_plan(p, p.mots_a_priori)};
    return {dim.mots, dim.octets};
}

}  // namespace

bool compter_sous_ensembles(const std::int64_t* d, std::size_t n, std::int64_t T,
                            std::size_t octets_max, std::vector<Compte>& par_termes,
                            AvancementComptage avancement, void* contexte) {
    return compter(planifier(d, n, T), n, octets_max, 0, par_termes, avancement, contexte);
}

std::size_t octets_comptage(const std::int64_t* d, std::size_t n, std::int64_t T) {
    return en_size_t(besoins(planifier(d, n, T)).second);
}

namespace comptage_detail {

std::size_t mots_par_cellule(const std::int64_t* d, std::size_t n, std::int64_t T) {
    return besoins(planifier(d, n, T)).first;
}

bool compter_avec_largeur(const std::int64_t* d, std::size_t n, std::int64_t T,
                          std::size_t octets_max, std::size_t mots,
                          std::vector<Compte>& par_termes) {
    if (mots == 0) return false;
    return compter(planifier(d, n, T), n, octets_max, mots, par_termes, nullptr, nullptr);
}

}  // namespace comptage_detail
