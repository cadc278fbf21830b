// Counting subsets by sum and number of terms (see count_table.h).
//
// A pass computes the whole table modulo one prime below 2^15: cells of 16
// bits keep the table small enough for the processor's caches, and sixteen
// cells are added by one instruction where the processor has AVX2. Counts of
// any size come from enough passes, joined by the Chinese remainder theorem;
// the number of passes comes from a first sweep of the same rows with one
// upper bound per row (long double, rounded up), which also counts the cell
// updates of a pass exactly, for an honest progress share. A table larger
// than the caches takes its elements two at a time, in one sweep of its rows
// instead of two: its time goes in moving rows to and from memory.
#include "engine/count_table.h"

#include "engine/x86.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "engine/bitsets.h"
#include "engine/passes.h"

namespace taverlune {

namespace {

constexpr std::size_t tous = std::numeric_limits<std::size_t>::max();

/// The marks take at most this many bytes (and a share of the table).
constexpr double octets_marques_max = 256.0 * (1 << 20);

/// Adds src[0..nb) to dst[0..nb) modulo q, portably.
inline void ajouter(Residu* __restrict dst, const Residu* __restrict src, std::size_t nb, Residu q) {
    for (std::size_t c = 0; c < nb; ++c) {
        const Residu s = static_cast<Residu>(dst[c] + src[c]);
        dst[c] = s >= q ? static_cast<Residu>(s - q) : s;
    }
}

#ifdef TAVERLUNE_X86
/// The same, sixteen cells at a time. The last sixteen may reach past nb:
/// the cells there are written back as they were read (a table belongs to
/// one thread).
__attribute__((target("avx2"))) inline void ajouter_avx2(Residu* dst, const Residu* src, std::size_t nb, Residu q) {
    alignas(32) static constexpr std::int16_t masque_des_premiers[32] = {
        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const __m256i Q = _mm256_set1_epi16(static_cast<short>(q));
    std::size_t c = 0;
    for (;; c += 16) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + c));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + c));
        const __m256i s = _mm256_add_epi16(a, b);
        // s < 2q < 2^16: s - q wraps above s exactly when s < q.
        const __m256i r = _mm256_min_epu16(s, _mm256_sub_epi16(s, Q));
        if (c + 16 >= nb) {
            const __m256i garde =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masque_des_premiers + 16 - (nb - c)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + c), _mm256_blendv_epi8(a, r, garde));
            return;
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + c), r);
    }
}
#endif

/// The bound sweep: one upper bound per row, and the updates counted.
struct ModeBorne {
    std::vector<long double>& borne;
    const std::function<bool()>& veille;
    double mises_a_jour = 0;
    static constexpr long double arrondi = 1 + 0x1p-40L;  // each sum of bounds rounded up

    bool ligne(std::size_t s, std::size_t v, std::int64_t, std::int64_t, std::size_t nb) {
        mises_a_jour += static_cast<double>(nb);
        if (borne[v] == 0) return false;
        borne[s] = (borne[s] + borne[v]) * arrondi;
        return true;
    }
    void element(std::size_t) {
        if (veille && !veille()) throw PasseArretee{};
    }
};

/// One modular pass.
template <bool AVX2>
struct ModeModulaire {
    Residu* tab;
    Residu q;
    std::atomic<std::uint64_t>* fait;
    const std::atomic<bool>* arret;
    std::uint64_t cellules = 0;

    bool ligne(std::size_t, std::size_t, std::int64_t dst, std::int64_t src, std::size_t nb) {
#ifdef TAVERLUNE_X86
        if constexpr (AVX2) ajouter_avx2(tab + dst, tab + src, nb, q);
        else
#endif
            ajouter(tab + dst, tab + src, nb, q);
        cellules += nb;
        return true;
    }
    void element(std::size_t) {
        if (fait != nullptr && cellules > 0) fait->fetch_add(cellules, std::memory_order_relaxed);
        cellules = 0;
        if (arret != nullptr && arret->load(std::memory_order_relaxed)) throw PasseArretee{};
    }
};

