// The fast search engine: the same solutions, in the same order, with the same
// counts as the pattern walk, without scanning patterns that cannot succeed.
//
// The walk meets the solutions in increasing lexicographic order of their
// ascending term lists (a pattern of greater value holds the smaller divisor
// where two patterns first differ). A depth-first search that extends a subset
// with each larger divisor in turn, smallest first, meets them in that same
// order. It gives up a branch as soon as the next divisor overshoots the
// target or the divisors left cannot reach it; when the sums are small
// enough, a table of the sums that the divisors left can make cuts every
// branch that leads to no solution, so the work follows the solutions found.
// Counting alone needs no enumeration at all when the sums are small enough
// (see counting.h). A number with a large prime factor splits into groups of
// divisors whose sums never carry into one another (see Decoupage), and the
// sums that matter are then those of each group, however large N is.
//
// Reads: Div[1..ND1], ND1, SN, Sol, N, nf, Nfact, Nexpo.
// Writes: ns, ndif, NS[1..ND1].
// Cost: counting: about ND1 x SN x (number of terms) additions; listing: a
// few steps per divisor of each solution when the sum table fits, otherwise
// every branch that survives the two bounds.
#include <cmath>
#include <cstdint>
#include <string>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "dialogue/console.h"
#include "search/counting.h"
#include "search/progress.h"
#include "search/search.h"
#include "state/state.h"

namespace {


// A table is worth its memory only when it costs less than a plain search of
// all the 2^n subsets of n divisors, which never needs one.
std::size_t utile(std::size_t octets_max, std::size_t n) {
    if (n >= 58) return octets_max;
    return std::min(octets_max, (std::size_t{1} << n) * 16);
}

// How the divisors that take part split into groups whose sums never carry
// into one another.
//
// When the largest prime factor p of N (exponent E) exceeds the sum of all
// the divisors of a = N / p^E, every divisor is d p^e with d dividing a, and
// the divisors with the same e add up to less than p units of p^e: written in
// base p, a sum of divisors has the sum of group e as its digit e. A subset
// then reaches the target exactly when each group reaches the target's digit,
// and each group is a small problem even when N and the target are near 2^63.
// Otherwise there is a single group, in units of 1.
struct Groupe {
    std::size_t debut = 1;  // Div[debut..fin]; empty when fin < debut
    std::size_t fin = 0;
    Somme unite = 1;        // p^e
    Somme chiffre = 0;      // the target's digit, in units
    Somme plafond = 0;      // the group's whole sum, in units (its table's width)
};

struct Decoupage {
    std::vector<Groupe> groupes;
    Somme base = 0;         // p, or 0 for a single group
    bool impossible = false;  // a digit that its group cannot make
};

Decoupage decouper() {
    const std::size_t n = static_cast<std::size_t>(ND1);
    Decoupage d;
    Somme somme_totale = 0;
    for (std::size_t m = 1; m <= n; ++m) somme_totale += Div[static_cast<Integer>(m)];
    if (nf >= 1 && N > 1) {
        const Integer p = Nfact[nf];
        Somme sigma_a = 1;  // sum of the divisors of N / p^E
        for (int q = 1; q < nf; ++q) {
            Somme terme = 1, somme = 1;
            for (Integer e = 0; e < Nexpo[q]; ++e) somme += (terme *= Nfact[q]);
            sigma_a *= somme;
        }
        if (sigma_a < p) {
            d.base = p;
            Somme unite = 1;
            std::size_t m = 1;
            for (Integer e = 0; e <= Nexpo[nf]; ++e, unite *= p) {
                Groupe g;
                g.debut = m;
                g.unite = unite;
                // The group holds the divisors below p^(e+1), all multiples of p^e.
                while (m <= n && Div[static_cast<Integer>(m)] < unite * p) {
                    g.plafond += Div[static_cast<Integer>(m)] / unite;
                    ++m;
                }
                g.fin = m - 1;
                d.groupes.push_back(g);
            }
            Somme reste = SN;
            for (Groupe& g : d.groupes) {
                g.chiffre = reste % p;
                reste /= p;
                if (g.chiffre > g.plafond) d.impossible = true;
            }
            if (reste != 0) d.impossible = true;
            return d;
        }
    }
    Groupe g;
    g.fin = n;
    g.chiffre = SN;
    g.plafond = std::min<Somme>(SN, somme_totale);
    d.groupes.push_back(g);
    return d;
}

// atteignable(m, r): some subset of Div[m..ND1] adds up to r. One row of bits
// per divisor, over the sums that its group's divisors from it on can make.
class SommesAtteignables {
public:
    explicit SommesAtteignables(const Decoupage& d) : d_(d) {
        const std::size_t n = static_cast<std::size_t>(ND1);
        groupe_de_.assign(n + 2, 0);
        debut_ligne_.assign(n + 2, 0);
        std::size_t mots = 0;
        for (std::size_t g = 0; g < d_.groupes.size(); ++g) {
            const Groupe& G = d_.groupes[g];
            for (std::size_t m = G.debut; m <= G.fin; ++m) {
                groupe_de_[m] = g;
                debut_ligne_[m] = mots;
                mots += largeur(G);
            }
        }
        bits_.assign(mots, 0);
        for (const Groupe& G : d_.groupes) {
            if (G.fin < G.debut) continue;
            const std::size_t w = largeur(G);
            for (std::size_t m = G.fin + 1; m-- > G.debut;) {
                std::uint64_t* dst = bits_.data() + debut_ligne_[m];
                const std::size_t v = static_cast<std::size_t>(Div[static_cast<Integer>(m)] / G.unite);
                if (m == G.fin) {  // the empty sum, and this divisor alone
                    dst[0] = 1;
                    if (v / 64 < w) dst[v / 64] |= std::uint64_t{1} << (v % 64);
                    continue;
                }
                // dst = src | (src << v), cut at the group's whole sum
                const std::uint64_t* src = bits_.data() + debut_ligne_[m + 1];
                const std::size_t decal_mots = v / 64;
                const unsigned decal_bits = static_cast<unsigned>(v % 64);
                for (std::size_t x = 0; x < w; ++x) {
                    std::uint64_t decale = 0;
                    if (x >= decal_mots) {
                        decale = src[x - decal_mots] << decal_bits;
                        if (decal_bits != 0 && x > decal_mots) decale |= src[x - decal_mots - 1] >> (64 - decal_bits);
                    }
                    dst[x] = src[x] | decale;
                }
            }
        }
    }

