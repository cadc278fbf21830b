// Tables of a(n) over ranges of n (see engine.h).
//
// The range goes in pieces to a few threads, each taking the next piece as
// it finishes one (the work per n grows with n and varies from one n to the
// next); the calling thread takes the pieces in order, so the lines never
// depend on the threads. A thread takes a piece no further than a window
// ahead of the one being read. In each piece a sieve gives the sum of the
// divisors of every n: most n are deficient and need nothing more; the
// others are factorised and counted, the total alone, one count a thread.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <stdexcept>
#include <string>
#include <mutex>
#include <thread>

#include "engine/wide.h"
#include "taverlune/engine.h"
#include "engine/factorisation.h"

namespace taverlune {

namespace {

/// Below this end of the range the pieces are sieved by the primes up to its
/// square root; above, each n is factorised alone.
constexpr std::int64_t plafond_crible = std::int64_t{1} << 40;

/// The primes up to `borne`, by a plain sieve.
std::vector<std::int64_t> premiers_jusqua(std::int64_t borne) {
    std::vector<char> compose(static_cast<std::size_t>(borne) + 1, 0);
    std::vector<std::int64_t> r;
    for (std::int64_t p = 2; p <= borne; ++p) {
        if (compose[static_cast<std::size_t>(p)] != 0) continue;
        r.push_back(p);
        for (std::int64_t x = p * p; x <= borne; x += p) compose[static_cast<std::size_t>(x)] = 1;
    }
    return r;
}

/// The sum of the divisors of each n in [lo, lo + nb).
std::vector<Somme> sommes_des_diviseurs(std::int64_t lo, std::size_t nb, const std::vector<std::int64_t>& premiers,
                                        bool crible) {
    std::vector<Somme> sigma(nb, 1);
    if (!crible) {
        for (std::size_t k = 0; k < nb; ++k)
            for (const PuissancePremiere& f : factoriser(lo + static_cast<std::int64_t>(k))) {
                Somme terme = 1, somme = 1;
                for (int e = 0; e < f.e; ++e) somme += terme *= f.p;
                sigma[k] *= somme;
            }
        return sigma;
    }
    std::vector<std::int64_t> reste(nb);
    for (std::size_t k = 0; k < nb; ++k) reste[k] = lo + static_cast<std::int64_t>(k);
    const std::int64_t hi = lo + static_cast<std::int64_t>(nb) - 1;
    for (const std::int64_t p : premiers) {
        if (p * p > hi) break;
        for (std::int64_t m = (lo + p - 1) / p * p; m <= hi; m += p) {
            const std::size_t k = static_cast<std::size_t>(m - lo);
            Somme terme = 1, somme = 1;
            while (reste[k] % p == 0) {
                reste[k] /= p;
                terme *= p;
                somme += terme;
            }
            sigma[k] *= somme;
        }
    }
    for (std::size_t k = 0; k < nb; ++k)
        if (reste[k] > 1) sigma[k] *= reste[k] + 1;  // one prime factor above the square root
    return sigma;
}

/// a(n) for the target n + K, or none when the double check differs; a
/// count stopped by `rappels` is not to be used.
std::optional<Compte> a_de(std::int64_t n, std::int64_t K, Somme sigma, const Reglages& r, const Rappels& rappels,
                           bool verifier, Suite suite) {
    Somme cible = static_cast<Somme>(n) + K;
    Compte a;
    if (suite == Suite::a083206) {  // f(n): the target (sigma - 2n) / 2, the empty set one way for a perfect n
        if (sigma % 2 != 0 || sigma < 2 * static_cast<Somme>(n)) return a;
        cible = (sigma - 2 * static_cast<Somme>(n)) / 2;
        if (cible == 0) return a += 1;
        if (cible > std::numeric_limits<std::int64_t>::max())
            throw std::domain_error("f(" + std::to_string(n) + ") needs a target past 2^63 - 1");
    }
    if (cible < 1 || n < 2) return a;
    if (cible >= n) {  // every divisor other than n takes part: their sum says much
        const Somme somme = sigma - n;
        if (somme < cible) return a;
        if (somme == cible) return a += 1;
    }
    const Probleme p = probleme_de(n, static_cast<std::int64_t>(cible));
    const Issue rapide = issue_rapide(p);
    if (rapide == Issue::aucune) return a;
    if (rapide == Issue::toutes) return a += 1;
    a = compter(p, r, rappels, Mesure::total).total;
    if (verifier && !(compter_autrement(p, r, rappels, Mesure::total) == a)) return std::nullopt;
    return a;
}

/// A piece of the range, once computed.
struct Piece {
    bool faite = false;
    std::vector<Compte> a;
    std::optional<std::int64_t> echec;  // the n whose double check differs
    std::exception_ptr erreur;
};

}  // namespace

struct Table::Etat {
    std::int64_t debut, fin, decalage;
    ReglagesTable reglages;
    unsigned fils;
    std::uint64_t nombres, taille, pieces, fenetre;
    bool crible;
    std::vector<std::int64_t> premiers;  // built once, read by every thread
    Reglages comptage;

