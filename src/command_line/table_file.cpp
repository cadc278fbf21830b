// The file of a table (see table_file.h).
#include "command_line/table_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "console/console.h"
#include "console/language.h"

using namespace taverlune;

namespace {

// A line of a table file, "n a(n)" with n in [A, B] and a(n) in plain
// digits (of a list's file, "n" alone); none when it is anything else.
struct LigneDeTable {
    std::int64_t n = 0;
    std::string_view a;
};
std::optional<LigneDeTable> lire_ligne(std::string_view ligne, const Commande& c) {
    const bool liste = c.quoi == Commande::Quoi::liste_propriete;
    const std::size_t blanc = liste ? ligne.size() : ligne.find(' ');
    if (blanc == std::string_view::npos) return std::nullopt;
    const std::string_view n = ligne.substr(0, blanc), a = liste ? "0" : ligne.substr(blanc + 1);
    const auto chiffres = [](std::string_view t) {
        return !t.empty() && t.find_first_not_of("0123456789") == std::string_view::npos && (t == "0" || t[0] != '0');
    };
    const std::optional<std::int64_t> v = chiffres(n) ? lire_nombre(n) : std::nullopt;
    if (!v || *v < c.debut || *v > c.fin || !chiffres(a)) return std::nullopt;
    return LigneDeTable{*v, a};
}

}  // namespace

std::string entete_de_table(const Commande& c) {
    if (c.quoi == Commande::Quoi::liste_propriete)
        return "# taverlune --list " + std::string(nom_de(c.propriete)) + " " + std::to_string(c.debut) + " " +
               std::to_string(c.fin) + "\n";
    std::string entete = "# taverlune --table " + std::to_string(c.debut) + " " + std::to_string(c.fin);
    if (c.suite == Suite::a083206) entete += " --sequence A083206";
    if (c.decalage != 0) entete += " --target-offset " + std::to_string(c.decalage);
    if (c.records) entete += " --records";
    return entete + "\n";
}

FichierDeTable::FichierDeTable(const Commande& c) : c_(c), entete_(entete_de_table(c)), suivant_(c.debut) {
    fd_ = ::open(c.fichier.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        refus_ = composer(_("cannot open %s: %s"), {c.fichier, std::strerror(errno)});
        return;
    }
    reprendre();
    ::lseek(fd_, 0, SEEK_END);
}

FichierDeTable::~FichierDeTable() {
    if (fd_ >= 0) ::close(fd_);
}

void FichierDeTable::ecrire(std::string_view texte) {
    tampon_.append(texte);
    if (tampon_.size() >= (std::size_t{1} << 16)) vider();
}

void FichierDeTable::vider() {
    ecrire_dans(fd_, tampon_);
    tampon_.clear();
}

// Reads the table of the file, drops what a crash may have left after its
// last whole line, and says where to go on. A crash can leave the file cut
/// at any byte, a partial line after it: a first line cut short (no line
/// break in the whole file) is the start of the '#' line followed by the
/// start of a table's line, and the file starts again; a whole first line
/// must be the '#' line of this very table.
void FichierDeTable::reprendre() {
    const int fd = fd_;
    const std::string& entete = entete_;
    const Commande& c = c_;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        refus_ = composer(_("cannot read %s: %s"), {c.fichier, std::strerror(errno)});
        return;
    }
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
    // The file cut after `garde` bytes (to the '#' line alone when 0).
    const auto ecourter = [&](std::size_t garde) {
        if (::ftruncate(fd, static_cast<off_t>(garde)) != 0 ||
            (garde == 0 && ::pwrite(fd, entete.data(), entete.size(), 0) != static_cast<ssize_t>(entete.size())))
            refus_ = composer(_("cannot write %s: %s"), {c.fichier, std::strerror(errno)});
    };
    const std::string autre = composer(_("%s holds another table: remove it, or choose another file"), {c.fichier});
    // The longest partial line that a crash can leave: n and a(n) of a
    // table, its count of up to 2^63 - 1 divisors' subsets at most.
    constexpr std::size_t ligne_max = 20 + 1 + 2800;
    const std::string debut = lire(0, std::min(taille, entete.size() + ligne_max + 1));
    if (debut.find('\n') == std::string::npos) {
        std::size_t commun = 0;
        while (commun < debut.size() && commun < entete.size() && debut[commun] == entete[commun]) ++commun;
        if (taille > entete.size() + ligne_max || debut.find_first_not_of("0123456789 ", commun) != std::string::npos)
            refus_ = autre;
        else ecourter(0);
        return;
    }
    if (!debut.starts_with(entete)) {
        refus_ = autre;
        return;
    }
    // The last whole line: the text after the last line break is dropped.
    const std::size_t queue = std::min<std::size_t>(taille - entete.size() + 1, std::size_t{1} << 20);
    const std::string fin = lire(taille - queue, queue);
    const std::size_t dernier = fin.rfind('\n');
    const std::size_t garde = taille - queue + dernier + 1;
    if (dernier != std::string::npos && garde == entete.size()) return ecourter(garde);
    // The line before the last line break (none: a line longer than any table's).
    const std::size_t avant =
        dernier == std::string::npos || dernier == 0 ? std::string::npos : fin.rfind('\n', dernier - 1);
    const std::optional<LigneDeTable> l =
        avant == std::string::npos ? std::nullopt
                                   : lire_ligne(std::string_view(fin).substr(avant + 1, dernier - avant - 1), c);
    if (!l) {
        refus_ = autre;
        return;
    }
    ecourter(garde);
    suivant_ = l->n < c.fin ? std::optional<std::int64_t>(l->n + 1) : std::nullopt;
    if (c.records) record_ = Compte::de_decimal(l->a);
}

bool FichierDeTable::relire(const std::function<void(std::int64_t, std::string_view)>& chaque) const {
    std::string reste, morceau(std::size_t{1} << 20, '\0');
    for (off_t position = static_cast<off_t>(entete_.size());;) {
        const ssize_t lu = ::pread(fd_, morceau.data(), morceau.size(), position);
        if (lu <= 0) break;
        position += lu;
        reste.append(morceau.data(), static_cast<std::size_t>(lu));
        std::size_t debut = 0;
        for (std::size_t fin; (fin = reste.find('\n', debut)) != std::string::npos; debut = fin + 1) {
            const std::optional<LigneDeTable> l = lire_ligne(std::string_view(reste).substr(debut, fin - debut), c_);
            if (!l) return false;
            chaque(l->n, l->a);
        }
        reste.erase(0, debut);
    }
    return true;
}
