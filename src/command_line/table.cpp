// The table of --table: a(n) for every n from A to B, one line "n a(n)".
//
// The range goes in pieces to a few threads started once, each taking the
// next piece as it finishes one (the work per n grows with n and varies from
// one n to the next); the pieces are written in order by the calling thread,
// so the bytes never depend on the threads. In each piece a sieve gives the
// sum of the divisors of every n: most n are deficient and need nothing
// more; the others are factorised and counted by the engine, the total
// alone, one count per thread.
//
// With --output the lines go to the file, after one '#' line naming the
// table. A file that already holds the start of the same table is taken up
// after its last whole line: the lines are only ever appended, in order, so
// a run killed at any moment leaves a beginning of the table, and the same
// command started again ends it as one run would have.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "command_line/plot.h"
#include "command_line/run.h"
#include "dialogue/console.h"
#include "dialogue/language.h"
#include "divisors/large_factor.h"

namespace {

/// Below this B the pieces are sieved by the primes up to its square root;
/// above, each n is factorised alone.
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
        for (std::size_t k = 0; k < nb; ++k) {
            const std::int64_t n = lo + static_cast<std::int64_t>(k);
            std::uint64_t precedent = 0;
            Somme terme = 1, somme = 1;
            for (const std::uint64_t q : facteurs_premiers(static_cast<std::uint64_t>(n))) {
                if (q != precedent) sigma[k] *= somme, terme = 1, somme = 1, precedent = q;
                terme *= static_cast<Somme>(q);
                somme += terme;
            }
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

/// a(n) for the target n + K, or none when the double check differs.
std::optional<Compte> a_de(std::int64_t n, std::int64_t K, Somme sigma, const Reglages& r, bool verifier) {
    const Somme cible = static_cast<Somme>(n) + K;
    Compte a;
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
    a = compter(p, r, {}, Mesure::total).total;
    if (verifier && !(compter_autrement(p, r, {}, Mesure::total) == a)) return std::nullopt;
    return a;
}

/// A count from its decimal digits.
Compte de_decimal(std::string_view chiffres) {
    Compte x, dix;
    dix += 10;
    for (const char c : chiffres) {
        x = x * dix;
        x += static_cast<std::uint64_t>(c - '0');
    }
    return x;
}

bool plus_grand(const Compte& x, const Compte& y) {
    if (x.mots.size() != y.mots.size()) return x.mots.size() > y.mots.size();
    for (std::size_t k = x.mots.size(); k-- > 0;)
        if (x.mots[k] != y.mots[k]) return x.mots[k] > y.mots[k];
    return false;
}

/// Where the lines go: standard output through the console, or a file.
class Sortie {
public:
    explicit Sortie(int fd) : fd_(fd) {}
    void ecrire(std::string_view texte) {
        if (fd_ < 0) return ::ecrire(texte);
        tampon_.append(texte);
        if (tampon_.size() >= (std::size_t{1} << 16)) vider();
    }
    void vider() {
        if (fd_ < 0) return vider_sortie();
        for (std::size_t fait = 0; fait < tampon_.size();) {
            const ssize_t n = ::write(fd_, tampon_.data() + fait, tampon_.size() - fait);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ecrire_erreurs(remplir(_("taverlune: write error: %s\n"), {std::strerror(n < 0 ? errno : ENOSPC)}));
                std::_Exit(1);
            }
            fait += static_cast<std::size_t>(n);
        }
        tampon_.clear();
    }

private:
    int fd_;
    std::string tampon_;
};

/// A line of a table file, "n a(n)" with n in [A, B] and a(n) in plain
/// digits; none when it is anything else.
struct LigneDeTable {
    std::int64_t n = 0;
    std::string_view a;
};
std::optional<LigneDeTable> lire_ligne(std::string_view ligne, const Commande& c) {
    const std::size_t blanc = ligne.find(' ');
    if (blanc == std::string_view::npos) return std::nullopt;
    const std::string_view n = ligne.substr(0, blanc), a = ligne.substr(blanc + 1);
    const auto chiffres = [](std::string_view t) {
        return !t.empty() && t.find_first_not_of("0123456789") == std::string_view::npos && (t == "0" || t[0] != '0');
    };
    const std::optional<std::int64_t> v = chiffres(n) ? lire_nombre(n) : std::nullopt;
    if (!v || *v < c.debut || *v > c.fin || !chiffres(a)) return std::nullopt;
    return LigneDeTable{*v, a};
}

/// Where a table file stands: the next n to compute (none when the table is
/// whole) and, for records, the largest a(n) so far; or the reason to
/// refuse it.
struct Reprise {
    std::optional<std::int64_t> suivant;
    Compte record;
    std::string refus;
};

/// Reads the table of the file, drops what a crash may have left after its
/// last whole line, and says where to go on. A crash can leave the file cut
/// at any byte, a partial line after it: a first line cut short (no line
/// break in the whole file) is the start of the '#' line followed by the
/// start of a table's line, and the file starts again; a whole first line
/// must be the '#' line of this very table.
Reprise reprendre(int fd, const std::string& entete, const Commande& c) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {{}, {}, remplir(_("cannot read %s: %s"), {c.fichier, std::strerror(errno)})};
    const std::size_t taille = static_cast<std::size_t>(st.st_size);
    const auto lire = [&](std::size_t depuis, std::size_t nb) {
        std::string s(nb, '\0');
        std::size_t fait = 0;
        while (fait < nb) {
            const ssize_t n = ::pread(fd, s.data() + fait, nb - fait, static_cast<off_t>(depuis + fait));
            if (n <= 0) break;
            fait += static_cast<std::size_t>(n);
        }
        s.resize(fait);
        return s;
    };
    const auto ecourter = [&](std::size_t garde) -> std::optional<std::string> {
        if (::ftruncate(fd, static_cast<off_t>(garde)) == 0 &&
            (garde > 0 || ::pwrite(fd, entete.data(), entete.size(), 0) == static_cast<ssize_t>(entete.size())))
            return std::nullopt;
        return remplir(_("cannot write %s: %s"), {c.fichier, std::strerror(errno)});
    };
    const std::string autre = remplir(_("%s holds another table: remove it, or choose another file"), {c.fichier});
    // The longest partial line that a crash can leave: n and a(n) of a
    // table, its count of up to 2^63 - 1 divisors' subsets at most.
    constexpr std::size_t ligne_max = 20 + 1 + 2800;
    const std::string debut = lire(0, std::min(taille, entete.size() + ligne_max + 1));
    if (debut.find('\n') == std::string::npos) {
        if (taille > entete.size() + ligne_max) return {{}, {}, autre};
        std::size_t commun = 0;
        while (commun < debut.size() && commun < entete.size() && debut[commun] == entete[commun]) ++commun;
        if (debut.find_first_not_of("0123456789 ", commun) != std::string::npos) return {{}, {}, autre};
        if (const auto e = ecourter(0)) return {{}, {}, *e};
        return {c.debut, {}, ""};
    }
    if (!debut.starts_with(entete)) return {{}, {}, autre};
    // The last whole line: the text after the last line break is dropped.
    const std::size_t queue = std::min<std::size_t>(taille - entete.size() + 1, std::size_t{1} << 20);
    const std::string fin = lire(taille - queue, queue);
    const std::size_t dernier = fin.rfind('\n');
    if (dernier == std::string::npos) return {{}, {}, autre};  // a line longer than any table's
    const std::size_t garde = taille - queue + dernier + 1;
    if (garde == entete.size()) {
        if (const auto e = ecourter(garde)) return {{}, {}, *e};
        return {c.debut, {}, ""};
    }
    const std::size_t avant = dernier == 0 ? std::string::npos : fin.rfind('\n', dernier - 1);
    if (avant == std::string::npos) return {{}, {}, autre};
    const std::optional<LigneDeTable> l = lire_ligne(std::string_view(fin).substr(avant + 1, dernier - avant - 1), c);
    if (!l) return {{}, {}, autre};
    if (const auto e = ecourter(garde)) return {{}, {}, *e};
    Reprise r;
    if (l->n < c.fin) r.suivant = l->n + 1;
    if (c.records) r.record = de_decimal(l->a);
    return r;
}

