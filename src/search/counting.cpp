// Exact counting of the subsets that reach a target, by number of terms.
//
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
// Target: when the sum of all the elements minus T is below T, the subsets
// reaching T are the complements of those reaching that difference, which
// needs a smaller table; m terms there are n' - m terms here.
//
// Exactness: a cell counts subsets of m elements among n', at most
// C(n', m) <= C(n', min(M, n'/2)) with M the largest number of terms, so
// cells of that many 64-bit words never wrap. Word i of every cell lives in
// plane i (one array of all the cells per word), and each row keeps an upper
// bound of its counts: a row whose counts fit in one word is updated on the
// low plane alone (plain 64-bit additions, four at a time), in two words with
// one carry, and so on; the high planes of the small rows are never touched.
#include "search/counting.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {

__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

/// Share of the work between two calls of the progress callback, in cells.
constexpr std::uint64_t cellules_par_rapport = std::uint64_t{1} << 22;

/// Everything decided before the table is built.
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
    std::size_t mots = 0;      ///< 64-bit words per cell needed
};

/// Bytes for the table with cells of `mots` words and its side arrays.
u128 octets_plan(const Plan& p, std::size_t mots) {
    if (!p.table) return 0;
    // The cells, the row offsets, the row bounds, the prefix sums.
    return p.cellules * mots * 8 + (static_cast<u128>(p.cible) + 2) * 16 +
           static_cast<u128>(p.pre.size()) * sizeof(i128);
}

