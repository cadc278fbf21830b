// The file of a table (--output FILE): one '#' line naming the table, then
// its lines "n a(n)", only ever appended, in order. A run stopped at any
// moment (Ctrl-C, a crash, SIGKILL) leaves the file cut at some byte; the
// same command run again keeps every whole line, drops what follows the last
// one, and goes on, so that the file ends as one run would have left it.
//
// Reads and writes: the file. Writes: standard error, when a write fails
// (the program then ends, status 1).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "command_line/command_line.h"
#include "command_line/plot.h"
#include <taverlune/exact_count.h>

/// The '#' line of the table `c`, line break included.
std::string entete_de_table(const Commande& c);

class FichierDeTable {
public:
    /// Opens (or creates) c.fichier and finds where its table stands; when
    /// it cannot be used, refus() says why.
    explicit FichierDeTable(const Commande& c);
    ~FichierDeTable();
    FichierDeTable(const FichierDeTable&) = delete;
    FichierDeTable& operator=(const FichierDeTable&) = delete;

    /// Why the file cannot be used (a line for standard error), or "".
    const std::string& refus() const { return refus_; }
    /// The next n to compute; none when the file holds the whole table.
    std::optional<std::int64_t> suivant() const { return suivant_; }
    /// With --records, the largest a(n) of the file.
    const taverlune::Compte& record() const { return record_; }
    /// Gives each line already in the file, n and a(n) (a list's: "0"),
    /// in order; false at a line that is not of this table.
    bool relire(const std::function<void(std::int64_t, std::string_view)>& chaque) const;

    /// Appends the text, written out in pieces of 64 KiB and by vider().
    void ecrire(std::string_view texte);
    void vider();

private:
    void reprendre();

    const Commande& c_;
    const std::string entete_;
    int fd_ = -1;
    std::string refus_;
    std::optional<std::int64_t> suivant_;
    taverlune::Compte record_;
    std::string tampon_;
};