    std::mutex verrou;
    std::condition_variable change;
    std::vector<Piece> pretes;  // by number modulo the window
    std::uint64_t prochaine = 0, lues = 0;
    std::atomic<bool> arret{false};
    std::atomic<std::uint64_t> calcules{0};
    std::vector<std::thread> travailleurs;
    bool demarree = false;

    // The piece being read (taken once `en_main`), and where in it.
    Piece courante;
    std::uint64_t numero = 0;
    std::size_t position = 0;
    bool en_main = false, finie = false;

    /// Piece i; left not `faite` when the table stops in its middle. In the
    /// calling thread, its counts ask `attente` whether to go on.
    void calculer(std::uint64_t i, Piece& piece, const std::function<bool()>* attente = nullptr) {
        Rappels rappels;
        rappels.progres = [this, attente](double, std::optional<std::uint64_t>) {
            if (attente != nullptr && *attente && !(*attente)()) arret = true;
            return !arret.load();
        };
        std::size_t k = 0;  // the n counted so far: the lines before an error
        try {
            const std::int64_t lo = debut + static_cast<std::int64_t>(i * taille);
            const std::size_t nb = static_cast<std::size_t>(std::min<std::uint64_t>(taille, nombres - i * taille));
            const std::vector<Somme> sigma = sommes_des_diviseurs(lo, nb, premiers, crible);
            piece.a.resize(nb);
            for (; k < nb; ++k) {
                const std::optional<Compte> a = a_de(lo + static_cast<std::int64_t>(k), decalage, sigma[k], comptage,
                                                     rappels, reglages.verifier, reglages.suite);
                if (arret) return;
                if (!a) {
                    piece.echec = lo + static_cast<std::int64_t>(k);
                    piece.a.resize(k);
                    break;
                }
                piece.a[k] = *a;
                calcules.fetch_add(1, std::memory_order_relaxed);
            }
        } catch (...) {
            piece.erreur = std::current_exception();
            piece.a.resize(std::min(k, piece.a.size()));
        }
        piece.faite = true;
    }

    void travailler() {
        std::unique_lock<std::mutex> garde(verrou);
        for (;;) {
            change.wait(garde, [&] { return arret || prochaine >= pieces || prochaine < lues + fenetre; });
            if (arret || prochaine >= pieces) return;
            const std::uint64_t i = prochaine++;
            garde.unlock();
            Piece piece;
            calculer(i, piece);
            garde.lock();
            if (!piece.faite) return;  // stopped in its middle
            pretes[static_cast<std::size_t>(i % fenetre)] = std::move(piece);
            change.notify_all();
        }
    }