Plan planifier(const std::int64_t* d, std::size_t n, std::int64_t T) {
    Plan p;
    if (T < 0 || n == 0) {
        p.table = T == 0;  // the empty subset alone
        if (!p.table) return p;
    }
    p.e = d;
    p.ne = T < 0 ? 0 : static_cast<std::size_t>(std::upper_bound(d, d + n, T) - d);
    p.pre.assign(p.ne + 1, 0);
    for (std::size_t j = 0; j < p.ne; ++j) p.pre[j + 1] = p.pre[j] + d[j];
    p.total = p.pre[p.ne];
    if (p.total < T) {
        p.table = false;
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
    // Cells: rows s in [pre[j], pre[j+1] - 1] hold j + 1 cells.
    u128 cellules = 0;
    for (std::size_t j = 0; j <= m; ++j) {
        const i128 debut = p.pre[j];
        const i128 fin = j < p.ne ? std::min<i128>(p.pre[j + 1] - 1, p.cible) : p.cible;
        if (fin >= debut) cellules += static_cast<u128>(fin - debut + 1) * (j + 1);
    }
    p.cellules = cellules;
    // Width: log2 C(n', h), h = min(M, n'/2), with half a bit of margin
    // for the rounding of the sum (far below 1e-6 bit).
    const std::size_t h = std::min(m, p.ne / 2);
    double log2c = 0;
    for (std::size_t i = 1; i <= h; ++i)
        log2c += std::log2(static_cast<double>(p.ne - h + i)) - std::log2(static_cast<double>(i));
    p.mots = static_cast<std::size_t>((log2c + 0.5) / 64) + 1;
    return p;
}

typedef std::uint64_t v4u64 __attribute__((vector_size(32)));

/// Cells of one word: dst[0..nb) += src[0..nb), four at a time.
inline void ajouter_1(std::uint64_t* __restrict dst, const std::uint64_t* __restrict src,
                      std::size_t nb) {
    std::size_t c = 0;
    for (; c + 4 <= nb; c += 4) {
        v4u64 x, y;
        std::memcpy(&x, dst + c, sizeof x);
        std::memcpy(&y, src + c, sizeof y);
        x += y;
        std::memcpy(dst + c, &x, sizeof x);
    }
    for (; c < nb; ++c) dst[c] += src[c];
}

/// Cells of two words, low words at +0, high words at +plan (the next plane).
inline void ajouter_2(std::uint64_t* __restrict dst, const std::uint64_t* __restrict src,
                      std::size_t nb, std::size_t plan) {
    std::uint64_t* __restrict dh = dst + plan;
    const std::uint64_t* __restrict sh = src + plan;
    for (std::size_t c = 0; c < nb; ++c) {
        const std::uint64_t lo = dst[c] + src[c];
        dh[c] += sh[c] + (lo < src[c] ? 1 : 0);
        dst[c] = lo;
    }
}

/// Cells of w >= 3 words, one plane after the other, the carries of each
/// cell kept in `retenues` (nb entries).
inline void ajouter_n(std::uint64_t* __restrict dst, const std::uint64_t* __restrict src,
                      std::size_t nb, std::size_t plan, std::size_t w,
                      std::uint64_t* __restrict retenues) {
    for (std::size_t c = 0; c < nb; ++c) {
        const std::uint64_t lo = dst[c] + src[c];
        retenues[c] = lo < src[c] ? 1 : 0;
        dst[c] = lo;
    }
    for (std::size_t i = 1; i < w; ++i) {
        std::uint64_t* __restrict d = dst + i * plan;
        const std::uint64_t* __restrict s = src + i * plan;
        for (std::size_t c = 0; c < nb; ++c) {
            const u128 somme = static_cast<u128>(d[c]) + s[c] + retenues[c];
            d[c] = static_cast<std::uint64_t>(somme);
            retenues[c] = static_cast<std::uint64_t>(somme >> 64);
        }
    }
}

/// Words needed for values up to the bound b (b >= every value), at most
/// `mots` (always enough, see the header of this file).
inline std::size_t largeur(double b, std::size_t mots) {
    if (b < 0x1p64) return 1;
    if (b < 0x1p128 || mots <= 2) return std::min<std::size_t>(2, mots);
    if (!(b < std::numeric_limits<double>::infinity())) return mots;
    return std::min(mots, static_cast<std::size_t>(std::ilogb(b)) / 64 + 1);
}

/// Fills the table. Cell c, word i is tab[i * plan + c], for i < mots, with
/// plan the number of cells; all 0 on entry. off[s] is the first cell of row
/// s, off[cible + 1] the end. Each row keeps an upper bound of its counts
/// (the number of subsets of any size with that sum, rounded up), and only
/// the words that bound can reach are added; `force` adds all of them.
void remplir(const Plan& p, std::uint64_t* tab, std::size_t mots, bool force,
             const std::vector<std::uint64_t>& off, std::vector<double>& borne,
             AvancementComptage avancement, void* contexte) {
    const std::size_t plan = static_cast<std::size_t>(p.cellules);
    const std::int64_t cible = p.cible;
    const i128* pre = p.pre.data();
    const std::uint64_t* o = off.data();
    double* bo = borne.data();
    std::vector<std::uint64_t> retenues(mots >= 3 ? p.m_max + 1 : 0);
    constexpr double arrondi = 1 + 0x1p-40;  // rounds each bound sum up

    // Work of each element, roughly, for the progress shares.
    std::vector<double> travail;
    double travail_total = 0;
    if (avancement != nullptr) {
        travail.assign(p.ne, 0);
        for (std::size_t k = 0; k < p.ne; ++k) {
            const i128 hi = std::min<i128>(cible, pre[k + 1]);
            const i128 lo = std::max<i128>(p.e[k], cible - (p.total - pre[k + 1]));
            if (hi >= lo)
                travail[k] = static_cast<double>(hi - lo + 1) *
                             static_cast<double>(std::min(k + 1, p.m_max));
            travail_total += travail[k];
        }
    }
    double travail_fait = 0, dernier = 0;
    std::uint64_t compteur = 0;
    bool appele = false;

    tab[0] = 1;  // the empty subset: sum 0, 0 terms
    bo[0] = 1;
    for (std::size_t k = 0; k < p.ne; ++k) {
        const std::int64_t x = p.e[k];
        const i128 hi128 = std::min<i128>(cible, pre[k + 1]);
        const i128 lo128 = std::max<i128>(x, cible - (p.total - pre[k + 1]));
        if (hi128 < lo128) continue;
        const std::int64_t hi = static_cast<std::int64_t>(hi128);
        const std::int64_t lo = static_cast<std::int64_t>(lo128);
        const std::size_t kmax = k + 1;
        // j: fewest of the elements before k (the largest first) whose sum
        // reaches s - x; decreases with s.
        const i128 avant = pre[k];
        std::size_t j = 0;
        while (avant - pre[k - j] < hi - x) ++j;
        for (std::int64_t s = hi; s >= lo; --s) {
            const std::int64_t v = s - x;
            while (j > 0 && avant - pre[k - j + 1] >= v) --j;
            const std::size_t a = j + 1;
            const std::size_t us = static_cast<std::size_t>(s), uv = static_cast<std::size_t>(v);
            const std::size_t b = std::min<std::size_t>(
                {static_cast<std::size_t>(o[us + 1] - o[us] - 1),
                 static_cast<std::size_t>(o[uv + 1] - o[uv]), kmax});
            if (a > b || bo[uv] == 0) continue;
            const std::size_t nb = b - a + 1;
            bo[us] = (bo[us] + bo[uv]) * arrondi;
            std::uint64_t* dst = tab + o[us] + a;
            const std::uint64_t* src = tab + o[uv] + a - 1;
            const std::size_t w = force ? mots : largeur(bo[us], mots);
            if (w == 1)
                ajouter_1(dst, src, nb);
            else if (w == 2)
                ajouter_2(dst, src, nb, plan);
            else
                ajouter_n(dst, src, nb, plan, w, retenues.data());
            if (avancement != nullptr && (compteur += nb) >= cellules_par_rapport) {
                compteur = 0;
                const double fait =
                    travail_fait + static_cast<double>(hi - s + 1) *
                                       static_cast<double>(std::min(kmax, p.m_max));
                dernier = std::max(dernier, std::min(1.0, fait / travail_total));
                avancement(dernier, contexte);
                appele = true;
            }
        }
        if (avancement != nullptr) travail_fait += travail[k];
    }
    if (appele) avancement(1.0, contexte);
}

struct Liberer {
    void operator()(std::uint64_t* q) const { std::free(q); }
};

bool compter(const Plan& p, std::size_t n, std::size_t octets_max, std::size_t mots,
             bool force, std::vector<Compte>& par_termes, AvancementComptage avancement,
             void* contexte) {
    if (!p.table) {
        par_termes.assign(n + 1, Compte{});
        return true;
    }
    if (mots < p.mots || octets_plan(p, mots) > octets_max) return false;
    const std::size_t lignes = static_cast<std::size_t>(p.cible) + 1;
    // Row offsets, in cells: row s holds jmax(s) + 1 cells.
    std::vector<std::uint64_t> off(lignes + 1);
    {
        std::size_t jm = 0;
        std::uint64_t acc = 0;
        for (std::size_t s = 0; s < lignes; ++s) {
            while (jm < p.ne && p.pre[jm + 1] <= static_cast<i128>(s)) ++jm;
            off[s] = acc;
            acc += jm + 1;
        }
        off[lignes] = acc;
    }
    std::vector<double> borne(lignes, 0.0);
    const std::size_t plan = static_cast<std::size_t>(p.cellules);
    // calloc: the pages of high words that no count reaches stay untouched.
    std::unique_ptr<std::uint64_t, Liberer> tab(
        static_cast<std::uint64_t*>(std::calloc(plan * mots, sizeof(std::uint64_t))));
    if (!tab) return false;
    remplir(p, tab.get(), mots, force, off, borne, avancement, contexte);

    std::vector<Compte> resultat(n + 1);
    const std::size_t ligne = off[lignes - 1];
    for (std::size_t m = 0; m <= p.m_max; ++m) {
        std::vector<std::uint64_t> c(mots);
        for (std::size_t i = 0; i < mots; ++i) c[i] = tab.get()[i * plan + ligne + m];
        while (!c.empty() && c.back() == 0) c.pop_back();
        resultat[p.complement ? p.ne - m : m].mots = std::move(c);
    }
    par_termes = std::move(resultat);
    return true;
}

}  // namespace