bool avx2_present() {
#ifdef TAVERLUNE_X86
    static const bool oui = __builtin_cpu_supports("avx2");
    return oui;
#else
    return false;
#endif
}

}  // namespace

/// The sweep of the rows, element by element, shared by the bound sweep and
/// the modular passes; inlined into each, so that the AVX2 pass is compiled
/// for AVX2 whole.
struct Balayage {
    template <class Mode>
    [[gnu::always_inline]] static inline void tout(const TableDeComptes& t, Mode& mode);
    /// Adds elements k .. k + G - 1.
    template <int G, class Mode>
    [[gnu::always_inline]] static inline void groupe(const TableDeComptes& t, Mode& mode, std::size_t k);
};

TableDeComptes::TableDeComptes(const std::int64_t* e, std::size_t n, std::int64_t H, std::int64_t utile, bool seule,
                               const Reglages& r, const std::function<bool()>& veille)
    : utile_(utile), portable_(r.noyau_portable), paires_(r.paires_des_octets) {
    const std::size_t ne = static_cast<std::size_t>(std::upper_bound(e, e + n, H) - e);
    e_.assign(e, e + ne);
    pre_.assign(ne + 1, 0);
    for (std::size_t j = 0; j < ne; ++j) pre_[j + 1] = pre_[j] + e_[j];
    H_ = std::max<std::int64_t>(0, std::min(H, pre_[ne]));
    if (utile_ > H_) utile_ = H_ + 1;  // no row is needed: nothing to update

    // The band of each row: the fewest largest elements that reach s, the
    // most smallest that fit in s.
    rangees_.resize(static_cast<std::size_t>(H_) + 1);
    std::size_t bas = 0, haut = 0;
    std::int64_t grands = 0;  // sum of the `bas` largest
    std::int64_t cellules = 0;
    for (std::int64_t s = 0; s <= H_; ++s) {
        while (haut < ne && pre_[haut + 1] <= s) ++haut;
        while (bas < ne && grands < s) grands += e_[ne - 1 - bas++];
        Rangee& l = rangees_[static_cast<std::size_t>(s)];
        l.bas = static_cast<std::int32_t>(bas);
        l.haut = static_cast<std::int32_t>(haut);
        l.base = cellules - static_cast<std::int64_t>(bas);
        if (haut >= bas) cellules += static_cast<std::int64_t>(haut - bas + 1);
    }
    cellules_ = static_cast<std::size_t>(cellules);

    // The marks: with one needed row b (utile_), row s is useful after element k when
    // b - s is a sum of the elements after k. A backward sweep of those sums
    // as a bitset; it stops when every sum is reachable or the marks fill
    // their share of memory.
    debut_.assign(ne, tous);
    mot0_.assign(ne, 0);
    if (seule && utile_ <= H_) {
        const std::uint64_t bits = static_cast<std::uint64_t>(utile_) + 1;
        const std::size_t nmots = static_cast<std::size_t>((bits + 63) / 64);
        const double plafond = std::max(double{1 << 20}, std::min(octets_marques_max, cellules_ * 0.5));
        std::vector<std::uint64_t> somme(nmots, 0);
        somme[0] = 1;
        const std::uint64_t masque = (bits & 63) == 0 ? ~std::uint64_t{0} : (std::uint64_t{1} << (bits & 63)) - 1;
        for (std::size_t k = ne; k-- > 0;) {
            const std::int64_t x = e_[k];
            const std::int64_t hi = std::min(utile_, pre_[k + 1]);
            const std::int64_t lo = std::max(x, utile_ - (pre_[ne] - pre_[k + 1]));
            if (lo <= hi) {
                const std::size_t w0 = static_cast<std::size_t>((utile_ - hi) >> 6);
                const std::size_t w1 = static_cast<std::size_t>((utile_ - lo) >> 6);
                if (static_cast<double>(marques_.size() + w1 - w0 + 1) * 8 > plafond) break;
                debut_[k] = marques_.size();
                mot0_[k] = w0;
                marques_.insert(marques_.end(), somme.begin() + static_cast<std::ptrdiff_t>(w0),
                                somme.begin() + static_cast<std::ptrdiff_t>(w1) + 1);
            }
            // somme |= somme << x, kept within [0, b].
            ou_decale(somme.data(), somme.data(), nmots, static_cast<std::size_t>(x));
            somme[nmots - 1] &= masque;
            std::uint64_t plein = somme[nmots - 1] | ~masque;
            for (std::size_t w = 0; w + 1 < nmots && plein == ~std::uint64_t{0}; ++w) plein &= somme[w];
            if (plein == ~std::uint64_t{0}) break;  // from here down every row is useful
        }
        marques_.shrink_to_fit();
    }

    bornes_.assign(rangees_.size(), 0);
    ModeBorne mode{bornes_, veille};
    Balayage::tout(*this, mode);
    mises_a_jour_ = mode.mises_a_jour;
}

