// The divisor-sum family (see family.h): one n, and ranges of n.
//
// For one n, sigma(n) says abundant, perfect or deficient. An abundant n is
// semiperfect when its abundance sigma(n) - 2n is a sum of distinct proper
// divisors (the complement of a set of proper divisors making n), a subset-sum
// decision with a small target: a search from the largest divisors, cut by the
// sums of those left, and past a budget of steps a bitset of the reachable
// sums. Quick answers first: a multiple of a semiperfect number is
// semiperfect (6 | n, or a multiple of a small primitive semiperfect number
// in a range); a practical number other than a power of 2 is semiperfect, a
// practical number with sigma(n) even is Zumkeller. Zumkeller asks sigma(n)
// even, at least 2n, and the target (sigma(n) - 2n) / 2 made of divisors
// other than n. A weird n has no semiperfect divisor, so its abundant proper
// divisors would be weird: it is primitive when every n / p is deficient.
//
// Over a range, pieces of the range are sieved for the prime factors of
// every n (primes up to the square root of the range's end; each n
// factorised alone near 2^63), on threads that work ahead of the piece being
// read, as the tables of ranges.cpp do; the n come out in order.
#include "taverlune/family.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/family_internal.h"
#include "engine/wide.h"

namespace taverlune {

namespace {

constexpr std::int64_t max63 = std::numeric_limits<std::int64_t>::max();

struct Nom {
    std::string_view nom, numero;
};
constexpr Nom noms[nombre_de_proprietes] = {
    {"semiperfect", "A005835"}, {"primitive-semiperfect", "A006036"},
    {"weird", "A006037"},       {"primitive-weird", "A002975"},
    {"zumkeller", "A083207"},   {"practical", "A005153"},
    {"abundant", "A005101"},    {"perfect", "A000396"},
    {"deficient", "A005100"},
};

}  // namespace

std::string_view nom_de(Propriete p) { return noms[static_cast<std::size_t>(p)].nom; }
std::string_view numero_de(Propriete p) { return noms[static_cast<std::size_t>(p)].numero; }

std::optional<Propriete> propriete_de(std::string_view texte) {
    const auto egal = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    for (const Propriete p : proprietes)
        if (egal(texte, nom_de(p)) || egal(texte, numero_de(p))) return p;
    return std::nullopt;
}

// ---- One n ---------------------------------------------------------------------

Somme sigma_de(const Facteurs& f) {
    Somme s = 1;
    for (int i = 0; i < f.nf; ++i) {
        Somme terme = 1, somme = 1;
        for (int e = 0; e < f.e[i]; ++e) somme += terme *= f.p[i];
        s *= somme;
    }
    return s;
}

bool pratique(const Facteurs& f, std::int64_t n) {
    if (n == 1) return true;
    if (f.nf == 0 || f.p[0] != 2) return false;
    Somme s = 1;  // sigma of the prime powers before p[i]
    for (int i = 0; i < f.nf; ++i) {
        if (static_cast<Somme>(f.p[i]) > s + 1) return false;
        Somme terme = 1, somme = 1;
        for (int e = 0; e < f.e[i]; ++e) somme += terme *= f.p[i];
        s *= somme;
    }
    return true;
}

void Decideur::diviseurs_jusqua(const Facteurs& f, Somme borne) {
    d.assign(1, 1);
    for (int i = 0; i < f.nf; ++i) {
        const std::size_t avant = d.size();
        Somme puissance = 1;
        for (int e = 1; e <= f.e[i] && puissance * f.p[i] <= borne; ++e) {
            puissance *= f.p[i];
            for (std::size_t k = 0; k < avant; ++k)
                if (d[k] * puissance <= borne) d.push_back(static_cast<std::int64_t>(d[k] * puissance));
        }
    }
    std::sort(d.begin(), d.end());
}

// Whether some of the i first elements of d (ascending; prefixe[j] the sum
// of the j first) make t, from the largest down; false with `epuise` set
// when the budget of steps `pas` runs out.
bool Decideur::chercher(std::size_t i, Somme t) {
    for (;;) {
        if (t == 0) return true;
        // The largest element left that fits.
        i = static_cast<std::size_t>(std::upper_bound(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(i), t) -
                                     d.begin());
        if (i == 0 || prefixe[i] < t) return false;
        if (prefixe[i] == t || d[i - 1] == t) return true;
        if (pas == 0) return epuise = true, false;
        --pas;
        --i;
        if (chercher(i, t - d[i])) return true;
        if (epuise) return false;
    }
}

namespace {

// The sums up to `borne` of the sets of `elements` (ascending), one bit
// each, in `bits`; stops once the bit `arret` is set (if it is within the
// bound). Whether it was.
bool sommes_atteintes(const std::vector<std::int64_t>& elements, std::size_t borne, std::vector<std::uint64_t>& bits,
                      std::size_t arret) {
    const std::size_t mots = borne / 64 + 1;
    bits.assign(mots, 0);
    bits[0] = 1;
    const auto pose = [&](std::size_t x) { return x <= borne && ((bits[x / 64] >> (x % 64)) & 1) != 0; };
    for (const std::int64_t x : elements) {
        if (static_cast<std::size_t>(x) > borne) break;
        const std::size_t dm = static_cast<std::size_t>(x) / 64, db = static_cast<std::size_t>(x) % 64;
        for (std::size_t w = mots; w-- > dm;) {
            std::uint64_t v = bits[w - dm] << db;
            if (db != 0 && w > dm) v |= bits[w - dm - 1] >> (64 - db);
            bits[w] |= v;
        }
        if (pose(arret)) return true;
    }
    return pose(arret);
}

}  // namespace

bool Decideur::atteint(const Facteurs& f, std::int64_t n, Somme t, const Rappels* rappels) {
    if (t == 0) return true;
    prefixe.assign(d.size() + 1, 0);
    for (std::size_t k = 0; k < d.size(); ++k) prefixe[k + 1] = prefixe[k] + d[k];
    if (prefixe.back() < t) return false;
    pas = 4096;
    epuise = false;
    if (chercher(d.size(), t)) return true;
    if (!epuise) return false;
    // Past the budget: the cheaper of the bitset of the sums up to t and the
    // split along the largest prime power of n.
    constexpr double plafond = double{1 << 27};
    const double cout_bits =
        static_cast<double>(t) <= plafond ? static_cast<double>(d.size()) * static_cast<double>(t) / 64 : 1e300;
    const double cout_chiffres = cout_par_chiffres(f);
    if (std::min(cout_bits, cout_chiffres) < 1e300) {
        if (cout_chiffres <= cout_bits) return par_chiffres(f, n, t);
        return sommes_atteintes(d, static_cast<std::size_t>(t), bits, static_cast<std::size_t>(t));
    }
    // No bound on the search: say so first when it can take long.
    if (rappels != nullptr && rappels->lenteur && d.size() > 60 && !averti && (averti = true))
        rappels->lenteur({Lenteur::Quoi::comptage,
                          std::ldexp(1e-8, static_cast<int>(std::min<std::size_t>(d.size() / 2, 1000))), 0, true});
    pas = std::numeric_limits<std::uint64_t>::max();
    epuise = false;
    return chercher(d.size(), t);
}

// With p^k the largest prime power of n and m = n / p^k, the divisors of n
// are the d p^i (d | m, i <= k): a set of them makes t when t = sum of s_i
// p^i with each s_i a sum of divisors of m (of divisors of m other than m
// for i = k, n taking no part). The s_i are chosen digit by digit from the
// lowest, the remainder of t carried up: few remainders when sigma(m) is
// small against p.
static int plus_grande_puissance(const Facteurs& f) {
    int j = 0;
    Somme meilleure = 0;
    for (int i = 0; i < f.nf; ++i) {
        Somme q = 1;
        for (int e = 0; e < f.e[i]; ++e) q *= f.p[i];
        if (q > meilleure) meilleure = q, j = i;
    }
    return j;
}

double Decideur::cout_par_chiffres(const Facteurs& f) {
    if (f.nf < 2) return 1e300;
    const int j = plus_grande_puissance(f);
    Facteurs g = f;
    g.e[j] = 0;
    const Somme sm = sigma_de(g);
    if (static_cast<double>(sm) > double{1 << 27}) return 1e300;
    double diviseurs_de_m = 1;
    for (int i = 0; i < g.nf; ++i) diviseurs_de_m *= g.e[i] + 1;
    // The bitset of the sums of m's divisors, then up to sigma(m) / p + 1
    // remainders a digit, each trying as many sums.
    const double m_sur_p = static_cast<double>(sm) / static_cast<double>(f.p[j]) + 1;
    const double cout = diviseurs_de_m * static_cast<double>(sm) / 64 + (f.e[j] + 1) * m_sur_p * m_sur_p;
    return cout < 1e11 ? cout : 1e300;
}

bool Decideur::par_chiffres(const Facteurs& f, std::int64_t n, Somme t) {
    const int j = plus_grande_puissance(f);
    const std::int64_t p = f.p[j];
    const int k = f.e[j];
    Facteurs g = f;
    for (int i = j; i + 1 < g.nf; ++i) g.p[i] = g.p[i + 1], g.e[i] = g.e[i + 1];
    --g.nf;
    const Somme sm = sigma_de(g);
    std::int64_t m = n;
    for (int e = 0; e < k; ++e) m /= p;
    diviseurs_jusqua(g, sm);
    d.pop_back();  // m itself: its sums without it, then with it
    sommes_atteintes(d, static_cast<std::size_t>(sm), sans_m, static_cast<std::size_t>(sm) + 1);
    avec_m = sans_m;
    for (std::size_t s = static_cast<std::size_t>(sm); s >= static_cast<std::size_t>(m); --s)
        if ((sans_m[(s - m) / 64] >> ((s - m) % 64)) & 1) avec_m[s / 64] |= std::uint64_t{1} << (s % 64);
    std::vector<Somme>&restes = restes_, &suivants = suivants_;
    restes.assign(1, t);
    for (int i = 0; i <= k && !restes.empty(); ++i) {
        const std::vector<std::uint64_t>& b = i < k ? avec_m : sans_m;
        suivants.clear();
        for (const Somme r : restes)
            for (Somme s = r % p; s <= std::min(r, sm); s += p)
                if ((b[static_cast<std::size_t>(s) / 64] >> (static_cast<std::size_t>(s) % 64)) & 1)
                    suivants.push_back((r - s) / p);
        std::sort(suivants.begin(), suivants.end());
        suivants.erase(std::unique(suivants.begin(), suivants.end()), suivants.end());
        std::swap(restes, suivants);
    }
    return !restes.empty() && restes.front() == 0;
}

Facteurs facteurs_de(std::int64_t n) {
    Facteurs f;
    for (const PuissancePremiere& x : factoriser(n)) {
        f.p[f.nf] = x.p;
        f.e[f.nf++] = x.e;
    }
    return f;
}

namespace {

// n / p[i], its factorisation.
Facteurs sans(const Facteurs& f, int i) {
    Facteurs g = f;
    if (--g.e[i] == 0) {
        for (int j = i; j + 1 < g.nf; ++j) g.p[j] = g.p[j + 1], g.e[j] = g.e[j + 1];
        --g.nf;
    }
    return g;
}

}  // namespace

bool Decideur::semiparfait(std::int64_t n, const Facteurs& f, Somme sigma, const Rappels* rappels) {
    const Somme deux_n = 2 * static_cast<Somme>(n);
    if (sigma < deux_n) return false;
    if (sigma == deux_n || n % 6 == 0) return true;
    if (f.nf > 1 && pratique(f, n)) return true;
    if (n == dernier_n) return dernier;  // one n's properties ask it more than once
    const Somme abondance = sigma - deux_n;
    diviseurs_jusqua(f, std::min<Somme>(abondance, n - 1));
    dernier = atteint(f, n, abondance, rappels);
    dernier_n = n;
    return dernier;
}

bool Decideur::zumkeller(std::int64_t n, const Facteurs& f, Somme sigma, const Rappels* rappels) {
    const Somme deux_n = 2 * static_cast<Somme>(n);
    if (sigma % 2 != 0 || sigma < deux_n) return false;
    if (sigma == deux_n || pratique(f, n)) return true;
    const Somme cible = (sigma - deux_n) / 2;
    diviseurs_jusqua(f, std::min<Somme>(cible, n - 1));
    return atteint(f, n, cible, rappels);
}

namespace {

/// What sigma(n) alone says of p (none: the factors are needed).
std::optional<bool> par_sigma(Propriete p, std::int64_t n, Somme sigma) {
    const Somme deux_n = 2 * static_cast<Somme>(n);
    switch (p) {
        case Propriete::abondant:
            return sigma > deux_n;
        case Propriete::parfait:
            return sigma == deux_n;
        case Propriete::deficient:
            return sigma < deux_n;
        case Propriete::pratique:
            return n % 2 != 0 ? std::optional<bool>(n == 1) : std::nullopt;
        case Propriete::zumkeller:
            if (sigma % 2 != 0) return false;
            [[fallthrough]];
        case Propriete::semiparfait:
        case Propriete::semiparfait_primitif:
            if (sigma < deux_n) return false;
            return std::nullopt;
        case Propriete::etrange:
        case Propriete::etrange_primitif:
            if (sigma <= deux_n) return false;
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

bool Decideur::possede(Propriete p, std::int64_t n, const Facteurs& f, Somme sigma, bool multiple,
                       const Rappels* rappels) {
    if (const std::optional<bool> vite = par_sigma(p, n, sigma)) return *vite;
    const Somme deux_n = 2 * static_cast<Somme>(n);
    switch (p) {
        case Propriete::abondant:
        case Propriete::parfait:
        case Propriete::deficient:
            return false;  // settled by sigma alone above
        case Propriete::pratique:
            return pratique(f, n);
        case Propriete::zumkeller:
            return zumkeller(n, f, sigma, rappels);
        case Propriete::semiparfait:
            return sigma >= deux_n && (multiple || semiparfait(n, f, sigma, rappels));
        case Propriete::semiparfait_primitif:
            if (multiple || sigma < deux_n || !semiparfait(n, f, sigma, rappels)) return false;
            for (int i = 0; i < f.nf; ++i) {
                const Facteurs g = sans(f, i);
                if (semiparfait(n / f.p[i], g, sigma_de(g), rappels)) return false;
            }
            return true;
        case Propriete::etrange:
            return sigma > deux_n && !multiple && !semiparfait(n, f, sigma, rappels);
        case Propriete::etrange_primitif:
            if (sigma <= deux_n || multiple) return false;
            for (int i = 0; i < f.nf; ++i) {
                const Facteurs g = sans(f, i);
                if (sigma_de(g) >= 2 * static_cast<Somme>(n / f.p[i])) return false;
            }
            return !semiparfait(n, f, sigma, rappels);
    }
    return false;
}

Classement classer(std::int64_t n, const Reglages& r, const Rappels& rappels) {
    if (n < 1) throw std::invalid_argument("n must be at least 1");
    Classement c;
    const Facteurs f = facteurs_de(n);
    const Somme sigma = sigma_de(f);
    Decideur decideur;
    for (const Propriete p : proprietes)
        c.oui[static_cast<std::size_t>(p)] = decideur.possede(p, n, f, sigma, false, &rappels);
    // f(n): the divisors other than n making (sigma - 2n) / 2.
    if (sigma % 2 == 0 && sigma >= 2 * static_cast<Somme>(n)) {
        const Somme cible = (sigma - 2 * static_cast<Somme>(n)) / 2;
        if (cible > max63) throw std::domain_error("f(" + std::to_string(n) + ") needs a target past 2^63 - 1");
        const Probleme pb = probleme_de(n, static_cast<std::int64_t>(cible));
        const Issue rapide = cible == 0 ? Issue::toutes : issue_rapide(pb);
        if (rapide == Issue::toutes) c.separations += 1;
        else if (rapide == Issue::recherche) c.separations = compter(pb, r, rappels, Mesure::total).total;
    }
    // a(n): the divisors other than n making n.
    const Probleme pb = probleme_de(n, n);
    const Issue rapide = n < 2 ? Issue::aucune : issue_rapide(pb);
    if (rapide == Issue::toutes) c.a += 1;
    else if (rapide == Issue::recherche) c.a = compter(pb, r, rappels, Mesure::total).total;
    return c;
}

bool possede(std::int64_t n, Propriete p) {
    if (n < 1) throw std::invalid_argument("n must be at least 1");
    const Facteurs f = facteurs_de(n);
    Decideur decideur;
    return decideur.possede(p, n, f, sigma_de(f), false, nullptr);
}

// ---- Ranges ----------------------------------------------------------------------

namespace {

/// Below this end of the range the pieces are sieved; above, each n is factorised alone.
constexpr std::int64_t plafond_crible = std::int64_t{1} << 40;

std::vector<std::uint32_t> premiers_jusqua(std::int64_t borne) {
    std::vector<char> compose(static_cast<std::size_t>(borne) + 1, 0);
    std::vector<std::uint32_t> r;
    for (std::int64_t p = 2; p <= borne; ++p) {
        if (compose[static_cast<std::size_t>(p)] != 0) continue;
        r.push_back(static_cast<std::uint32_t>(p));
        for (std::int64_t x = p * p; x <= borne; x += p) compose[static_cast<std::size_t>(x)] = 1;
    }
    return r;
}

/// A piece of the range, once computed.
struct Morceau {
    bool fait = false;
    std::vector<std::int64_t> trouves;  // when listing
    std::uint64_t nombre = 0;
    std::exception_ptr erreur;
};

/// The prime factors of the n of a piece, by a sieve: up to `largeur`
/// primes below 2^24 each, packed with their exponents, what is left (one
/// prime above the square root, or 1), and sigma(n). No division but one a
/// number: sigma(p^e) grows by its last term, kept a number at a time.
struct Crible {
    static constexpr int largeur = 12;  // 2 3 5 ... 37 make more than 2^40
    std::vector<std::uint32_t> entrees;
    std::vector<std::uint8_t> nombre;
    std::vector<std::uint64_t> produit, sigma, terme;

    void cribler(std::int64_t lo, std::size_t nb, const std::vector<std::uint32_t>& premiers) {
        entrees.resize(nb * largeur);
        nombre.assign(nb, 0);
        produit.assign(nb, 1);
        sigma.assign(nb, 1);
        terme.resize(nb);
        std::uint32_t* const E = entrees.data();
        std::uint8_t* const N = nombre.data();
        std::uint64_t *const P = produit.data(), *const S = sigma.data(), *const T = terme.data();
        const std::uint64_t ulo = static_cast<std::uint64_t>(lo), hi = ulo + nb - 1;
        for (const std::uint32_t p : premiers) {
            if (std::uint64_t{p} * p > hi) break;
            for (std::uint64_t k = (ulo + p - 1) / p * p - ulo; k < nb; k += p) {
                E[k * largeur + N[k]++] = p | (1u << 24);
                P[k] *= p;
                T[k] = S[k] * p;
                S[k] += T[k];
            }
            for (std::uint64_t q = std::uint64_t{p} * p; q <= hi; q *= p) {
                for (std::uint64_t k = (ulo + q - 1) / q * q - ulo; k < nb; k += q) {
                    E[k * largeur + N[k] - 1] += 1u << 24;
                    P[k] *= p;
                    T[k] *= p;
                    S[k] += T[k];
                }
                if (q > hi / p) break;
            }
        }
        // One prime above the square root, found exactly by a division in
        // doubles (below 2^53 the quotient of two integers is exact).
        for (std::size_t k = 0; k < nb; ++k)
            if (P[k] != ulo + k)
                S[k] *= static_cast<std::uint64_t>(static_cast<double>(ulo + k) / static_cast<double>(P[k])) + 1;
    }

    Facteurs facteurs(std::size_t k, std::int64_t n) const {
        Facteurs f;
        for (int i = 0; i < nombre[k]; ++i) {
            const std::uint32_t x = entrees[k * largeur + static_cast<std::size_t>(i)];
            f.p[i] = x & 0xFFFFFF;
            f.e[i] = static_cast<int>(x >> 24);
        }
        f.nf = nombre[k];
        if (static_cast<std::uint64_t>(n) != produit[k]) {
            f.p[f.nf] = static_cast<std::int64_t>(static_cast<std::uint64_t>(n) / produit[k]);
            f.e[f.nf++] = 1;
        }
        return f;
    }
};

/// A range run in pieces, in order.
class Parcours {
public:
    Parcours(Propriete p, std::int64_t debut, std::int64_t fin, const ReglagesFamille& r, bool garder)
        : propriete_(p), debut_(debut), fin_(fin), garder_(garder) {
        fils_ = r.fils != 0 ? r.fils : coeurs_disponibles();
        nombres_ = static_cast<std::uint64_t>(fin - debut) + 1;
        crible_ = fin < plafond_crible;
        const double racine = std::sqrt(static_cast<double>(fin));
        const std::uint64_t plus =
            crible_ ? std::clamp<std::uint64_t>(static_cast<std::uint64_t>(racine / 2), 1 << 14, 1 << 18) : 256;
        taille_ = std::clamp<std::uint64_t>(nombres_ / (std::uint64_t{fils_} * 8), 64, plus);
        pieces_ = (nombres_ + taille_ - 1) / taille_;
        fenetre_ = std::min<std::uint64_t>(pieces_, 4 * std::uint64_t{fils_} + 4);
        pretes_.resize(static_cast<std::size_t>(fenetre_));
        if (crible_) premiers_ = premiers_jusqua(static_cast<std::int64_t>(racine) + 1);
        relais_.lenteur = [this](const Lenteur& l) {
            const std::lock_guard<std::mutex> garde(lente_verrou_);
            if (!lente_) lente_ = l;
        };
        // Multiples of small semiperfect numbers are semiperfect and not primitive.
        if (p == Propriete::semiparfait || p == Propriete::semiparfait_primitif || p == Propriete::etrange ||
            p == Propriete::etrange_primitif) {
            Decideur d;
            for (std::int64_t m = 2; m <= std::min<std::int64_t>(fin / 2, 20000); ++m) {
                const Facteurs f = facteurs_de(m);
                if (d.possede(Propriete::semiparfait_primitif, m, f, sigma_de(f), false, nullptr))
                    semiparfaits_.push_back(m);
            }
        }
    }
    ~Parcours() { arreter(); }

    /// Runs the range; false when stopped.
    bool executer(const std::function<void(std::int64_t)>& chaque, std::uint64_t& total, const Rappels& rappels) {
        for (unsigned f = 0; f < fils_ && pieces_ > 1; ++f) {
            try {
                travailleurs_.emplace_back([this] { travailler(); });
            } catch (const std::system_error&) {
                break;
            }
        }
        auto dernier = std::chrono::steady_clock::now();
        const auto montrer = [&](bool toujours) {
            if (rappels.lenteur && !lente_dite_) {  // a thread's decision will take long: said from here
                std::optional<Lenteur> l;
                {
                    const std::lock_guard<std::mutex> garde(lente_verrou_);
                    l = lente_;
                }
                if (l) lente_dite_ = true, rappels.lenteur(*l);
            }
            if (!rappels.progres) return true;
            const auto maintenant = std::chrono::steady_clock::now();
            if (!toujours && maintenant - dernier < std::chrono::milliseconds(100)) return true;
            dernier = maintenant;
            const double part =
                static_cast<double>(faits_.load(std::memory_order_relaxed)) / static_cast<double>(pieces_);
            return rappels.progres(std::min(part, 1.0), total);
        };
        for (std::uint64_t i = 0; i < pieces_; ++i) {
            Morceau m;
            if (travailleurs_.empty()) {
                calculer(i, m, &rappels);
                if (!m.fait) return false;
            } else {
                std::unique_lock<std::mutex> garde(verrou_);
                Morceau& place = pretes_[static_cast<std::size_t>(i % fenetre_)];
                while (!place.fait) {
                    change_.wait_for(garde, std::chrono::milliseconds(100));
                    if (place.fait) break;
                    garde.unlock();
                    const bool encore = montrer(true);
                    garde.lock();
                    if (!encore) return false;
                }
                m = std::move(place);
                place = Morceau{};
                ++lues_;
                change_.notify_all();
            }
            if (m.erreur) {
                arreter();
                std::rethrow_exception(m.erreur);
            }
            for (const std::int64_t n : m.trouves) {
                chaque(n);
                ++total;
                if ((total & 1023) == 0 && !montrer(false)) return false;
            }
            total += m.nombre;
            if (!montrer(false)) return false;
        }
        return true;
    }

private:
    /// Piece i; `rappels` (the caller's in its thread, else the relay) told of a long decision.
    void calculer(std::uint64_t i, Morceau& m, const Rappels* rappels) {
        try {
            const std::int64_t lo = debut_ + static_cast<std::int64_t>(i * taille_);
            const std::size_t nb = static_cast<std::size_t>(std::min<std::uint64_t>(taille_, nombres_ - i * taille_));
            Crible& c = cribles_local();
            if (crible_) c.cribler(lo, nb, premiers_);
            // n has a small semiperfect proper divisor.
            std::vector<char>& multiple = multiples_local();
            multiple.assign(nb, 0);
            const std::uint64_t ulo = static_cast<std::uint64_t>(lo), uhi = ulo + nb;  // no overflow near 2^63
            for (const std::int64_t s : semiparfaits_) {
                const std::uint64_t us = static_cast<std::uint64_t>(s);
                for (std::uint64_t x = std::max<std::uint64_t>((ulo + us - 1) / us, 2) * us; x < uhi; x += us)
                    multiple[static_cast<std::size_t>(x - ulo)] = 1;
            }
            Decideur d;
            for (std::size_t k = 0; k < nb; ++k) {
                if ((k & 4095) == 4095 && arret_) return;
                const std::int64_t n = lo + static_cast<std::int64_t>(k);
                bool oui;
                if (crible_) {
                    const Somme sigma = c.sigma[k];
                    const std::optional<bool> vite = par_sigma(propriete_, n, sigma);
                    oui = vite ? *vite : d.possede(propriete_, n, c.facteurs(k, n), sigma, multiple[k] != 0, rappels);
                } else {
                    const Facteurs f = facteurs_de(n);
                    oui = d.possede(propriete_, n, f, sigma_de(f), multiple[k] != 0, rappels);
                }
                if (!oui) continue;
                if (garder_) m.trouves.push_back(n);
                else ++m.nombre;
            }
        } catch (...) {
            m.erreur = std::current_exception();
        }
        faits_.fetch_add(1, std::memory_order_relaxed);
        m.fait = true;
    }

    static Crible& cribles_local() {
        thread_local Crible c;
        return c;
    }
    static std::vector<char>& multiples_local() {
        thread_local std::vector<char> v;
        return v;
    }

    void travailler() {
        std::unique_lock<std::mutex> garde(verrou_);
        for (;;) {
            change_.wait(garde, [&] { return arret_ || prochaine_ >= pieces_ || prochaine_ < lues_ + fenetre_; });
            if (arret_ || prochaine_ >= pieces_) return;
            const std::uint64_t i = prochaine_++;
            garde.unlock();
            Morceau m;
            calculer(i, m, &relais_);
            garde.lock();
            if (!m.fait) return;
            pretes_[static_cast<std::size_t>(i % fenetre_)] = std::move(m);
            change_.notify_all();
        }
    }

    void arreter() {
        {
            const std::lock_guard<std::mutex> garde(verrou_);
            arret_ = true;
            change_.notify_all();
        }
        for (std::thread& t : travailleurs_) t.join();
        travailleurs_.clear();
    }

    Propriete propriete_;
    std::int64_t debut_, fin_;
    bool garder_;
    unsigned fils_;
    std::uint64_t nombres_, taille_, pieces_, fenetre_;
    bool crible_;
    std::vector<std::uint32_t> premiers_;
    std::vector<std::int64_t> semiparfaits_;

    std::mutex verrou_;
    std::condition_variable change_;
    std::vector<Morceau> pretes_;
    std::uint64_t prochaine_ = 0, lues_ = 0;
    std::atomic<bool> arret_{false};
    std::atomic<std::uint64_t> faits_{0};
    std::vector<std::thread> travailleurs_;
    // A long decision met by a thread, kept for the calling thread to tell.
    std::mutex lente_verrou_;
    std::optional<Lenteur> lente_;
    bool lente_dite_ = false;
    Rappels relais_;
};

void verifier_intervalle(std::int64_t debut, std::int64_t fin) {
    if (debut < 1 || fin < debut) throw std::invalid_argument("the range must satisfy 1 <= debut <= fin");
}

}  // namespace

bool lister_propriete(Propriete p, std::int64_t debut, std::int64_t fin,
                      const std::function<void(std::int64_t)>& chaque, const ReglagesFamille& r,
                      const Rappels& rappels) {
    verifier_intervalle(debut, fin);
    Parcours parcours(p, debut, fin, r, true);
    std::uint64_t total = 0;
    return parcours.executer(chaque, total, rappels);
}

std::optional<std::uint64_t> compter_propriete(Propriete p, std::int64_t debut, std::int64_t fin,
                                               const ReglagesFamille& r, const Rappels& rappels) {
    verifier_intervalle(debut, fin);
    if (p == Propriete::pratique && pratiques_par_construction(debut, fin)) {
        const std::optional<std::uint64_t> jusqua_fin = compter_pratiques(fin, rappels);
        const std::optional<std::uint64_t> avant = jusqua_fin ? compter_pratiques(debut - 1, rappels) : std::nullopt;
        if (!avant) return std::nullopt;
        return *jusqua_fin - *avant;
    }
    Parcours parcours(p, debut, fin, r, false);
    std::uint64_t total = 0;
    if (!parcours.executer([](std::int64_t) {}, total, rappels)) return std::nullopt;
    return total;
}

}  // namespace taverlune