    static bool tient(const Decoupage& d) {
        double mots = 0;
        for (const Groupe& G : d.groupes)
            if (G.fin >= G.debut)
                mots += static_cast<double>(G.fin - G.debut + 1) * (static_cast<double>(G.plafond) / 64 + 1);
        return mots * 8 <= static_cast<double>(utile(octets_sommes_max, static_cast<std::size_t>(ND1)));
    }

    bool atteignable(std::size_t m, Somme r) const {
        if (r < 0) return false;
        if (m > static_cast<std::size_t>(ND1)) return r == 0;
        std::size_t g = groupe_de_[m];
        const Groupe& G = d_.groupes[g];
        if (r % G.unite != 0) return false;
        Somme q = r / G.unite;
        for (; g < d_.groupes.size(); ++g) {
            const bool dernier = g + 1 == d_.groupes.size();
            const Somme chiffre = dernier ? q : q % d_.base;
            if (!dans_le_groupe(g, g == groupe_de_[m] ? m : d_.groupes[g].debut, chiffre)) return false;
            if (dernier) break;
            q /= d_.base;
        }
        return true;
    }

private:
    static std::size_t largeur(const Groupe& G) { return static_cast<std::size_t>(G.plafond / 64) + 1; }

    // Some subset of the group's divisors from Div[m] on makes v units.
    bool dans_le_groupe(std::size_t g, std::size_t m, Somme v) const {
        const Groupe& G = d_.groupes[g];
        if (v > G.plafond) return false;
        if (m > G.fin) return v == 0;
        const std::size_t x = static_cast<std::size_t>(v);
        return (bits_[debut_ligne_[m] + x / 64] >> (x % 64)) & 1;
    }

    const Decoupage& d_;
    std::vector<std::size_t> groupe_de_;    // group of each index
    std::vector<std::size_t> debut_ligne_;  // first word of each index's row
    std::vector<std::uint64_t> bits_;
};

void avancement_comptage(double part, void* contexte) {
    static_cast<Avancement*>(contexte)->montrer(part, 0);
}

void ajouter_comptes(const std::vector<Compte>& par_termes) {
    for (std::size_t m = 1; m < par_termes.size(); ++m) {
        if (par_termes[m].est_nul()) continue;
        NS[static_cast<Integer>(m)] += par_termes[m];
        ns += par_termes[m];
        ndif = static_cast<Integer>(m);
    }
}

// Counting by a remembered recursion on (m, r), the number of subsets of
// Div[1..m] that add up to r, split by number of terms: taking Div[m] or not.
// Useful when the target is far too large for the table but the divisors are
// so spread out that few remainders r can still be made by the smaller ones
// (numbers like 3 x 2^60). It gives up once it has remembered too much.
class CompteurMemorise {
public:
    CompteurMemorise() {
        const std::size_t n = static_cast<std::size_t>(ND1);
        avant_.assign(n + 1, 0);
        for (std::size_t m = 1; m <= n; ++m) avant_[m] = avant_[m - 1] + Div[static_cast<Integer>(m)];
        resultats_.push_back({});        // 0: no subset
        resultats_.push_back({Compte{}});  // 1: the empty subset alone
        resultats_[1][0] += 1;
    }

