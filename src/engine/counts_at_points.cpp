// Counting by number of terms at values of y (see counts_at_points.h).
//
// A sweep works modulo one prime q at L values of y (L = 16, 8, 4, 2 or 1,
// as memory allows): row s holds L cells, the value at each y of the
// subsets with sum s. Element x adds y times row s - x to row s, the rows
// from the top down in blocks of at most x rows, so that a block reads rows
// this element has not changed yet. Sixteen cells at a time where the
// processor has AVX2: y t modulo q by Shoup's method (y' = floor(y 2^16 / q)
// makes y t - floor(t y' / 2^16) q fall in [0, 2q)).
//
// The counts by number of terms lie between the fewest largest elements
// that reach comptee and the most smallest that fit in comptee: J numbers of terms, so
// J values of y (1, 2, .., J) for each prime, then Newton's interpolation.
#include "engine/counts_at_points.h"

#include "engine/x86.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <new>

#include "engine/passes.h"
#include "engine/residues.h"

namespace taverlune {

Termes termes(const std::int64_t* d, std::size_t ne, std::int64_t comptee) {
    Termes t;
    Somme s = 0;
    std::size_t k = 0;
    while (k < ne && s < comptee) s += d[ne - 1 - k++];
    if (s < comptee) return t;
    t.bas = k;
    s = 0, k = 0;
    while (k < ne && s + d[k] <= comptee) s += d[k++];
    t.haut = k;
    return t;
}

namespace {

/// Row s gets y times row s - x, cells [0, nb) of dst against src = dst - x
/// L, portably; w[c % L] is the y of cell c.
void ajouter_fois(Residu* dst, const Residu* src, std::size_t nb, const Residu* w, std::size_t L, Residu q) {
    for (std::size_t c = 0; c < nb; ++c)
        dst[c] = static_cast<Residu>((dst[c] + static_cast<std::uint32_t>(w[c % L]) * src[c]) % q);
}

#ifdef TAVERLUNE_X86
/// The same, sixteen cells at a time. w and wp hold y and y' for each of
/// the sixteen lanes; the last sixteen may reach past nb, and are written
/// back there as they were read.
__attribute__((target("avx2"))) void ajouter_fois_avx2(Residu* dst, const Residu* src, std::size_t nb, const Residu* w,
                                                       const Residu* wp, Residu q) {
    const __m256i W = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w));
    const __m256i Wp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wp));
    alignas(32) static constexpr std::int16_t masque_des_premiers[32] = {
        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const __m256i Q = _mm256_set1_epi16(static_cast<short>(q));
    for (std::size_t c = 0;; c += 16) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + c));
        const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + c));
        const __m256i h = _mm256_mulhi_epu16(t, Wp);
        __m256i r = _mm256_sub_epi16(_mm256_mullo_epi16(t, W), _mm256_mullo_epi16(h, Q));
        r = _mm256_min_epu16(r, _mm256_sub_epi16(r, Q));
        __m256i s = _mm256_add_epi16(a, r);
        s = _mm256_min_epu16(s, _mm256_sub_epi16(s, Q));
        if (c + 16 >= nb) {
            const __m256i garde =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masque_des_premiers + 16 - (nb - c)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + c), _mm256_blendv_epi8(a, s, garde));
            return;
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + c), s);
    }
}
#endif

/// The coefficients of the polynomial of degree < J whose value at y = j + 1
/// is v[j], modulo q (Newton's divided differences: the points are 1 apart).
std::vector<std::uint32_t> interpoler(std::vector<std::uint32_t> v, std::uint32_t q) {
    const std::size_t J = v.size();
    for (std::size_t l = 1; l < J; ++l) {
        const std::uint64_t inv = inverse(static_cast<std::uint32_t>(l), q);
        for (std::size_t j = J - 1; j >= l; --j) v[j] = static_cast<std::uint32_t>((v[j] + q - v[j - 1]) * inv % q);
    }
    // From the Newton form: P = v[0] + (y - 1)(v[1] + (y - 2)(v[2] + ...)).
    std::vector<std::uint32_t> c(J, 0);
    for (std::size_t j = J; j-- > 0;) {
        // c = c (y - (j + 1)) + v[j]
        const std::uint64_t moins = q - static_cast<std::uint32_t>((j + 1) % q);
        for (std::size_t i = J - 1; i > 0; --i) c[i] = static_cast<std::uint32_t>((c[i - 1] + c[i] * moins) % q);
        c[0] = static_cast<std::uint32_t>((c[0] * moins + v[j]) % q);
    }
    return c;
}

}  // namespace