    void demarrer() {
        demarree = true;
        for (unsigned f = 0; f < fils && pieces > 1; ++f) {
            try {
                travailleurs.emplace_back([this] { travailler(); });
            } catch (const std::system_error&) {
                break;  // those started share the pieces
            }
        }
    }

    /// Piece i into `courante`, computed here or by a thread; false when
    /// `attente` stopped the wait.
    bool prendre(std::uint64_t i, const std::function<bool()>& attente) {
        if (travailleurs.empty()) {
            courante = Piece{};
            calculer(i, courante, &attente);
            return courante.faite;
        }
        std::unique_lock<std::mutex> garde(verrou);
        Piece& place = pretes[static_cast<std::size_t>(i % fenetre)];
        while (!place.faite) {
            change.wait_for(garde, std::chrono::milliseconds(100));
            if (place.faite || !attente) continue;
            garde.unlock();
            const bool encore = attente();
            garde.lock();
            if (!encore) return false;
        }
        courante = std::move(place);
        place = Piece{};
        ++lues;
        change.notify_all();
        return true;
    }

    void arreter() {
        {
            const std::lock_guard<std::mutex> garde(verrou);
            arret = true;
            change.notify_all();
        }
        for (std::thread& t : travailleurs) t.join();
        travailleurs.clear();
    }
};

Table::Table(std::int64_t debut, std::int64_t fin, std::int64_t decalage, const ReglagesTable& r)
    : etat_(std::make_unique<Etat>()) {
    if (r.suite == Suite::a083206 && decalage != 0) throw std::invalid_argument("f(n) has no target offset");
    Etat& e = *etat_;
    e.debut = debut, e.fin = fin, e.decalage = decalage, e.reglages = r;
    e.fils = r.fils != 0 ? r.fils : coeurs_disponibles();
    e.nombres = static_cast<std::uint64_t>(fin - debut) + 1;
    // Pieces small enough that the threads end together, large enough that
    // the sieve pays: some hundred pieces a thread.
    e.taille = std::clamp<std::uint64_t>(e.nombres / (std::uint64_t{e.fils} * 128), 1, 2048);
    e.pieces = (e.nombres + e.taille - 1) / e.taille;
    e.fenetre = 4 * std::uint64_t{e.fils} + 4;
    e.pretes.resize(static_cast<std::size_t>(std::min(e.pieces, e.fenetre)));
    e.fenetre = e.pretes.size();
    e.crible = fin < plafond_crible;
    if (e.crible) e.premiers = premiers_jusqua(static_cast<std::int64_t>(std::sqrt(static_cast<double>(fin))) + 1);
    e.comptage.fils = 1;  // one count a thread: the table spreads its n instead
    e.comptage.memoire = std::max<std::size_t>(memoire_disponible() / e.fils, 1);
}

Table::~Table() { etat_->arreter(); }

std::optional<Table::Ligne> Table::suivante(const std::function<bool()>& attente) {
    Etat& e = *etat_;
    for (;;) {
        if (e.finie) return std::nullopt;
        if (!e.en_main) {
            if (!e.demarree) e.demarrer();
            if (!e.prendre(e.numero, attente)) return std::nullopt;
            e.en_main = true;
            e.position = 0;
        }
        if (e.position < e.courante.a.size()) {
            const std::int64_t n = e.debut + static_cast<std::int64_t>(e.numero * e.taille + e.position);
            return Ligne{n, std::move(e.courante.a[e.position++]), true};
        }
        if (e.courante.erreur) {
            e.finie = true;
            e.arreter();
            std::rethrow_exception(e.courante.erreur);
        }
        if (e.courante.echec) {
            e.finie = true;
            return Ligne{*e.courante.echec, {}, false};
        }
        e.en_main = false;
        if (++e.numero == e.pieces) e.finie = true;
    }
}

double Table::part() const {
    return static_cast<double>(etat_->calcules.load(std::memory_order_relaxed)) / static_cast<double>(etat_->nombres);
}

}  // namespace taverlune