template <int G, class Mode>
[[gnu::always_inline]] inline void Balayage::groupe(const TableDeComptes& t, Mode& mode, std::size_t k) {
    const std::vector<std::int64_t>& pre_ = t.pre_;
    const std::vector<TableDeComptes::Rangee>& rangees_ = t.rangees_;
    const std::int64_t total = pre_[t.e_.size()];
    const std::size_t dernier = k + G - 1;
    const std::int64_t hi = std::min(t.H_, pre_[dernier + 1]);
    const std::int64_t lo = std::max(t.e_[k], t.utile_ - (total - pre_[dernier + 1]));
    if (lo > hi) return;
    // Only the rows still useful after the group's last element are written;
    // its marks start at its own least row.
    const std::uint64_t* marques = t.debut_[dernier] != tous ? t.marques_.data() + t.debut_[dernier] : nullptr;
    const std::int64_t marque_bas = std::max(t.e_[dernier], lo);
    // The subsets of the group: row s receives row s - sigma, shifted by its
    // number of terms. Every row read lies below s and is not yet written:
    // the group is added at once, from the table as it was before it.
    constexpr int nb = (1 << G) - 1;
    std::int64_t sigma[nb], termes[nb];
    for (int u = 0; u < nb; ++u) {
        sigma[u] = 0;
        termes[u] = 0;
        for (int i = 0; i < G; ++i) {
            if (((u + 1) >> i) & 1) {
                sigma[u] += t.e_[k + static_cast<std::size_t>(i)];
                ++termes[u];
            }
        }
    }
    // j[u]: the fewest of the elements before k, largest first, whose sum
    // reaches s - sigma[u]; it decreases with s.
    const std::int64_t avant = pre_[k];
    std::size_t j[nb];
    for (int u = 0; u < nb; ++u) {
        j[u] = 0;
        while (j[u] < k && avant - pre_[k - j[u]] < hi - sigma[u]) ++j[u];
    }
    for (std::int64_t s = hi; s >= lo; --s) {
        if (marques != nullptr && s >= marque_bas) {
            const std::uint64_t r = static_cast<std::uint64_t>(t.utile_ - s);
            if (((marques[(r >> 6) - t.mot0_[dernier]] >> (r & 63)) & 1) == 0) continue;
        }
        const TableDeComptes::Rangee& ls = rangees_[static_cast<std::size_t>(s)];
        for (int u = 0; u < nb; ++u) {
            const std::int64_t v = s - sigma[u];
            if (v < 0) continue;
            while (j[u] > 0 && avant - pre_[k - j[u] + 1] >= v) --j[u];
            if (avant < v) continue;  // the elements before k cannot make v
            const TableDeComptes::Rangee& lv = rangees_[static_cast<std::size_t>(v)];
            // Terms n in [a, b] receive the cells n - m of row v.
            const std::int64_t m = termes[u];
            const std::int64_t a = std::max<std::int64_t>(static_cast<std::int64_t>(j[u]) + m, ls.bas);
            const std::int64_t b = std::min<std::int64_t>({static_cast<std::int64_t>(k) + m, ls.haut, lv.haut + m});
            if (a > b) continue;
            mode.ligne(static_cast<std::size_t>(s), static_cast<std::size_t>(v), ls.base + a, lv.base + a - m,
                       static_cast<std::size_t>(b - a + 1));
        }
    }
}