bool compter_sous_ensembles(const std::int64_t* d, std::size_t n, std::int64_t T,
                            std::size_t octets_max, std::vector<Compte>& par_termes,
                            AvancementComptage avancement, void* contexte) {
    const Plan p = planifier(d, n, T);
    return compter(p, n, octets_max, p.mots, false, par_termes, avancement, contexte);
}

std::size_t octets_comptage(const std::int64_t* d, std::size_t n, std::int64_t T) {
    const Plan p = planifier(d, n, T);
    const u128 octets = octets_plan(p, p.mots);
    return octets > std::numeric_limits<std::size_t>::max()
               ? std::numeric_limits<std::size_t>::max()
               : static_cast<std::size_t>(octets);
}

namespace comptage_detail {

std::size_t mots_par_cellule(const std::int64_t* d, std::size_t n, std::int64_t T) {
    const Plan p = planifier(d, n, T);
    return p.table ? p.mots : 0;
}

bool compter_avec_largeur(const std::int64_t* d, std::size_t n, std::int64_t T,
                          std::size_t octets_max, std::size_t mots,
                          std::vector<Compte>& par_termes) {
    const Plan p = planifier(d, n, T);
    return compter(p, n, octets_max, mots, true, par_termes, nullptr, nullptr);
}

}  // namespace comptage_detail
