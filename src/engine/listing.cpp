// The depth-first listing (see task.h).
//
// The walk meets the solutions in increasing lexicographic order of their
// ascending term lists (a pattern of greater value holds the smaller divisor
// where two patterns first differ). A depth-first search that extends a subset
// with each larger divisor in turn, smallest first, meets them in that same
// order.
//
// With the table of reachable sums (reachable_sums.h) it takes a divisor only when
// the divisors after it in its group can make what is left, so every branch
// leads to a solution and the work follows the solutions found. In a state of
// the search (the units still to make and the first divisor allowed) the
// endings of the solutions are always the same, whatever terms came before;
// when a state has only a few of them, their texts are remembered the first
// time it is left, and when it comes again they are copied after the new
// terms without searching. Without the table, the search gives up a branch
// as soon as the next divisor overshoots the target or the divisors left
// cannot reach it.
//
// Each line is copied whole from the text of the current terms, made from the
// divisors' texts as the search goes down, and the lines are handed to the
// caller's Puits 64 KiB at a time (or one by one, when the Forme asks).
//
// Cost: with the table, one step per term that a solution does not share with
// the one before it, less where the endings are remembered, and a copy of its
// text, in blocks of 32 bytes; memory up to 256 KiB for the states and 16 MiB
// for the endings. Without it, every branch that survives the two bounds.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/x86.h"

#include "engine/reachable_sums.h"
#include "engine/task.h"

namespace taverlune {

namespace {

using u64 = std::uint64_t;

// Texts are copied in blocks of this many bytes whatever their length, so
// every buffer has that much room after its text.
constexpr std::size_t bloc = 32;

void copier(char* vers, const char* depuis, std::size_t n) {
    for (std::size_t x = 0; x < n; x += bloc) std::memcpy(vers + x, depuis + x, bloc);
}

// Copies `lignes` lines to `vers`: each the terms' text (fin bytes), then
// its ending (its length is the first of the two words of each of `tetes`),
// from `texte` on.
void copier_lignes_ordinaire(char* vers, const char* termes, std::size_t fin, const char* tetes, const char* texte,
                             std::uint32_t lignes) {
    for (std::uint32_t q = 0; q < lignes; ++q) {
        std::uint32_t n;
        std::memcpy(&n, tetes + 8 * q, sizeof n);
        copier(vers, termes, fin);
        copier(vers + fin, texte, n);
        vers += fin + n;
        texte += n;
    }
}

#ifdef TAVERLUNE_X86
__attribute__((target("avx"))) inline __m256i lire_bloc(const char* depuis) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(depuis));
}

__attribute__((target("avx"))) inline void poser_bloc(char* vers, __m256i b) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(vers), b);
}

// The same with AVX: a block is one 32-byte move instead of two of 16 bytes,
// and the terms' text, the same on every line, stays in K registers.
template <std::size_t K>
__attribute__((target("avx"))) void lignes_avx(char* vers, const char* termes, std::size_t fin, const char* tetes,
                                               const char* texte, std::uint32_t lignes) {
    __m256i prefixe[K];
    for (std::size_t k = 0; k < K; ++k) prefixe[k] = lire_bloc(termes + k * bloc);
    for (std::uint32_t q = 0; q < lignes; ++q) {
        std::uint32_t n;
        std::memcpy(&n, tetes + 8 * q, sizeof n);
        for (std::size_t k = 0; k < K; ++k) poser_bloc(vers + k * bloc, prefixe[k]);
        for (std::size_t x = 0; x < n; x += bloc) poser_bloc(vers + fin + x, lire_bloc(texte + x));
        vers += fin + n;
        texte += n;
    }
}

// Terms longer than three blocks, which are rare, take the plain copy.
__attribute__((target("avx"))) void copier_lignes_avx(char* vers, const char* termes, std::size_t fin,
                                                      const char* tetes, const char* texte, std::uint32_t lignes) {
    switch ((fin + bloc - 1) / bloc) {
        case 1:
            return lignes_avx<1>(vers, termes, fin, tetes, texte, lignes);
        case 2:
            return lignes_avx<2>(vers, termes, fin, tetes, texte, lignes);
        case 3:
            return lignes_avx<3>(vers, termes, fin, tetes, texte, lignes);
        default:
            return copier_lignes_ordinaire(vers, termes, fin, tetes, texte, lignes);
    }
}