template <class Mode>
[[gnu::always_inline]] inline void Balayage::tout(const TableDeComptes& t, Mode& mode) {
    if constexpr (std::is_same_v<Mode, ModeBorne>) mode.borne[0] = 1;
    // Two elements at once where the table is large: one sweep of its rows
    // instead of two, when the rows the pair reads lie close together. The
    // group adds half again as many cells, so it pays only where the sweep
    // waits on memory: from 24 MB on, measured on a machine of 32 MB of
    // shared cache with two passes side by side.
    const double octets = static_cast<double>(t.cellules_ * sizeof(Residu));
    const bool par_paires = octets >= static_cast<double>(t.paires_);
    const double ecart_max = 256.0 * 1024 / (octets / static_cast<double>(t.H_ + 1));
    for (std::size_t k = 0; k < t.e_.size(); ++k) {
        if (par_paires && k + 1 < t.e_.size() && static_cast<double>(t.e_[k + 1] - t.e_[k]) <= ecart_max) {
            groupe<2>(t, mode, k);
            mode.element(k++);
        } else {
            groupe<1>(t, mode, k);
        }
        mode.element(k);
    }
}

namespace {

#ifdef TAVERLUNE_X86
__attribute__((target("avx2"))) void remplir_avx2(const TableDeComptes& t, ModeModulaire<true>& mode) {
    Balayage::tout(t, mode);
}
#endif

void remplir_sans_avx2(const TableDeComptes& t, ModeModulaire<false>& mode) { Balayage::tout(t, mode); }

}  // namespace

void TableDeComptes::remplir(Residu q, Residu* tab, std::atomic<std::uint64_t>* fait,
                             const std::atomic<bool>* arret) const {
    if (cellules_ == 0) return;
    tab[rangees_[0].base] = 1;  // the empty subset: sum 0, 0 terms
#ifdef TAVERLUNE_X86
    if (avx2_present() && !portable_) {
        ModeModulaire<true> mode{tab, q, fait, arret};
        remplir_avx2(*this, mode);
    } else
#endif
    {
        ModeModulaire<false> mode{tab, q, fait, arret};
        remplir_sans_avx2(*this, mode);
    }
}

namespace {

/// The best of a few sweeps of the kernel over 8 KiB of rows, in cell
/// updates a second.
template <bool AVX2>
double mesurer_le_noyau() {
    constexpr std::size_t cellules = 4096, tours = 64;
    std::vector<Residu> tab(2 * cellules + 16, 1);
    constexpr Residu q = 32749;
    double meilleure = 0;
    for (int essai = 0; essai < 5; ++essai) {
        const auto debut = std::chrono::steady_clock::now();
        for (std::size_t k = 0; k < tours; ++k) {
#ifdef TAVERLUNE_X86
            if constexpr (AVX2) ajouter_avx2(tab.data() + cellules, tab.data() + k % 7, cellules, q);
            else
#endif
                ajouter(tab.data() + cellules, tab.data() + k % 7, cellules, q);
        }
        const double secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
        if (secondes > 0) meilleure = std::max(meilleure, static_cast<double>(cellules * tours) / secondes);
    }
    // A clock too coarse to tell: the speed of the machine the costs were measured on.
    return meilleure > 0 ? meilleure : (AVX2 ? 9e9 : 1.5e9);
}

}  // namespace

double cellules_par_seconde(bool portable) {
#ifdef TAVERLUNE_X86
    if (!portable && avx2_present()) {
        static const double avx2 = mesurer_le_noyau<true>();
        return avx2;
    }
#endif
    static const double sans_avx2 = mesurer_le_noyau<false>();
    return sans_avx2;
}

