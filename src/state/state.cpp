// Definitions of the program-wide state, and the count type's arithmetic.
#include "state/state.h"

#include <algorithm>

namespace {
__extension__ typedef unsigned __int128 Double_mot;
}  // namespace

int A = 0;
Integer nouveau = 0;
char message[200] = {};
char entree[200] = {};
int l = 0;
int l1 = 0;
int a = 0;
int a1 = 0;
int refaire = 0;
int xn = 0;
Integer valeur0 = 0;
int valeur2 = 0;
Integer valtest2 = 0;

Integer N = 0;
Integer S = 0;
Integer S1 = 0;
Integer SN = 0;
Integer SN1 = 0;
Integer Sol = 0;
Integer Sdif = 0;

Integer i = 0;
Integer j = 0;
Integer k = 0;
Integer t = 0;

Liste Nprem;
Integer np = 0;
int nf = 0;
Liste Nfact;
Liste Nexpo;
Integer Npk = 0;
Integer rS = 0;
Integer reste = 0;
int f = 0;
int expo = 0;
Liste Prod;
Integer Diviseur = 0;
Liste Div;

Integer ND1 = 0;
Somme Smax = 0;
Somme S3 = 0;
Compte ns;
Integer ndif = 0;
Integer ndec = 0;
ListeComptes NS;
Liste Term;
Liste Term1;
Liste Ter;
Integer T = 0;
Integer T0 = 0;
Integer K = 0;

bool recherche_par_parcours = false;

void reset_to_startup() {
    A = 0;
    nouveau = 0;
    std::fill(std::begin(message), std::end(message), '\0');
    std::fill(std::begin(entree), std::end(entree), '\0');
    l = l1 = a = a1 = refaire = xn = valeur2 = 0;
    valeur0 = valtest2 = 0;
    N = S = S1 = SN = SN1 = Sol = Sdif = 0;
    i = j = k = t = 0;
    np = 0;
    nf = f = expo = 0;
    Npk = rS = reste = Diviseur = 0;
    ND1 = ndif = ndec = T = T0 = K = 0;
    Smax = S3 = 0;
    ns = Compte{};
    // The working lists, created in this order with every element 0.
    Ter.assign(1, 0);
    Div.assign(1, 0);
    NS.assign(1, Compte{});
    Term.assign(1, 0);
    Term1.assign(1, 0);
    Nprem.assign(3, 0);
    Nexpo.assign(1, 0);
    Nfact.assign(1, 0);
    Prod.assign(1, 0);
}

// ---- Compte -------------------------------------------------------------------

Compte& Compte::operator+=(std::uint64_t n) {
    for (std::size_t m = 0; n != 0; ++m) {
        if (m == mots.size()) {
            mots.push_back(n);
            break;
        }
        mots[m] += n;
        n = mots[m] < n ? 1 : 0;  // carry
    }
    return *this;
}

Compte& Compte::operator+=(const Compte& autre) {
    if (mots.size() < autre.mots.size()) mots.resize(autre.mots.size(), 0);
    std::uint64_t retenue = 0;
    for (std::size_t m = 0; m < mots.size(); ++m) {
        const std::uint64_t b = m < autre.mots.size() ? autre.mots[m] : 0;
        if (b == 0 && retenue == 0) {
            if (m >= autre.mots.size()) break;
            continue;
        }
        const std::uint64_t s = mots[m] + b;
        const std::uint64_t c1 = s < b ? 1 : 0;
        mots[m] = s + retenue;
        retenue = c1 | (mots[m] < retenue ? 1 : 0);
    }
    if (retenue != 0) mots.push_back(retenue);
    return *this;
}

Compte operator*(const Compte& x, const Compte& y) {
    Compte produit;
    if (x.est_nul() || y.est_nul()) return produit;
    produit.mots.assign(x.mots.size() + y.mots.size(), 0);
    for (std::size_t u = 0; u < x.mots.size(); ++u) {
        Double_mot retenue = 0;
        for (std::size_t v = 0; v < y.mots.size(); ++v) {
            const Double_mot w = static_cast<Double_mot>(x.mots[u]) * y.mots[v] + produit.mots[u + v] + retenue;
            produit.mots[u + v] = static_cast<std::uint64_t>(w);
            retenue = w >> 64;
        }
        produit.mots[u + y.mots.size()] = static_cast<std::uint64_t>(retenue);
    }
    while (!produit.mots.empty() && produit.mots.back() == 0) produit.mots.pop_back();
    return produit;
}

std::string Compte::decimal() const {
    if (mots.empty()) return "0";
    // Repeated division by 10^19, the largest power of ten in 64 bits.
    constexpr std::uint64_t base = 10000000000000000000ULL;
    std::vector<std::uint64_t> q = mots;
    std::vector<std::uint64_t> morceaux;
    while (!q.empty()) {
        Double_mot r = 0;
        for (std::size_t m = q.size(); m-- > 0;) {
            const Double_mot cur = (r << 64) | q[m];
            q[m] = static_cast<std::uint64_t>(cur / base);
            r = cur % base;
        }
        morceaux.push_back(static_cast<std::uint64_t>(r));
        while (!q.empty() && q.back() == 0) q.pop_back();
    }
    std::string texte = std::to_string(morceaux.back());
    for (std::size_t m = morceaux.size() - 1; m-- > 0;) {
        const std::string bloc = std::to_string(morceaux[m]);
        texte.append(19 - bloc.size(), '0');
        texte += bloc;
    }
    return texte;
}