#endif

using CopieDeLignes = void (*)(char*, const char*, std::size_t, const char*, const char*, std::uint32_t);

// Chosen at the first listing of the run, not at start-up: in a virtual
// machine, each question to the processor goes through the host.
CopieDeLignes copie_de_lignes(bool portable) {
    if (portable) return copier_lignes_ordinaire;
#ifdef TAVERLUNE_X86
    static const CopieDeLignes choix = __builtin_cpu_supports("avx") ? copier_lignes_avx : copier_lignes_ordinaire;
    return choix;
#else
    return copier_lignes_ordinaire;
#endif
}

// A state of the search whose endings are being remembered.
struct Enregistrement {
    bool actif = false;
    std::size_t profondeur = 0;        // terms taken before the state
    std::size_t cle = 0;               // its place in the index
    std::size_t base = 0;              // length of a line's text before its endings
    std::vector<std::uint32_t> tetes;  // each ending's length and terms
    std::vector<char> textes;          // the endings' texts, one after the other
};

// The solutions' lines: the text of the terms taken so far, the lines
// gathered for the Puits, the counts and, for the search with the table,
// the remembered endings.
class Lignes {
public:
    Lignes(const Tache& t, Puits* puits, const Forme& forme)
        : puits_(puits),
          affiche_(puits != nullptr),
          au_terminal_(puits != nullptr && forme.immediat),
          copie_(copie_de_lignes(t.reglages.noyau_portable)),
          ouverture_(forme.ouverture),
          separateur_(forme.separateur),
          fermeture_(forme.fermeture) {
        const std::size_t n = t.n;
        par_termes_.assign(n + 1, 0);
        if (!affiche_) return;
        // Each element's text in two slots of `case_` bytes: the separator
        // and d, then the separator, d and the closing; a first term leaves
        // out the separator. One slot more, for what is read past the last one.
        case_ = (separateur_.size() + 20 + fermeture_.size() + bloc) / bloc * bloc;
        textes_.assign(2 * (n + 2) * case_, 0);
        longueurs_.assign(n + 1, 0);
        for (std::size_t m = 1; m <= n; ++m) {
            const std::string x = separateur_ + std::to_string(t.element[m]);
            std::memcpy(&textes_[2 * m * case_], x.data(), x.size());
            std::memcpy(&textes_[(2 * m + 1) * case_], x.data(), x.size());
            std::memcpy(&textes_[(2 * m + 1) * case_ + x.size()], fermeture_.data(), fermeture_.size());
            longueurs_[m] = x.size();
        }
        termes_.assign(ouverture_.size() + n * (separateur_.size() + 20) + bloc, 0);
        std::memcpy(termes_.data(), ouverture_.data(), ouverture_.size());
        sortie_.assign(taille_sortie + bloc, 0);
    }

    /// Text length of the terms taken, before any: the opening.
    std::size_t debut() const { return ouverture_.size(); }

    /// Adds element[m], the term after `profondeur` others, to the text of the
    /// terms that ends at `fin`; returns the new end.
    std::size_t prendre(std::size_t fin, std::size_t m, std::size_t profondeur) {
        if (!affiche_) return fin;
        const std::size_t sans = profondeur == 0 ? separateur_.size() : 0;
        copier(termes_.data() + fin, &textes_[2 * m * case_] + sans, longueurs_[m] - sans);
        return fin + longueurs_[m] - sans;
    }

    /// A solution: the terms up to `fin`, then element[m] as its last term.
    void solution(std::size_t fin, std::size_t m, std::size_t profondeur) {
        if (!affiche_) return ligne(fin, nullptr, 0, profondeur + 1);
        const std::size_t sans = profondeur == 0 ? separateur_.size() : 0;
        ligne(fin, &textes_[(2 * m + 1) * case_] + sans, longueurs_[m] + fermeture_.size() - sans, profondeur + 1);
    }

