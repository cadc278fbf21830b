// Pictures of the counts (see plot.h). Numbers in the SVG are written in the
// C form whatever the locale (std::to_chars); the labels come from the
// catalogue, escaped for XML.
#include "command_line/plot.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/console.h"
#include "console/language.h"

using namespace taverlune;

namespace {

constexpr double gauche = 80, droite = 780, dessus = 50, dessous = 430;  // the plotting area

std::string nombre(double v) {
    char t[32];
    const auto fin = std::to_chars(t, t + sizeof t, std::round(v * 10) / 10, std::chars_format::fixed).ptr;
    return std::string(t, fin);
}

std::string xml(const std::string& texte) {
    std::string r;
    for (const char c : texte) {
        if (c == '<') r += "&lt;";
        else if (c == '>') r += "&gt;";
        else if (c == '&') r += "&amp;";
        else if (c == '"') r += "&quot;";
        else r += c;
    }
    return r;
}

std::string texte(double x, double y, const std::string& t, const char* ancre = "middle", int taille = 13,
                  const char* plus = "") {
    return "<text x=\"" + nombre(x) + "\" y=\"" + nombre(y) + "\" text-anchor=\"" + ancre + "\" font-size=\"" +
           std::to_string(taille) + "\"" + plus + ">" + xml(t) + "</text>\n";
}

// The frame, the title, the vertical axis in powers of ten up to 10^decades,
// and the horizontal axis's label; the ticks of the horizontal axis are the
// caller's.
std::string cadre(const std::string& titre, const std::string& etiquette_x, int decades) {
    std::string s =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"500\" viewBox=\"0 0 800 500\" "
        "font-family=\"DejaVu Sans, Verdana, sans-serif\">\n"
        "<rect width=\"800\" height=\"500\" fill=\"#ffffff\"/>\n";
    s += texte(400, 30, titre, "middle", 16, " font-weight=\"bold\"");
    s += texte(430, 490, etiquette_x);
    s +=
        texte(18, 240, _("number of solutions (logarithmic scale)"), "middle", 13, " transform=\"rotate(-90 18 240)\"");
    const int pas = std::max(1, (decades + 7) / 8);
    for (int k = 0; k <= decades; k += pas) {
        const double y = dessous - (dessous - dessus) * k / decades;
        s += "<line x1=\"" + nombre(gauche - 5) + "\" y1=\"" + nombre(y) + "\" x2=\"" + nombre(droite) + "\" y2=\"" +
             nombre(y) + "\" stroke=\"#e0e0e0\"/>\n";
        s += texte(gauche - 8, y + 4, k == 0 ? "1" : "10^" + std::to_string(k), "end", 12);
    }
    s += "<rect x=\"" + nombre(gauche) + "\" y=\"" + nombre(dessus) + "\" width=\"" + nombre(droite - gauche) +
         "\" height=\"" + nombre(dessous - dessus) + "\" fill=\"none\" stroke=\"#000000\"/>\n";
    return s;
}

std::string tiret_x(double x, const std::string& etiquette) {
    return "<line x1=\"" + nombre(x) + "\" y1=\"" + nombre(dessous) + "\" x2=\"" + nombre(x) + "\" y2=\"" +
           nombre(dessous + 5) + "\" stroke=\"#000000\"/>\n" + texte(x, dessous + 17, etiquette, "middle", 12);
}

// Round values for the ticks of [a, b]: 1, 2 or 5 times a power of ten.
double pas_rond(double etendue) {
    const double brut = std::max(etendue / 6, 1.0);
    const double p = std::pow(10, std::floor(std::log10(brut)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * p >= brut) return m * p;
    return 10 * p;
}

}  // namespace

bool ecrire_image(const std::string& chemin, const std::string& svg) {
    const int fd = ::open(chemin.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        ecrire_ligne_erreur(composer(_("cannot write %s: %s"), {chemin, std::strerror(errno)}));
        return false;
    }
    ecrire_dans(fd, svg);
    ::close(fd);
    return true;
}

std::string image_distribution(std::int64_t n, std::int64_t cible, const std::vector<Compte>& par_termes) {
    double haut = 0;
    for (const Compte& c : par_termes) haut = std::max(haut, c.log10());
    const int decades = std::max(1, static_cast<int>(std::ceil(haut - 1e-9)));
    const double largeur = static_cast<double>(std::max<std::size_t>(par_termes.size(), 2) - 1);
    std::string s = cadre(
        composer(_("Solutions of N = %s by number of terms, target %s"), {std::to_string(n), std::to_string(cible)}),
        _("number of terms"), decades);
    const double pas = pas_rond(largeur);
    for (double m = 0; m <= largeur + 1e-9; m += pas)
        s += tiret_x(gauche + (droite - gauche) * m / largeur, nombre(m).substr(0, nombre(m).find('.')));
    std::string points;
    for (std::size_t m = 0; m < par_termes.size(); ++m) {
        if (par_termes[m].est_nul()) continue;
        const double x = gauche + (droite - gauche) * static_cast<double>(m) / largeur;
        const double y = dessous - (dessous - dessus) * par_termes[m].log10() / decades;
        points += nombre(x) + "," + nombre(y) + " ";
        s += "<circle cx=\"" + nombre(x) + "\" cy=\"" + nombre(y) + "\" r=\"4\" fill=\"#1f77b4\"/>\n";
    }
    if (!points.empty())
        s += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"#1f77b4\" stroke-width=\"1.5\"/>\n";
    else s += texte((gauche + droite) / 2, (dessus + dessous) / 2, _("no solution"), "middle", 16);
    return s + "</svg>\n";
}

ImageTable::ImageTable(std::int64_t debut, std::int64_t fin, std::int64_t decalage, bool separations)
    : debut_(debut), fin_(fin), decalage_(decalage), separations_(separations) {
    colonnes_.resize(static_cast<std::size_t>(std::min<std::int64_t>(fin - debut + 1, 700)));
}

void ImageTable::ajouter(std::int64_t n, const Compte& a, bool record) {
    const std::size_t c =
        static_cast<std::size_t>(static_cast<double>(n - debut_) * static_cast<double>(colonnes_.size()) /
                                 static_cast<double>(fin_ - debut_ + 1));
    Colonne& col = colonnes_[std::min(c, colonnes_.size() - 1)];
    if (a.est_nul()) {
        col.zero = true;
        return;
    }
    const double l = a.log10();
    col.bas = std::min(col.bas, l);
    col.haut = std::max(col.haut, l);
    if (record) records_.emplace_back(n, l);
}

std::string ImageTable::svg() const {
    double haut = 0;
    for (const Colonne& c : colonnes_) haut = std::max(haut, c.haut);
    const int decades = std::max(1, static_cast<int>(std::ceil(haut - 1e-9)));
    const std::string titre =
        separations_ ? composer(_("f(n), the splits of the divisors of n into two sets of equal sum, n from %s to %s"),
                                {std::to_string(debut_), std::to_string(fin_)})
        : decalage_ == 0 ? composer(_("a(n) for n from %s to %s"), {std::to_string(debut_), std::to_string(fin_)})
                         : composer(_("a(n) for n from %s to %s, target n + %s"),
                                    {std::to_string(debut_), std::to_string(fin_), std::to_string(decalage_)});
    std::string s = cadre(titre, "n", decades);
    const double etendue = static_cast<double>(fin_ - debut_ + 1);
    const auto x_de = [&](double n) {
        return gauche + (droite - gauche) * (n - static_cast<double>(debut_) + 0.5) / etendue;
    };
    const double pas = pas_rond(etendue);
    for (double t = std::ceil(static_cast<double>(debut_) / pas) * pas; t <= static_cast<double>(fin_); t += pas)
        s += tiret_x(x_de(t), nombre(t).substr(0, nombre(t).find('.')));
    const double w = (droite - gauche) / static_cast<double>(colonnes_.size());
    s += texte(gauche - 8, 467, separations_ ? _("f(n) = 0") : _("a(n) = 0"), "end", 11);
    for (std::size_t k = 0; k < colonnes_.size(); ++k) {
        const Colonne& c = colonnes_[k];
        const double x = gauche + w * (static_cast<double>(k) + 0.5);
        if (c.zero)
            s += "<line x1=\"" + nombre(x) + "\" y1=\"458\" x2=\"" + nombre(x) +
                 "\" y2=\"468\" stroke=\"#999999\" "
                 "stroke-width=\"" +
                 nombre(std::max(1.0, w * 0.8)) + "\"/>\n";
        if (c.haut < 0) continue;
        // At least 4 pixels tall, above the axis: a(n) = 1 sits on it.
        const double ya = dessous - (dessous - dessus) * c.haut / decades,
                     yb = std::min(dessous - 1, dessous - (dessous - dessus) * c.bas / decades + 1);
        s += "<line x1=\"" + nombre(x) + "\" y1=\"" + nombre(std::min(ya - 1, yb - 4)) + "\" x2=\"" + nombre(x) +
             "\" y2=\"" + nombre(yb) + "\" stroke=\"#1f77b4\" stroke-width=\"" + nombre(std::max(1.0, w * 0.8)) +
             "\"/>\n";
    }
    for (const auto& [n, l] : records_)
        s += "<circle cx=\"" + nombre(x_de(static_cast<double>(n))) + "\" cy=\"" +
             nombre(dessous - (dessous - dessus) * l / decades) +
             "\" r=\"5\" fill=\"none\" stroke=\"#d62728\" stroke-width=\"2\"/>\n";
    s += "<circle cx=\"690\" cy=\"41\" r=\"5\" fill=\"none\" stroke=\"#d62728\" stroke-width=\"2\"/>\n";
    s += texte(702, 45, _("records"), "start", 12);
    return s + "</svg>\n";
}

ImageListe::ImageListe(std::int64_t debut, std::int64_t fin, std::string propriete)
    : debut_(debut), fin_(fin), propriete_(std::move(propriete)) {
    jusqua_.resize(static_cast<std::size_t>(std::min<std::int64_t>(fin - debut + 1, 700)));
}

void ImageListe::ajouter(std::int64_t n) {
    const std::size_t c = static_cast<std::size_t>(
        static_cast<double>(n - debut_) * static_cast<double>(jusqua_.size()) / static_cast<double>(fin_ - debut_ + 1));
    for (std::size_t k = std::min(c, jusqua_.size() - 1); k < jusqua_.size(); ++k) ++jusqua_[k];
}

std::string ImageListe::svg() const {
    const double total = static_cast<double>(jusqua_.back());
    const double pas_y = pas_rond(std::max(total, 1.0)), haut = std::max(std::ceil(total / pas_y), 1.0) * pas_y;
    std::string s =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"500\" viewBox=\"0 0 800 500\" "
        "font-family=\"DejaVu Sans, Verdana, sans-serif\">\n"
        "<rect width=\"800\" height=\"500\" fill=\"#ffffff\"/>\n";
    s += texte(400, 30,
               composer(_("The n from %s to %s that are %s, counted up to x"),
                        {std::to_string(debut_), std::to_string(fin_), propriete_}),
               "middle", 16, " font-weight=\"bold\"");
    s += texte(430, 490, "x");
    s += texte(18, 240, _("how many up to x"), "middle", 13, " transform=\"rotate(-90 18 240)\"");
    for (double v = 0; v <= haut + 1e-9; v += pas_y) {
        const double y = dessous - (dessous - dessus) * v / haut;
        s += "<line x1=\"" + nombre(gauche - 5) + "\" y1=\"" + nombre(y) + "\" x2=\"" + nombre(droite) + "\" y2=\"" +
             nombre(y) + "\" stroke=\"#e0e0e0\"/>\n";
        s += texte(gauche - 8, y + 4, nombre(v).substr(0, nombre(v).find('.')), "end", 12);
    }
    s += "<rect x=\"" + nombre(gauche) + "\" y=\"" + nombre(dessus) + "\" width=\"" + nombre(droite - gauche) +
         "\" height=\"" + nombre(dessous - dessus) + "\" fill=\"none\" stroke=\"#000000\"/>\n";
    const double etendue = static_cast<double>(fin_ - debut_ + 1);
    const double pas = pas_rond(etendue);
    for (double t = std::ceil(static_cast<double>(debut_) / pas) * pas; t <= static_cast<double>(fin_); t += pas)
        s += tiret_x(gauche + (droite - gauche) * (t - static_cast<double>(debut_) + 0.5) / etendue,
                     nombre(t).substr(0, nombre(t).find('.')));
    std::string points = nombre(gauche) + "," + nombre(dessous) + " ";
    const double w = (droite - gauche) / static_cast<double>(jusqua_.size());
    for (std::size_t k = 0; k < jusqua_.size(); ++k)
        points += nombre(gauche + w * static_cast<double>(k + 1)) + "," +
                  nombre(dessous - (dessous - dessus) * static_cast<double>(jusqua_[k]) / haut) + " ";
    s += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"#1f77b4\" stroke-width=\"2\"/>\n";
    return s + "</svg>\n";
}