/// Puts the lines already in the file (after its first `depuis` bytes) into
/// the picture, and their largest a(n) into `record`; false at a line that
/// is not a line of this table.
bool relire(int fd, std::size_t depuis, const Commande& c, ImageTable& image, Compte& record) {
    std::string reste, morceau(std::size_t{1} << 20, '\0');
    for (off_t position = static_cast<off_t>(depuis);;) {
        const ssize_t lu = ::pread(fd, morceau.data(), morceau.size(), position);
        if (lu <= 0) break;
        position += lu;
        reste.append(morceau.data(), static_cast<std::size_t>(lu));
        std::size_t debut = 0;
        for (std::size_t fin; (fin = reste.find('\n', debut)) != std::string::npos; debut = fin + 1) {
            const std::optional<LigneDeTable> l = lire_ligne(std::string_view(reste).substr(debut, fin - debut), c);
            if (!l) return false;
            const Compte a = de_decimal(l->a);
            const bool nouveau = c.records || plus_grand(a, record);
            if (nouveau) record = a;
            image.ajouter(l->n, a, nouveau);
        }
        reste.erase(0, debut);
    }
    return true;
}

}  // namespace

int table(const Commande& c) {
    std::string entete = "# taverlune --table " + std::to_string(c.debut) + " " + std::to_string(c.fin);
    if (c.decalage != 0) entete += " --target-offset " + std::to_string(c.decalage);
    if (c.records) entete += " --records";
    entete += "\n";

    int fd = -1;
    Reprise reprise{c.debut, {}, ""};
    if (!c.fichier.empty()) {
        fd = ::open(c.fichier.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            ecrire_ligne_erreur(remplir(_("cannot open %s: %s"), {c.fichier, std::strerror(errno)}));
            return 2;
        }
        reprise = reprendre(fd, entete, c);
        if (!reprise.refus.empty()) {
            ecrire_ligne_erreur(reprise.refus);
            return 2;
        }
        ::lseek(fd, 0, SEEK_END);
    }
    Sortie sortie(fd);
    Compte record = reprise.record;  // the largest a(n) so far
    std::optional<ImageTable> image;
    if (!c.image.empty()) {
        image.emplace(c.debut, c.fin, c.decalage);
        if (fd >= 0 && !relire(fd, entete.size(), c, *image, record)) {  // the lines of the runs before
            ecrire_ligne_erreur(remplir(_("%s holds another table: remove it, or choose another file"), {c.fichier}));
            return 2;
        }
    }
    const auto finir = [&](int statut) {
        if (image && statut == 0 && !arret_demande() && !ecrire_image(c.image, image->svg())) return 1;
        return statut;
    };
    if (!reprise.suivant) return finir(0);  // the file holds the whole table
    const std::int64_t debut = *reprise.suivant;

    const unsigned fils = c.fils != 0 ? c.fils : coeurs_disponibles();
    const std::uint64_t nombres = static_cast<std::uint64_t>(c.fin - debut) + 1;
    // Pieces small enough that the threads end together, large enough that
    // the sieve pays: some hundred pieces a thread.
    const std::uint64_t taille = std::clamp<std::uint64_t>(nombres / (std::uint64_t{fils} * 128), 1, 2048);
    const std::uint64_t pieces = (nombres + taille - 1) / taille;
    const bool crible = c.fin < plafond_crible;
    const std::vector<std::int64_t> premiers =
        crible ? premiers_jusqua(static_cast<std::int64_t>(std::sqrt(static_cast<double>(c.fin))) + 1)
               : std::vector<std::int64_t>{};
    Reglages reglages;
    reglages.fils = 1;  // one count a thread: the table spreads its n instead
    reglages.memoire = std::max<std::size_t>(memoire_disponible() / fils, 1);

    // Pieces done and not yet written, by number; a thread takes a piece no
    // further than `fenetre` ahead of the writing.
    struct Piece {
        bool faite = false;
        std::vector<Compte> a;
        std::optional<std::int64_t> echec;  // the n whose double check differs
    };
    const std::uint64_t fenetre = 4 * std::uint64_t{fils} + 4;
    std::vector<Piece> pretes(static_cast<std::size_t>(std::min<std::uint64_t>(pieces, fenetre)));
    std::mutex verrou;
    std::condition_variable change;
    std::uint64_t prochaine = 0, ecrites = 0;
    std::atomic<bool> arret{false};
    std::atomic<std::uint64_t> calcules{0};

    const auto calculer = [&](std::uint64_t i, Piece& piece) {
        const std::int64_t lo = debut + static_cast<std::int64_t>(i * taille);
        const std::size_t nb = static_cast<std::size_t>(std::min<std::uint64_t>(taille, nombres - i * taille));
        const std::vector<Somme> sigma = sommes_des_diviseurs(lo, nb, premiers, crible);
        piece.a.resize(nb);
        for (std::size_t k = 0; k < nb && !arret; ++k) {
            const std::optional<Compte> a =
                a_de(lo + static_cast<std::int64_t>(k), c.decalage, sigma[k], reglages, c.double_verification);
            if (!a) {
                piece.echec = lo + static_cast<std::int64_t>(k);
                piece.a.resize(k);
                break;
            }
            piece.a[k] = *a;
            calcules.fetch_add(1, std::memory_order_relaxed);
        }
    };
    const auto travailler = [&] {
        std::unique_lock<std::mutex> garde(verrou);
        for (;;) {
            change.wait(garde, [&] { return arret || prochaine >= pieces || prochaine < ecrites + fenetre; });
            if (arret || prochaine >= pieces) return;
            const std::uint64_t i = prochaine++;
            garde.unlock();
            Piece piece;
            calculer(i, piece);
            garde.lock();
            piece.faite = !arret || piece.echec;
            pretes[static_cast<std::size_t>(i % fenetre)] = std::move(piece);
            change.notify_all();
        }
    };
    std::vector<std::thread> travailleurs;
    for (unsigned f = 0; f < fils && pieces > 1; ++f) {
        try {
            travailleurs.emplace_back(travailler);
        } catch (const std::system_error&) {
            break;  // those started share the pieces
        }
    }

    Ligne ligne(c.etat);
    int statut = 0;
    for (std::uint64_t i = 0; i < pieces && statut == 0; ++i) {
        Piece piece;
        if (travailleurs.empty()) {
            calculer(i, piece);
            piece.faite = !arret_demande() || piece.echec;
            ligne.montrer(static_cast<double>(calcules.load()) / static_cast<double>(nombres));
            if (arret_demande()) arret = true;
        } else {
            std::unique_lock<std::mutex> garde(verrou);
            Piece& place = pretes[static_cast<std::size_t>(i % fenetre)];
            while (!place.faite && !arret) {
                change.wait_for(garde, std::chrono::milliseconds(100));
                garde.unlock();
                ligne.montrer(static_cast<double>(calcules.load()) / static_cast<double>(nombres));
                if (arret_demande()) arret = true;
                garde.lock();
            }
            if (!place.faite) break;
            piece = std::move(place);
            place = Piece{};
            ++ecrites;
            change.notify_all();
        }
        if (!piece.faite) break;
        const std::int64_t lo = debut + static_cast<std::int64_t>(i * taille);
        for (std::size_t k = 0; k < piece.a.size(); ++k) {
            const bool nouveau = plus_grand(piece.a[k], record);
            if (nouveau) record = piece.a[k];
            if (image) image->ajouter(lo + static_cast<std::int64_t>(k), piece.a[k], nouveau);
            if (c.records && !nouveau) continue;
            sortie.ecrire(std::to_string(lo + static_cast<std::int64_t>(k)) + " " + piece.a[k].decimal() + "\n");
        }
        if (piece.echec) {
            ligne.effacer();
            ecrire_ligne_erreur(
                remplir(_("the double check of %s failed: the two methods differ"), {std::to_string(*piece.echec)}));
            statut = 3;
        }
        sortie.vider();
    }
    {
        const std::lock_guard<std::mutex> garde(verrou);
        arret = true;
        change.notify_all();
    }
    for (std::thread& t : travailleurs) t.join();
    ligne.effacer();
    sortie.vider();
    if (fd >= 0) ::close(fd);
    if (arret_demande()) finir_par_signal();
    return finir(statut);
}