    /// The counts for the target SN, or false when too much was remembered.
    bool compter(std::vector<Compte>& par_termes) {
        const std::uint32_t x = compter(static_cast<std::size_t>(ND1), static_cast<Somme>(SN), 0);
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
    static constexpr std::size_t profondeur_max = 4000;

    std::uint32_t compter(std::size_t m, Somme r, std::size_t profondeur) {
        if (deborde_) return 0;
        if (r == 0) return 1;
        while (m > 0 && Div[static_cast<Integer>(m)] > r) --m;  // too large to be taken
        if (m == 0 || r > avant_[m]) return 0;
        if (profondeur > profondeur_max) {
            deborde_ = true;
            return 0;
        }
        const Cle cle{m, static_cast<std::uint64_t>(r)};
        if (const auto trouve = deja_.find(cle); trouve != deja_.end()) return trouve->second;
        std::vector<Compte> somme;
        if (r == avant_[m]) {  // all of Div[1..m]
            somme.resize(m + 1);
            somme[m] += 1;
        } else {
            const std::uint32_t sans = compter(m - 1, r, profondeur + 1);
            const std::uint32_t avec = compter(m - 1, r - Div[static_cast<Integer>(m)], profondeur + 1);
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

    std::vector<Somme> avant_;  // avant_[m] = Div[1] + ... + Div[m]
    std::vector<std::vector<Compte>> resultats_;
    std::unordered_map<Cle, std::uint32_t, Hachage> deja_;
    std::size_t cases_ = 0;
    bool deborde_ = false;
};

// Counting group by group: each group's counts by the table, then multiplied
// together, number of terms by number of terms.
bool compter_par_groupes(const Decoupage& d, std::vector<Compte>& produit) {
    produit.assign(1, Compte{});  // the empty subset of no group
    produit[0] += 1;
    for (const Groupe& G : d.groupes) {
        const std::size_t taille = G.fin >= G.debut ? G.fin - G.debut + 1 : 0;
        std::vector<Compte> groupe(1);
        if (G.chiffre == 0) {
            groupe[0] += 1;  // only the empty subset makes 0
        } else {
            std::vector<Integer> unites(taille);
            for (std::size_t q = 0; q < taille; ++q)
                unites[q] = static_cast<Integer>(Div[static_cast<Integer>(G.debut + q)] / G.unite);
            if (!compter_sous_ensembles(unites.data(), taille, static_cast<Integer>(G.chiffre),
                                        utile(octets_comptage_max, taille), groupe))
                return false;
        }
        std::vector<Compte> suivant(produit.size() + groupe.size() - 1);
        for (std::size_t x = 0; x < produit.size(); ++x)
            for (std::size_t y = 0; y < groupe.size(); ++y)
                if (!produit[x].est_nul() && !groupe[y].est_nul()) suivant[x + y] += produit[x] * groupe[y];
        produit = std::move(suivant);
    }
    return true;
}

// Counting without listing: by the table over all the divisors at once, else
// group by group, else by remembered remainders; false when none can serve.
bool compter(const Decoupage& d, Avancement& avancement) {
    const std::size_t n = static_cast<std::size_t>(ND1);
    std::vector<Compte> par_termes;
    const bool compte =
        compter_sous_ensembles(&Div[1], n, SN, utile(octets_comptage_max, n), par_termes, avancement_comptage,
                               &avancement) ||
        (d.groupes.size() > 1 && compter_par_groupes(d, par_termes)) ||
        (comptage_memorise && CompteurMemorise().compter(par_termes));
    if (compte) ajouter_comptes(par_termes);
    return compte;
}

// The depth-first listing. With `sommes`, every branch taken leads to at
// least one solution.
void lister(const SommesAtteignables* sommes, Avancement& avancement) {
    const std::size_t n = static_cast<std::size_t>(ND1);
    const Somme cible = SN;

    // reste_total[m] = Div[m] + ... + Div[n]; reste_total[n + 1] = 0.
    std::vector<Somme> reste_total(n + 2, 0);
    for (std::size_t m = n; m >= 1; --m) reste_total[m] = reste_total[m + 1] + Div[static_cast<Integer>(m)];

    // Decimal texts of the divisors, made once, so that printing is copying.
    std::vector<std::string> textes;
    if (Sol == 1) {
        textes.resize(n + 1);
        for (std::size_t m = 1; m <= n; ++m) textes[m] = std::to_string(Div[static_cast<Integer>(m)]);
    }
    // The terms taken so far, " || " between them; ligne_fin[p] = its length
    // at depth p.
    std::string ligne;
    std::vector<std::size_t> ligne_fin(n + 2, 0);

    std::vector<std::uint64_t> par_termes(n + 1, 0);
    std::uint64_t trouvees = 0;
    // On a terminal each solution shows as soon as it is found.
    const bool au_terminal = Sol == 1 && ::isatty(1) != 0;
    std::vector<std::size_t> choisi(n + 1, 0);   // index taken at each depth
    std::vector<std::size_t> suivant(n + 2, 0);  // next index to try at each depth
    std::vector<Somme> somme(n + 2, 0);          // sum of the indices taken

    // The share of the walk covered: the walk counts pattern values down, and
    // the value of the current branch, in units of 2^n, is the sum of 2^-m
    // over its divisors.
    std::vector<double> valeur(n + 2, 0.0);
    auto part = [&](std::size_t p, std::size_t m) {
        return 1.0 - (valeur[p] + std::ldexp(1.0, -static_cast<int>(std::min<std::size_t>(m, 2000))));
    };

    std::size_t p = 0;
    suivant[0] = 1;
    for (;;) {
        const std::size_t m = suivant[p];
        const Somme s = somme[p];
        avancement.pas([&] { return part(p, m); }, trouvees);
        bool vivant = m <= n && s + reste_total[m] >= cible;
        const Somme avec = vivant ? s + Div[static_cast<Integer>(m)] : 0;
        if (vivant && avec > cible) vivant = false;
        if (vivant && sommes != nullptr && !sommes->atteignable(m, cible - s)) vivant = false;
        if (vivant && avec == cible) {
            // A solution; any larger divisor at this depth would overshoot.
            ++par_termes[p + 1];
            ++trouvees;
            if (Sol == 1) {
                ecrire(" \n  \t  ");
                ecrire(std::string_view(ligne).substr(0, ligne_fin[p]));
                if (p > 0) ecrire(" || ");
                ecrire(textes[m]);
                ecrire(" \n  \t  ");
                if (au_terminal) vider_sortie();
            }
        } else if (vivant && (sommes == nullptr || sommes->atteignable(m + 1, cible - avec))) {
            choisi[p] = m;
            if (Sol == 1) {
                ligne.resize(ligne_fin[p]);
                if (p > 0) ligne += " || ";
                ligne += textes[m];
                ligne_fin[p + 1] = ligne.size();
            }
            valeur[p + 1] = valeur[p] + std::ldexp(1.0, -static_cast<int>(std::min<std::size_t>(m, 2000)));
            ++p;
            somme[p] = avec;
            suivant[p] = m + 1;
            continue;
        } else if (vivant) {
            ++suivant[p];  // leaving Div[m] out may still work
            continue;
        }
        // This depth is done: back to the one above, and its next divisor.
        if (p == 0) break;
        --p;
        ++suivant[p];
    }
    std::vector<Compte> comptes(par_termes.size());
    for (std::size_t m = 0; m < par_termes.size(); ++m) comptes[m] += par_termes[m];
    ajouter_comptes(comptes);
}

}  // namespace

std::size_t octets_comptage_max = std::size_t{1} << 30;
std::size_t octets_sommes_max = std::size_t{1} << 28;
bool comptage_memorise = true;

void recherche_rapide() {
    if (Sol == 1) ecrire(" \n \n \t Les sommes recherchees ont pour termes : \n ");
    if (SN < 1 || ND1 < 1) return;  // no subset of positive divisors reaches it
    const Decoupage decoupage = decouper();
    if (decoupage.impossible) return;
    vider_sortie();  // the divisors and their sum are on screen before a long search
    Avancement avancement(Sol == 1);
    if (Sol == 0 && compter(decoupage, avancement)) return;
    if (SommesAtteignables::tient(decoupage)) {
        const SommesAtteignables sommes(decoupage);
        lister(&sommes, avancement);
    } else {
        lister(nullptr, avancement);
    }
}