Estimation estimer_table(const std::int64_t* e, std::size_t n, std::int64_t H, std::int64_t utile) {
    Estimation r;
    const std::size_t ne = static_cast<std::size_t>(std::upper_bound(e, e + n, H) - e);
    if (ne == 0 || H < 0) return r;
    std::vector<double> pre(ne + 1, 0), grands(ne + 1, 0);  // sums of the j smallest, of the j largest
    for (std::size_t j = 0; j < ne; ++j) {
        pre[j + 1] = pre[j] + static_cast<double>(e[j]);
        grands[j + 1] = grands[j] + static_cast<double>(e[ne - 1 - j]);
    }
    const double h = std::min(static_cast<double>(H), pre[ne]), total = pre[ne];
    // The band of row s, and the fewest of the k smallest that reach s.
    const auto haut = [&](double s) {
        return static_cast<double>(std::upper_bound(pre.begin(), pre.end(), s) - pre.begin() - 1);
    };
    const auto bas = [&](double s) {
        return static_cast<double>(std::lower_bound(grands.begin(), grands.end(), s) - grands.begin());
    };
    constexpr int echantillons = 8;
    for (int i = 0; i < echantillons; ++i) {
        const double s = h * (i + 0.5) / echantillons;
        r.cellules += std::max(0.0, haut(s) - bas(s) + 1) * (h + 1) / echantillons;
    }
    for (std::size_t k = 0; k < ne; ++k) {
        const double x = static_cast<double>(e[k]);
        const double hi = std::min(h, pre[k + 1]);
        const double lo = std::max(x, static_cast<double>(utile) - (total - pre[k + 1]));
        if (lo > hi) continue;
        double largeur = 0;
        for (int i = 0; i < echantillons; ++i) {
            const double s = lo + (hi - lo) * (i + 0.5) / echantillons;
            // Fewest of the k smallest, largest first, that reach s - x.
            const double v = s - x;
            const double j =
                static_cast<double>(std::lower_bound(pre.begin(), pre.begin() + static_cast<std::ptrdiff_t>(k) + 1,
                                                     pre[k] - v, [](double a, double b) { return a <= b; }) -
                                    pre.begin());
            const double fewest = static_cast<double>(k) - j + 1;
            largeur +=
                std::max(0.0, std::min({static_cast<double>(k) + 1, haut(s)}) - std::max(fewest + 1, bas(s)) + 1);
        }
        r.mises_a_jour += largeur / echantillons * (hi - lo + 1);
    }
    return r;
}

bool compter_par_passes(const Tache& tache, double bits, std::size_t largeur, std::size_t octets,
                        std::size_t octets_en_plus, double travail,
                        const std::function<void(Residu, void*, Residu*, std::atomic<std::uint64_t>*)>& passe,
                        std::vector<Compte>& comptes) {
    const std::size_t P = premiers_necessaires(bits);
    const std::vector<Residu>& tous_premiers = premiers_modulaires();
    if (tous_premiers.size() < P) return false;  // counts of more than 50000 bits
    const std::vector<Residu> q(tous_premiers.begin(), tous_premiers.begin() + static_cast<std::ptrdiff_t>(P));
    std::vector<Residu> residus(P * largeur, 0);
    std::atomic<std::uint64_t> fait{0};
    // A count of a few milliseconds is over before a thread would start: its
    // passes run here, one after the other.
    const double tout = std::max(1.0, travail * static_cast<double>(P));
    // So does a count on one thread that nobody watches.
    const bool bref = tout < 1e7 || (tache.reglages.fils == 1 && !tache.rappels.progres);
    // Each thread beyond the first also reserves its stack.
    constexpr std::size_t pile = std::size_t{8} << 20;
    const unsigned fils = bref ? 1
                               : static_cast<unsigned>(std::max<std::size_t>(
                                     1, std::min<std::size_t>(tache.fils(), (tache.memoire_disponible() + pile) /
                                                                                (octets + octets_en_plus + pile))));
    const std::function<bool()> montrer = [&] {
        return tache.suivre(std::min(1.0, static_cast<double>(fait.load(std::memory_order_relaxed)) / tout));
    };
    const bool ok = executer_passes(
        P, fils, octets, [&](std::size_t k, void* tampon) { passe(q[k], tampon, residus.data() + k * largeur, &fait); },
        bref ? std::function<bool()>{} : montrer);
    if (!ok || tache.arret) return false;
    comptes.assign(largeur, Compte{});
    for (std::size_t m = 0; m < largeur; ++m) comptes[m] = reconstruire(residus.data() + m, largeur, q);
    return true;
}

