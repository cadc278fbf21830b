// One N: its factorisation grouped by prime, its divisors, the problem of
// its sums and what the sum of the elements settles at once (see engine.h).
#include <algorithm>

#include "engine/wide.h"
#include "taverlune/engine.h"
#include "engine/factorisation.h"
#include "engine/one_number.h"

namespace taverlune {

std::vector<PuissancePremiere> factoriser(std::int64_t n) {
    std::vector<PuissancePremiere> f;
    for (const std::uint64_t q : facteurs_premiers(static_cast<std::uint64_t>(n))) {
        if (f.empty() || f.back().p != static_cast<std::int64_t>(q)) f.push_back({static_cast<std::int64_t>(q), 0});
        ++f.back().e;
    }
    return f;
}

std::vector<std::int64_t> diviseurs_jusqua(const std::vector<PuissancePremiere>& facteurs, std::int64_t borne) {
    if (borne < 1) return {};
    std::vector<std::int64_t> d = {1};
    for (const PuissancePremiere& f : facteurs) {
        const std::size_t avant = d.size();
        std::int64_t puissance = 1;
        for (int e = 1; e <= f.e && puissance <= borne / f.p; ++e) {
            puissance *= f.p;
            for (std::size_t k = 0; k < avant; ++k)
                if (d[k] <= borne / puissance) d.push_back(d[k] * puissance);
        }
    }
    std::sort(d.begin(), d.end());
    return d;
}

std::vector<std::int64_t> diviseurs(std::int64_t n) { return diviseurs_jusqua(factoriser(n), n); }

Probleme probleme_de(std::int64_t N, std::int64_t cible) {
    Probleme p;
    p.cible = cible;
    if (N < 2) return p;
    p.N = N;
    p.facteurs = factoriser(N);
    p.elements = diviseurs_jusqua(p.facteurs, std::min(N - 1, cible));
    return p;
}

Issue issue_rapide(const Probleme& p) {
    Somme somme = 0;
    for (const std::int64_t x : p.elements) somme += x;
    if (somme < p.cible) return Issue::aucune;
    if (somme == p.cible) return Issue::toutes;
    return Issue::recherche;
}

Compte compter_autrement(const Probleme& p, const Reglages& r, const Rappels& rappels, Mesure mesure) {
    Reglages autre = r;
    if (mesure == Mesure::distribution) {
        autre.par_table = autre.par_decoupe = autre.par_restes_retenus = false;
        autre.par_sommes = true;
        return compter(p, autre, rappels, Mesure::total).total;
    }
    autre.par_sommes = false;
    return compter(p, autre, rappels, Mesure::distribution).total;
}

}  // namespace taverlune