    std::uint64_t trouvees() const { return trouvees_; }

    /// The counts into r; the lines gathered to the Puits.
    void finir(Resultat& r) {
        vider();
        if (affiche_ && !au_terminal_) puits_->vider();
        r.par_termes.assign(par_termes_.size(), Compte{});
        r.total = Compte{};
        for (std::size_t m = 0; m < par_termes_.size(); ++m) {
            r.par_termes[m] += par_termes_[m];
            r.total += par_termes_[m];
        }
    }

    // ---- Remembered endings, for the search with the table -----------------------

    /// Room for the states whose units to make are below `unites_max`.
    void memoriser(u64 unites_max) {
        largeur_ = par_termes_.size();
        unites_max_ = std::min<u64>(unites_max, etats_max / largeur_);
        index_.assign(static_cast<std::size_t>(unites_max_) * largeur_, inconnu);
        fins_.assign(marge, 0);
    }

    /// Entering the state (r units to make, from element[m]) after `profondeur`
    /// terms whose text ends at `fin`. true when its endings were remembered:
    /// they are copied, and the state is done.
    bool entrer(u64 r, std::size_t m, std::size_t profondeur, std::size_t fin) {
        if (r >= unites_max_) return false;
        const std::size_t cle = static_cast<std::size_t>(r) * largeur_ + m;
        const std::uint32_t entree = index_[cle];
        if (entree >= premier_bloc) {
            rejouer(entree - premier_bloc, profondeur, fin);
            return true;
        }
        if (entree == inconnu && !enr_.actif && fins_.size() < octets_fins_max) {
            enr_.actif = true;
            enr_.profondeur = profondeur;
            enr_.cle = cle;
            enr_.base = fin;
            enr_.tetes.clear();
            enr_.textes.clear();
        }
        return false;
    }

    /// Leaving the state entered after `profondeur` terms: when its endings
    /// were being remembered, they are all known, and make its block: the
    /// number of lines, of bytes of text and of distinct numbers of terms;
    /// each number of terms with its number of lines; each line's length and
    /// terms; the texts.
    void sortir(std::size_t profondeur) {
        if (!enr_.actif || enr_.profondeur != profondeur) return;
        enr_.actif = false;
        const std::vector<std::uint32_t>& tetes = enr_.tetes;
        std::vector<std::uint32_t> entete = {static_cast<std::uint32_t>(tetes.size() / 2),
                                             static_cast<std::uint32_t>(enr_.textes.size()), 0};
        for (std::size_t q = 1; q < tetes.size(); q += 2) {
            std::size_t x = 3;
            while (x < entete.size() && entete[x] != tetes[q]) x += 2;
            if (x == entete.size()) entete.insert(entete.end(), {tetes[q], 0});
            ++entete[x + 1];
        }
        entete[2] = static_cast<std::uint32_t>((entete.size() - 3) / 2);
        const std::size_t debut = fins_.size() - marge;
        fins_.resize(fins_.size() + 4 * (entete.size() + tetes.size()) + enr_.textes.size());
        char* vers = &fins_[debut];
        std::memcpy(vers, entete.data(), 4 * entete.size());
        vers += 4 * entete.size();
        std::memcpy(vers, tetes.data(), 4 * tetes.size());
        vers += 4 * tetes.size();
        if (!enr_.textes.empty()) std::memcpy(vers, enr_.textes.data(), enr_.textes.size());  // none when counting
        index_[enr_.cle] = static_cast<std::uint32_t>(debut) + premier_bloc;
    }

private:
    static constexpr std::size_t taille_sortie = std::size_t{1} << 16;
    // A state remembers at most this many endings, and all of them together
    // at most this many bytes; at most so many states are indexed.
    static constexpr std::uint32_t lignes_max = 64;
    static constexpr std::size_t octets_fins_max = std::size_t{1} << 24;
    static constexpr std::size_t etats_max = std::size_t{1} << 16;
    // Index entries: the endings are unknown, too many, or in a block.
    static constexpr std::uint32_t inconnu = 0;
    static constexpr std::uint32_t trop = 1;
    static constexpr std::uint32_t premier_bloc = 2;
    // Room after the texts, for the last ending's last block.
    static constexpr std::size_t marge = bloc;