double bits_au_plus(std::size_t elements, double comptee) {
    return std::min(static_cast<double>(elements), 3.14159265358979 * std::sqrt(comptee / 3) / std::log(2.0));
}

SommeComptee somme_comptee(const std::int64_t* d, std::size_t n, std::int64_t cible) {
    SommeComptee c;
    c.ne = static_cast<std::size_t>(std::upper_bound(d, d + n, cible) - d);
    for (std::size_t j = 0; j < c.ne; ++j) c.total += d[j];
    c.comptee = cible;
    if (c.total >= cible && c.total - cible < cible) {
        c.comptee = static_cast<std::int64_t>(c.total - cible);
        c.complement = true;
    }
    return c;
}

namespace {

/// Bytes of a table's plan for rows [0, H], before its marks.
double octets_plan(double H) {
    return (H + 1) * static_cast<double>(sizeof(TableDeComptes::Rangee) + sizeof(long double));
}

/// The need of a count that builds no table: none when nothing reaches cible,
/// out of reach when the rows would pass 2^40; otherwise none given.
std::optional<Besoin> besoin_sans_table(const SommeComptee& c, std::int64_t cible) {
    if (c.total < cible) return Besoin{};
    if (c.comptee >= (std::int64_t{1} << 40))
        return Besoin{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    return std::nullopt;
}

}  // namespace

Besoin besoin_sous_ensembles(const std::int64_t* d, std::size_t n, std::int64_t cible) {
    const SommeComptee c = somme_comptee(d, n, cible);
    if (const std::optional<Besoin> b = besoin_sans_table(c, cible)) return *b;
    const Estimation e = estimer_table(d, c.ne, c.comptee, c.comptee);
    // Its plan sweeps every row, even where few cells live.
    return {octets_plan(static_cast<double>(c.comptee)) + e.cellules * sizeof(Residu),
            e.mises_a_jour + static_cast<double>(c.comptee)};
}

bool compter_sous_ensembles(const Tache& tache, const std::int64_t* d, std::size_t n, std::int64_t cible,
                            std::vector<Compte>& par_termes) {
    const SommeComptee c = somme_comptee(d, n, cible);
    std::vector<Compte> resultat(n + 1);
    if (c.total < cible) {
        par_termes = std::move(resultat);  // nothing reaches cible
        return true;
    }
    if (octets_plan(static_cast<double>(c.comptee)) > static_cast<double>(tache.memoire_disponible()) ||
        c.comptee >= (std::int64_t{1} << 40))
        return false;
    try {
        const TableDeComptes t(d, c.ne, c.comptee, c.comptee, true, tache.reglages, [&] { return tache.veiller(); });
        // The elements up to comptee may not reach comptee at all.
        const bool atteinte = c.comptee <= t.derniere_ligne() && t.bornes()[static_cast<std::size_t>(c.comptee)] > 0;
        const TableDeComptes::Rangee l = atteinte ? t.rangee(c.comptee) : TableDeComptes::Rangee{0, 1, 0};
        if (atteinte) {
            const long double borne = t.bornes()[static_cast<std::size_t>(c.comptee)];
            const std::size_t largeur = static_cast<std::size_t>(l.haut - l.bas + 1);
            std::vector<Compte> comptes;
            const bool ok = compter_par_passes(
                tache, static_cast<double>(std::log2(borne)), largeur, t.cellules() * sizeof(Residu), 0,
                t.mises_a_jour(),
                [&](Residu q, void* tampon, Residu* resultats, std::atomic<std::uint64_t>* fait) {
                    Residu* tab = static_cast<Residu*>(tampon);
                    t.remplir(q, tab, fait, &tache.arret);
                    std::copy(tab + l.base + l.bas, tab + l.base + l.haut + 1, resultats);
                },
                comptes);
            if (!ok) return false;
            for (std::size_t m = 0; m < largeur; ++m) {
                const std::size_t termes = static_cast<std::size_t>(l.bas) + m;
                resultat[c.complement ? c.ne - termes : termes] = std::move(comptes[m]);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    par_termes = std::move(resultat);
    return true;
}

std::vector<Fenetre> fenetres(const std::int64_t* d, std::size_t ne, std::int64_t comptee) {
    std::vector<Fenetre> f(ne);
    Somme apres = 0, avant = 0;
    for (std::size_t k = 0; k < ne; ++k) apres += d[k];
    for (std::size_t k = 0; k < ne; ++k) {
        avant += d[k];
        apres -= d[k];
        f[k] = {static_cast<std::int64_t>(std::max<Somme>(d[k], comptee - apres)),
                static_cast<std::int64_t>(std::min<Somme>(comptee, avant))};
    }
    return f;
}

double mises_a_jour(const std::vector<Fenetre>& fenetres) {
    double r = 0;
    for (const Fenetre& f : fenetres) r += static_cast<double>(std::max<std::int64_t>(0, f.haut - f.bas + 1));
    return r;
}

Besoin besoin_total_seul(const std::int64_t* d, std::size_t n, std::int64_t cible) {
    const SommeComptee c = somme_comptee(d, n, cible);
    if (const std::optional<Besoin> b = besoin_sans_table(c, cible)) return *b;
    return {static_cast<double>(c.comptee + 17) * sizeof(Residu),
            mises_a_jour(fenetres(d, c.ne, c.comptee)) + static_cast<double>(c.comptee)};
}

bool compter_total_seul(const Tache& tache, const std::int64_t* d, std::size_t n, std::int64_t cible, Compte& total) {
    const SommeComptee c = somme_comptee(d, n, cible);
    if (c.total < cible) {
        total = Compte{};
        return true;
    }
    if (c.comptee >= (std::int64_t{1} << 40)) return false;
    const std::vector<Fenetre> f = fenetres(d, c.ne, c.comptee);
    const double travail = mises_a_jour(f);
    const double bits = bits_au_plus(c.ne, static_cast<double>(c.comptee));
    const bool avx2 = avx2_present() && !tache.reglages.noyau_portable;
    std::vector<Compte> comptes;
    const bool ok = compter_par_passes(
        tache, bits, 1, static_cast<std::size_t>(c.comptee + 17) * sizeof(Residu), 0, travail,
        [&](Residu q, void* tampon, Residu* resultats, std::atomic<std::uint64_t>* fait) {
            Residu* tab = static_cast<Residu*>(tampon);
            tab[0] = 1;  // the empty subset
            for (std::size_t k = 0; k < c.ne; ++k) {
                const std::int64_t x = d[k];
                // Rows from the top down, in blocks of at most x rows: a
                // block reads rows x below it, which this element has not
                // updated yet.
                if (x < 16 || !avx2) {
                    for (std::int64_t s = f[k].haut; s >= f[k].bas; --s) {
                        const Residu v = static_cast<Residu>(tab[s] + tab[s - x]);
                        tab[s] = v >= q ? static_cast<Residu>(v - q) : v;
                    }
                } else {
#ifdef TAVERLUNE_X86
                    for (std::int64_t s = f[k].haut; s >= f[k].bas;) {
                        const std::int64_t b = std::min(x, s - f[k].bas + 1);
                        Residu* dst = tab + (s - b + 1);
                        ajouter_avx2(dst, dst - x, static_cast<std::size_t>(b), q);
                        s -= b;
                    }
#endif
                }
                fait->fetch_add(static_cast<std::uint64_t>(std::max<std::int64_t>(0, f[k].haut - f[k].bas + 1)),
                                std::memory_order_relaxed);
                if (tache.arret.load(std::memory_order_relaxed)) throw PasseArretee{};
            }
            resultats[0] = tab[c.comptee];
        },
        comptes);
    if (!ok) return false;
    total = std::move(comptes[0]);
    return true;
}

}  // namespace taverlune
