// Pictures of the counts (--plot FILE.svg): self-contained SVG, written by the
// program, labelled in the reader's language.
//
// Both pictures are 800 x 500 pixels, the plotting area from x = 80 to 780
// and y = 50 to 430, with a base 10 logarithmic vertical axis from 10^0 at the
// bottom to the first power of ten at or above the largest count at the top.
// The distribution has one blue mark (#1f77b4) for each number of terms m with
// solutions, at x = 80 + 700 m / (number of elements); a table one blue
// stroke per column of n (the range binned into at most 700 columns, from the
// least to the largest nonzero a(n) of the column; n from A to B at
// x = 80 + 700 (n - A + 1/2) / (B - A + 1)), its records as red rings
// (#d62728), and its zeros as grey marks (#999999) in a strip of their own
// below the area, from y = 458 to 468. A list's picture has a linear
// vertical axis from 0 to the count at B, rounded up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <taverlune/exact_count.h>

/// Writes the picture to `chemin`; false, said on standard error, when the
/// file cannot be opened (a failed write ends the program, status 1).
bool ecrire_image(const std::string& chemin, const std::string& svg);

/// The distribution of N's solutions for `cible` (par_termes[m]).
std::string image_distribution(std::int64_t n, std::int64_t cible, const std::vector<taverlune::Compte>& par_termes);

/// A table of a(n) (or of f(n), with `separations`) over [debut, fin], binned as its lines come.
class ImageTable {
public:
    ImageTable(std::int64_t debut, std::int64_t fin, std::int64_t decalage, bool separations = false);
    /// The next n, in order, and whether it is a record.
    void ajouter(std::int64_t n, const taverlune::Compte& a, bool record);
    std::string svg() const;

private:
    struct Colonne {
        double bas = 1e300, haut = -1;  // least and largest log10 of its nonzero a(n)
        bool zero = false;
    };
    std::int64_t debut_, fin_, decalage_;
    bool separations_;
    std::vector<Colonne> colonnes_;
    std::vector<std::pair<std::int64_t, double>> records_;  // n, log10 a(n)
};

/// A list of the n of [debut, fin] that have a property (--list --plot):
/// how many there are up to x, against x, on linear scales, a blue line
/// through the count at the end of each of at most 700 columns.
class ImageListe {
public:
    ImageListe(std::int64_t debut, std::int64_t fin, std::string propriete);
    /// The next n of the list, in order.
    void ajouter(std::int64_t n);
    std::string svg() const;

private:
    std::int64_t debut_, fin_;
    std::string propriete_;
    std::vector<std::uint64_t> jusqua_;  // the n found up to the end of each column
};