    // A line: the terms up to `fin`, then `queue` (n bytes, readable a block
    // further); `termes` terms in all.
    void ligne(std::size_t fin, const char* queue, std::size_t n, std::size_t termes) {
        ++par_termes_[termes];
        ++trouvees_;
        const std::size_t longueur = affiche_ ? fin + n : 0;
        const char* texte = nullptr;  // the whole line, when it is in one piece
        if (affiche_) {
            if (plein_ + longueur > taille_sortie) vider();
            if (longueur <= taille_sortie) {
                char* vers = sortie_.data() + plein_;
                copier(vers, termes_.data(), fin);
                copier(vers + fin, queue, n);
                plein_ += longueur;
                texte = vers;
            } else {  // longer than the buffer: straight to the console
                puits_->ecrire(std::string_view(termes_.data(), fin));
                puits_->ecrire(std::string_view(queue, n));
            }
            if (au_terminal_) vider();
        }
        if (!enr_.actif) return;
        if (enr_.tetes.size() == 2 * lignes_max || (affiche_ && texte == nullptr) ||
            fins_.size() + enr_.textes.size() >= octets_fins_max) {
            index_[enr_.cle] = trop;
            enr_.actif = false;
            return;
        }
        const std::size_t n_fin = affiche_ ? longueur - enr_.base : 0;
        enr_.tetes.push_back(static_cast<std::uint32_t>(n_fin));
        enr_.tetes.push_back(static_cast<std::uint32_t>(termes - enr_.profondeur));
        if (affiche_) enr_.textes.insert(enr_.textes.end(), texte + enr_.base, texte + longueur);
    }

    // Copies the endings of the block at `debut` after the terms up to `fin`.
    void rejouer(std::size_t debut, std::size_t profondeur, std::size_t fin) {
        const char* b = &fins_[debut];
        std::uint32_t entete[3];  // lines, bytes of text, distinct numbers of terms
        std::memcpy(entete, b, sizeof entete);
        const char* par_nombre = b + sizeof entete;
        const char* tetes = par_nombre + 8 * entete[2];
        const char* texte = tetes + 8 * entete[0];
        const std::size_t longueur = affiche_ ? entete[0] * fin + entete[1] : 0;
        if (plein_ + longueur > taille_sortie) vider();
        if (enr_.actif || au_terminal_ || longueur > taille_sortie) {
            for (std::uint32_t q = 0; q < entete[0]; ++q) {  // line by line
                std::uint32_t tete[2];
                std::memcpy(tete, tetes + 8 * q, sizeof tete);
                ligne(fin, texte, tete[0], profondeur + tete[1]);
                texte += tete[0];
            }
            return;
        }
        for (std::uint32_t x = 0; x < entete[2]; ++x) {
            std::uint32_t nombre[2];  // terms, lines
            std::memcpy(nombre, par_nombre + 8 * x, sizeof nombre);
            par_termes_[profondeur + nombre[0]] += nombre[1];
        }
        trouvees_ += entete[0];
        if (!affiche_) return;
        copie_(sortie_.data() + plein_, termes_.data(), fin, tetes, texte, entete[0]);
        plein_ += longueur;
    }

    void vider() {
        if (plein_ > 0) puits_->ecrire(std::string_view(sortie_.data(), plein_));
        plein_ = 0;
        if (au_terminal_) puits_->vider();
    }