Besoin besoin_aux_points(const std::int64_t* d, std::size_t n, std::int64_t cible) {
    const SommeComptee c = somme_comptee(d, n, cible);
    if (c.total < cible) return {};
    if (c.comptee >= (std::int64_t{1} << 40))
        return {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    const Termes m = termes(d, c.ne, c.comptee);
    const double J = m.bas > m.haut ? 0 : static_cast<double>(m.haut - m.bas + 1);
    return {
        static_cast<double>(c.comptee + 17) * sizeof(Residu),
        J * (cout_cellule_aux_points * mises_a_jour(fenetres(d, c.ne, c.comptee)) + static_cast<double>(c.comptee))};
}

bool balayer_aux_points(const Tache& tache, const std::int64_t* d, const std::vector<Fenetre>& f, std::size_t lignes,
                        double bits, Termes m, std::size_t octets_en_plus, const LecteurDePoints& lire,
                        std::vector<Compte>& comptes) {
    const std::size_t J = m.haut - m.bas + 1;
    const std::size_t P = premiers_necessaires(bits);
    const std::vector<Residu>& tous = premiers_modulaires();
    if (tous.size() < P || J >= tous[P - 1]) return false;
    const std::vector<Residu> q(tous.begin(), tous.begin() + static_cast<std::ptrdiff_t>(P));

    // As many values side by side as memory allows, on as many threads.
    constexpr std::size_t pile = std::size_t{8} << 20;
    const double memoire = static_cast<double>(tache.memoire_disponible());
    unsigned fils = std::max(1u, tache.fils());
    // Sweeps of a table that stays in a core's cache run fastest: more
    // values side by side only while the table takes 1 MiB at most.
    std::size_t L = 16;
    while (L > 1 && lignes * L * sizeof(Residu) > (std::size_t{1} << 20)) L /= 2;
    const auto octets = [&](std::size_t l) { return (lignes * l + 16) * sizeof(Residu); };
    const auto tient = [&] {
        return static_cast<double>(fils) * static_cast<double>(octets(L) + octets_en_plus * L + pile) <= memoire + pile;
    };
    while (!tient() && L > 1) L /= 2;
    while (!tient() && fils > 1) --fils;
    if (!tient()) return false;
    const std::size_t groupes = (J + L - 1) / L;

#ifdef TAVERLUNE_X86
    const bool avx2 = __builtin_cpu_supports("avx2") && !tache.reglages.noyau_portable;
#endif
    const double travail = mises_a_jour(f) * static_cast<double>(L);
    const double tout = std::max(1.0, travail * static_cast<double>(P * groupes));
    const bool bref = tout < 1e7 || (tache.reglages.fils == 1 && !tache.rappels.progres);
    std::vector<std::uint32_t> valeurs(P * groupes * L, 0);
    std::atomic<std::uint64_t> fait{0};
    const auto passe = [&](std::size_t k, void* tampon) {
        const std::size_t ip = k / groupes, g = k % groupes;
        const Residu qk = q[ip];
        Residu* tab = static_cast<Residu*>(tampon);
        alignas(32) Residu y[16], yp[16];
        for (std::size_t l = 0; l < 16; ++l) {
            y[l] = static_cast<Residu>((g * L + l % L + 1) % qk);
            yp[l] = static_cast<Residu>((static_cast<std::uint32_t>(y[l]) << 16) / qk);
        }
#ifndef TAVERLUNE_X86
        (void)yp;  // y' serves the AVX2 kernel alone
#endif
        std::fill(tab, tab + L, Residu{1});  // the empty subset, at every y
        for (std::size_t e = 0; e < f.size(); ++e) {
            const std::int64_t x = d[e];
            const std::size_t xL = static_cast<std::size_t>(x) * L;
            for (std::int64_t s = f[e].haut; s >= f[e].bas;) {
                const std::int64_t b = std::min(x, s - f[e].bas + 1);
                Residu* dst = tab + static_cast<std::size_t>(s - b + 1) * L;
                const std::size_t nb = static_cast<std::size_t>(b) * L;
#ifdef TAVERLUNE_X86
                if (avx2 && xL >= 16) ajouter_fois_avx2(dst, dst - xL, nb, y, yp, qk);
                else
#endif
                    ajouter_fois(dst, dst - xL, nb, y, L, qk);
                s -= b;
            }
            fait.fetch_add(static_cast<std::uint64_t>(std::max<std::int64_t>(0, f[e].haut - f[e].bas + 1)) * L,
                           std::memory_order_relaxed);
            if (tache.arret.load(std::memory_order_relaxed)) throw PasseArretee{};
        }
        lire(tab, L, y, qk, valeurs.data() + k * L);
    };
    const std::function<bool()> montrer = [&] {
        return tache.suivre(std::min(1.0, static_cast<double>(fait.load(std::memory_order_relaxed)) / tout));
    };
    try {
        if (!executer_passes(P * groupes, bref ? 1 : fils, octets(L), passe,
                             bref ? std::function<bool()>{} : montrer) ||
            tache.arret)
            return false;
    } catch (const std::bad_alloc&) {
        return false;
    }

    // The value at y is y^bas times a polynomial of degree < J: its
    // coefficients are the counts of bas, bas + 1, .. terms.
    std::vector<Residu> residus(P * J);
    for (std::size_t ip = 0; ip < P; ++ip) {
        std::vector<std::uint32_t> v(valeurs.begin() + static_cast<std::ptrdiff_t>(ip * groupes * L),
                                     valeurs.begin() + static_cast<std::ptrdiff_t>(ip * groupes * L + J));
        for (std::size_t j = 0; j < J; ++j)
            v[j] = static_cast<std::uint32_t>(static_cast<std::uint64_t>(v[j]) *
                                              inverse(puissance(j + 1, m.bas, q[ip]), q[ip]) % q[ip]);
        const std::vector<std::uint32_t> coef = interpoler(std::move(v), q[ip]);
        for (std::size_t j = 0; j < J; ++j) residus[ip * J + j] = static_cast<Residu>(coef[j]);
    }
    comptes.clear();
    for (std::size_t j = 0; j < J; ++j) comptes.push_back(reconstruire(residus.data() + j, J, q));
    return true;
}

bool compter_aux_points(const Tache& tache, const std::int64_t* d, std::size_t n, std::int64_t cible,
                        std::vector<Compte>& par_termes) {
    const SommeComptee c = somme_comptee(d, n, cible);
    std::vector<Compte> resultat(n + 1);
    const Termes m = termes(d, c.ne, c.comptee);
    if (c.total < cible || m.bas > m.haut) {
        par_termes = std::move(resultat);  // nothing reaches cible
        return true;
    }
    if (c.comptee >= (std::int64_t{1} << 40)) return false;
    std::vector<Compte> comptes;
    const std::size_t comptee = static_cast<std::size_t>(c.comptee);
    if (!balayer_aux_points(
            tache, d, fenetres(d, c.ne, c.comptee), comptee + 1, bits_au_plus(c.ne, static_cast<double>(c.comptee)), m,
            0,
            [comptee](const Residu* tab, std::size_t L, const Residu*, Residu, std::uint32_t* valeurs) {
                std::copy(tab + comptee * L, tab + (comptee + 1) * L, valeurs);
            },
            comptes))
        return false;
    for (std::size_t j = 0; j < comptes.size(); ++j) {
        const std::size_t nombre = m.bas + j;
        resultat[c.complement ? c.ne - nombre : nombre] = std::move(comptes[j]);
    }
    par_termes = std::move(resultat);
    return true;
}

}  // namespace taverlune