    Puits* const puits_;
    const bool affiche_;
    // Each solution handed over as soon as it is found (a terminal).
    const bool au_terminal_;
    const CopieDeLignes copie_;
    const std::string ouverture_, separateur_, fermeture_;
    std::size_t case_ = 0;                // bytes of an element's slot
    std::vector<char> textes_;            // the elements' two texts
    std::vector<std::size_t> longueurs_;  // length of the separator and d
    std::vector<char> termes_;            // the frame and the terms taken
    std::vector<char> sortie_;            // lines for the console
    std::size_t plein_ = 0;
    std::vector<std::uint64_t> par_termes_;  // solutions by number of terms
    std::uint64_t trouvees_ = 0;

    std::size_t largeur_ = 0;
    u64 unites_max_ = 0;
    std::vector<std::uint32_t> index_;  // units x largeur_ + first divisor
    std::vector<char> fins_;            // the blocks, one after the other, then `marge` bytes
    Enregistrement enr_;
};

// The share of the search covered, for the progress callback: the
// solutions come in decreasing order of the binary number whose digit m is 1
// when element[m] is taken, and the value of a branch, in units of 2^n, is
// the sum of 2^-m over its elements. Computed only when shown, from the
// element taken at each depth, pris(q) for q below `profondeur`, and m.
template <class Pris>
double part(Pris pris, std::size_t profondeur, std::size_t m) {
    auto puissance = [](std::size_t x) { return std::ldexp(1.0, -static_cast<int>(std::min<std::size_t>(x, 2000))); };
    double valeur = puissance(m);
    for (std::size_t q = 0; q < profondeur; ++q) valeur += puissance(pris(q));
    return 1.0 - valeur;
}

// Tells the caller how far the search is, every 2^16 steps; false when the
// caller asks it to stop.
class Pouls {
public:
    explicit Pouls(const Tache& t) : t_(t), actif_(static_cast<bool>(t.rappels.progres)) {}

    template <class FonctionPart>
    bool pas(FonctionPart&& part, std::uint64_t trouvees) {
        if (!actif_ || (++pas_ & 0xFFFF) != 0) return true;
        return t_.suivre(part(), trouvees);
    }

private:
    const Tache& t_;
    const bool actif_;
    std::uint64_t pas_ = 0;
};

// The search with the table: in each state, r units of group g to make from
// element[m] on, where the elements from element[m] on can make them.
void lister_par_table(const Tache& t, const SommesAtteignables& table, Lignes& lignes, Resultat& resultat) {
    const Decoupage& d = table.decoupage();
    const std::size_t n = t.n;
    constexpr std::size_t aucun = static_cast<std::size_t>(-1);

    // Each divisor in units of its group, and the row of what the divisors
    // after it in its group can make.
    std::vector<u64> valeur(n + 1, 0);
    std::vector<const u64*> apres(n + 1, nullptr);
    // After a group is made, the next one that has a digit to make.
    std::vector<std::size_t> groupe_suivant(d.groupes.size(), aucun);
    std::size_t premier = aucun;
    u64 unites_max = 0;
    for (std::size_t g = d.groupes.size(); g-- > 0;) {
        const Groupe& G = d.groupes[g];
        for (std::size_t m = G.debut; m <= G.fin; ++m) {
            valeur[m] = static_cast<u64>(t.element[m] / G.unite);
            apres[m] = table.ligne(g, m + 1);
        }
        if (G.chiffre == 0) continue;
        // A digit that its group cannot make: no solution.
        if (G.chiffre > G.plafond ||
            !SommesAtteignables::contient(table.ligne(g, G.debut), static_cast<u64>(G.chiffre)))
            return lignes.finir(resultat);
        groupe_suivant[g] = premier;
        premier = g;
        unites_max = std::max(unites_max, static_cast<u64>(G.chiffre) + 1);
    }
    if (premier == aucun) return lignes.finir(resultat);

    Pouls pouls(t);
    lignes.memoriser(unites_max);
    struct Etage {
        std::size_t m;  // the divisor taken
        u64 r;          // the units to make before it
        std::size_t g;
        std::size_t fin;  // end of the terms' text before it
    };
    std::vector<Etage> pile(n + 1);
    const auto pris = [&](std::size_t q) { return pile[q].m; };

    std::size_t p = 0;  // terms taken
    std::size_t g = premier;
    std::size_t m = d.groupes[g].debut;
    u64 r = static_cast<u64>(d.groupes[g].chiffre);
    std::size_t fin = lignes.debut();
    for (;;) {
        // Down from the state (r, m), as far as it goes.
        for (;;) {
            if (!pouls.pas([&] { return part(pris, p, m); }, lignes.trouvees())) {
                resultat.complet = false;
                return lignes.finir(resultat);
            }
            const u64 v = valeur[m];
            u64 r_fils;
            std::size_t g_fils, m_fils;
            if (v == r) {  // element[m] makes the group
                g_fils = groupe_suivant[g];
                if (g_fils == aucun) {
                    lignes.solution(fin, m, p);
                    break;
                }
                r_fils = static_cast<u64>(d.groupes[g_fils].chiffre);
                m_fils = d.groupes[g_fils].debut;
            } else if (SommesAtteignables::contient(apres[m], r - v)) {
                g_fils = g;
                r_fils = r - v;
                m_fils = m + 1;
            } else {
                ++m;  // the elements after element[m] make r without it
                continue;
            }
            pile[p] = {m, r, g, fin};
            fin = lignes.prendre(fin, m, p);
            ++p;
            g = g_fils;
            r = r_fils;
            m = m_fils;
            if (lignes.entrer(r, m, p, fin)) break;
        }
        // Up while the state is done: then the next divisor in the one above,
        // if the divisors after it can still make what it has to.
        for (;;) {
            lignes.sortir(p);
            if (p == 0) return lignes.finir(resultat);
            --p;
            m = pile[p].m;
            r = pile[p].r;
            g = pile[p].g;
            fin = pile[p].fin;
            if (valeur[m] != r && SommesAtteignables::contient(apres[m], r)) break;
        }
        ++m;
    }
}

// The search without the table, between the two bounds.
void lister_sans_table(const Tache& t, Lignes& lignes, Resultat& resultat) {
    const std::size_t n = t.n;
    const Somme cible = t.cible;
    // reste_total[m] = element[m] + ... + element[n]; reste_total[n + 1] = 0.
    std::vector<Somme> reste_total(n + 2, 0);
    for (std::size_t m = n; m >= 1; --m) reste_total[m] = reste_total[m + 1] + t.element[m];

    Pouls pouls(t);
    std::vector<std::size_t> choisi(n + 1, 0);   // index taken at each depth
    std::vector<std::size_t> suivant(n + 2, 0);  // next index to try at each depth
    std::vector<Somme> somme(n + 2, 0);          // sum of the indices taken
    std::vector<std::size_t> fin(n + 2, 0);      // end of the terms' text at each depth
    fin[0] = lignes.debut();

    std::size_t p = 0;
    suivant[0] = 1;
    for (;;) {
        const std::size_t m = suivant[p];
        const Somme s = somme[p];
        if (!pouls.pas([&] { return part([&](std::size_t q) { return choisi[q]; }, p, m); }, lignes.trouvees())) {
            resultat.complet = false;
            break;
        }
        const bool vivant = m <= n && s + reste_total[m] >= cible && s + t.element[m] <= cible;
        if (vivant && s + t.element[m] == cible) {
            // A solution; any larger divisor at this depth would overshoot.
            lignes.solution(fin[p], m, p);
        } else if (vivant) {
            choisi[p] = m;
            fin[p + 1] = lignes.prendre(fin[p], m, p);
            somme[p + 1] = s + t.element[m];
            suivant[p + 1] = m + 1;
            ++p;
            continue;
        }
        // This depth is done: back to the one above, and its next divisor.
        if (p == 0) break;
        --p;
        ++suivant[p];
    }
    lignes.finir(resultat);
}

}  // namespace

void lister_tache(const Tache& t, const SommesAtteignables* sommes, Puits* puits, const Forme& forme, Resultat& r) {
    Lignes lignes(t, puits, forme);
    if (sommes != nullptr) lister_par_table(t, *sommes, lignes, r);
    else lister_sans_table(t, lignes, r);
}

}  // namespace taverlune
