// The command line's arguments: every one checked, numbers in the forms the
// number-theory tools accept.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <string>

#include "command_line/command_line.h"
#include "console/language.h"

using namespace taverlune;

namespace {

constexpr std::int64_t max63 = std::numeric_limits<std::int64_t>::max();

// A run of decimal digits as an exact value, none past 2^63 - 1.
std::optional<std::int64_t> chiffres(std::string_view t) {
    if (t.empty()) return std::nullopt;
    std::int64_t v = 0;
    for (const char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        if (v > (max63 - (c - '0')) / 10) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// b^e, none past 2^63 - 1.
std::optional<std::int64_t> puissance(std::int64_t b, std::int64_t e) {
    if (b <= 1) return e == 0 ? 1 : b;  // 0^0 = 1; 0 and 1 stay where they are
    std::int64_t v = 1;
    for (std::int64_t k = 0; k < e; ++k) {  // at most 63 steps before it overflows
        if (v > max63 / b) return std::nullopt;
        v *= b;
    }
    return v;
}

// An argument as it can be shown on one line.
std::string visible(std::string_view texte) {
    std::string r;
    for (const char c : texte) r += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return r;
}

// What an option says is wrong with its value: `modele` names the option,
// then the value, by %s.
std::string mauvais(const char* modele, std::string_view option, std::string_view valeur) {
    return composer(modele, {std::string(option), visible(valeur)});
}

}  // namespace

std::optional<std::int64_t> lire_nombre(std::string_view t, bool signe) {
    bool negatif = false;
    if (signe && !t.empty() && (t[0] == '-' || t[0] == '+')) {
        negatif = t[0] == '-';
        t.remove_prefix(1);
    }
    std::optional<std::int64_t> v;
    if (const std::size_t chapeau = t.find('^'); chapeau != std::string_view::npos) {
        const auto b = chiffres(t.substr(0, chapeau)), e = chiffres(t.substr(chapeau + 1));
        if (b && e) v = puissance(*b, *e);
    } else if (const std::size_t x = t.find_first_of("eE"); x != std::string_view::npos) {
        // m.f e x: exact when the exponent covers the digits after the point.
        const std::string_view mantisse = t.substr(0, x);
        const std::size_t point = mantisse.find('.');
        const std::string_view entiere = mantisse.substr(0, point);
        const std::string_view fraction = point == std::string_view::npos ? "" : mantisse.substr(point + 1);
        const auto e = chiffres(t.substr(x + 1));
        const auto m = chiffres(std::string(entiere) + std::string(fraction));
        if (e && m && !entiere.empty() && (point == std::string_view::npos || !fraction.empty()) &&
            static_cast<std::size_t>(*e) >= fraction.size()) {
            const auto dix = puissance(10, *e - static_cast<std::int64_t>(fraction.size()));
            if (dix && (*m == 0 || *dix <= max63 / *m)) v = *m * *dix;
        }
    } else {
        v = chiffres(t);
    }
    if (v && negatif) v = -*v;
    return v;
}

LectureCommande lire_commande(const std::vector<std::string_view>& arguments) {
    Commande c;
    bool compte_choisi = false, distribution = false, liste = false, table = false, avec_decalage = false;
    bool famille = false, compter = false, classer = false, avec_suite = false;
    const auto erreur = [](std::string texte) { return LectureCommande{std::nullopt, std::move(texte)}; };
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        std::string_view a = arguments[k];
        std::optional<std::string_view> attache;  // --option=value
        if (a.starts_with("--")) {
            if (const std::size_t egal = a.find('='); egal != std::string_view::npos) {
                attache = a.substr(egal + 1);
                a = a.substr(0, egal);
            }
        }
        // The value of the option, from "=value" or the next argument.
        const auto valeur = [&]() -> std::optional<std::string_view> {
            if (attache) return attache;
            if (k + 1 < arguments.size()) return arguments[++k];
            return std::nullopt;
        };
        const auto manque = [&] { return erreur(composer(_("option %s needs a value"), {std::string(a)})); };
        // A number from 1 to 2^63 - 1.
        const auto positif = [&](std::string_view v, std::int64_t& dans) -> std::optional<std::string> {
            const auto n = lire_nombre(v);
            if (!n || *n < 1) return mauvais(_("%s takes a whole number from 1 to 2^63 - 1, not '%s'"), a, v);
            dans = *n;
            return std::nullopt;
        };
        if (a == "-h" || a == "--help") {
            c.quoi = Commande::Quoi::aide;
            return {c, ""};
        } else if (a == "-V" || a == "--version") {
            c.quoi = Commande::Quoi::version;
            return {c, ""};
        } else if (a == "-d" || a == "--distribution") {
            distribution = true;
        } else if (a == "-p" || a == "--print") {
            liste = true;
        } else if (a == "--records") {
            c.records = true;
        } else if (a == "--status") {
            c.etat = true;
        } else if (a == "--time") {
            c.temps = true;
        } else if (a == "--double-check") {
            c.double_verification = true;
        } else if (a == "--count") {
            compter = true;
        } else if (a == "--classify") {
            classer = true;
        } else if (a == "--sequence") {
            const auto v = valeur();
            if (!v) return manque();
            const auto egal = [&](std::string_view nom) {
                return v->size() == nom.size() && std::equal(v->begin(), v->end(), nom.begin(), [](char x, char y) {
                           return std::tolower(static_cast<unsigned char>(x)) == y;
                       });
            };
            if (egal("a065205")) c.suite = Suite::a065205;
            else if (egal("a083206") || egal("zumkeller-splits")) c.suite = Suite::a083206;
            else return erreur(mauvais(_("%s takes A065205 or A083206 (zumkeller-splits), not '%s'"), a, *v));
            avec_suite = true;
        } else if (a == "--list") {
            const auto v = valeur();
            if (!v) return manque();
            const std::optional<Propriete> p = propriete_de(*v);
            if (!p)
                return erreur(composer(_("unknown property '%s': semiperfect, primitive-semiperfect, weird, "
                                         "primitive-weird, zumkeller, practical, abundant, perfect, deficient, or "
                                         "their A-numbers"),
                                       {visible(*v)}));
            c.propriete = *p;
            if (attache || k + 2 >= arguments.size())
                return erreur(_("option --list needs three values, PROPERTY, A and B"));
            if (const auto e = positif(arguments[++k], c.debut)) return erreur(*e);
            if (const auto e = positif(arguments[++k], c.fin)) return erreur(*e);
            if (c.debut > c.fin) return erreur(_("the range is empty: A is above B"));
            famille = true;
        } else if (a == "--estimate") {
            c.estimation = true;
        } else if (a == "--target" || a == "-s") {
            const auto v = valeur();
            if (!v) return manque();
            std::int64_t s = 0;
            if (const auto e = positif(*v, s)) return erreur(*e);
            c.cible = s;
        } else if (a == "--target-offset") {
            const auto v = valeur();
            if (!v) return manque();
            const auto n = lire_nombre(*v, true);
            if (!n) return erreur(mauvais(_("%s takes a whole number, with a sign if negative, not '%s'"), a, *v));
            c.decalage = *n;
            avec_decalage = true;
        } else if (a == "--table") {
            const auto v1 = valeur();
            if (!v1) return manque();
            if (const auto e = positif(*v1, c.debut)) return erreur(*e);
            if (attache || k + 1 >= arguments.size()) return erreur(_("option --table needs two values, A and B"));
            const std::string_view v2 = arguments[++k];
            if (const auto e = positif(v2, c.fin)) return erreur(*e);
            if (c.debut > c.fin) return erreur(_("the table's range is empty: A is above B"));
            table = true;
        } else if (a == "-o" || a == "--output") {
            const auto v = valeur();
            if (!v || v->empty()) return manque();
            c.fichier = std::string(*v);
        } else if (a == "--plot") {
            const auto v = valeur();
            if (!v || v->empty()) return manque();
            c.image = std::string(*v);
        } else if (a == "-t" || a == "--threads") {
            const auto v = valeur();
            if (!v) return manque();
            const auto n = lire_nombre(*v);
            if (!n || *n < 1 || *n > 4096)
                return erreur(mauvais(_("%s takes a number of threads from 1 to 4096, not '%s'"), a, *v));
            c.fils = static_cast<unsigned>(*n);
        } else if (a.starts_with("-") && a.size() > 1) {
            return erreur(composer(_("unknown option '%s'"), {visible(a)}));
        } else {
            std::int64_t n = 0;
            if (positif(a, n))
                return erreur(composer(_("N is a whole number from 1 to 2^63 - 1, not '%s'"), {visible(a)}));
            c.nombres.push_back(n);
            compte_choisi = true;
        }
        if (attache && a != "--target" && a != "--target-offset" && a != "--table" && a != "--output" &&
            a != "--plot" && a != "--threads" && a != "--sequence" && a != "--list")
            return erreur(composer(_("option %s takes no value"), {std::string(a)}));
    }
    if (famille && table) return erreur(_("--list and --table do not go together"));
    if (famille && compte_choisi) return erreur(_("--list takes no N: give one or the other"));
    if (classer && (famille || table)) return erreur(_("--classify takes N, not --table or --list"));
    if (compter && !famille) return erreur(_("--count goes with --list"));
    if (compter && (!c.fichier.empty() || !c.image.empty()))
        return erreur(_("--count prints one number alone: no --output or --plot"));
    if (avec_suite && !table) return erreur(_("--sequence goes with --table"));
    // What goes with neither --list nor --classify.
    const std::pair<bool, const char*> autres[] = {{c.cible.has_value(), "--target"},
                                                   {avec_decalage, "--target-offset"},
                                                   {c.records, "--records"},
                                                   {distribution, "--distribution"},
                                                   {liste, "--print"},
                                                   {c.double_verification, "--double-check"},
                                                   {!c.image.empty(), "--plot"},
                                                   {c.estimation, "--estimate"},
                                                   {!c.fichier.empty() && classer, "--output"}};
    for (const auto& [donnee, option] : autres)
        if (donnee && (famille || classer) && !(famille && !compter && option == std::string_view("--plot")))
            return erreur(
                composer(famille ? _("%s does not go with --list") : _("%s does not go with --classify"), {option}));
    if (famille) {
        c.quoi = compter ? Commande::Quoi::comptage_propriete : Commande::Quoi::liste_propriete;
        return {c, ""};
    }
    if (table && compte_choisi) return erreur(_("--table takes no N: give one or the other"));
    if (!table && !compte_choisi) return erreur(_("nothing to count: give N, --table A B or --list PROPERTY A B"));
    if (table && avec_decalage && c.suite != Suite::a065205)
        return erreur(_("--target-offset goes with the table of A065205 alone"));
    if (distribution && liste) return erreur(_("--distribution and --print do not go together"));
    if (table && (distribution || liste)) return erreur(_("--table counts only: no --distribution or --print"));
    if (table && c.cible) return erreur(_("--table takes --target-offset K, not --target"));
    if (table && c.decalage > 0 && c.fin > max63 - c.decalage)
        return erreur(composer(_("--target-offset %s takes the target n + K past 2^63 - 1: with it, B is at most %s"),
                               {std::to_string(c.decalage), std::to_string(max63 - c.decalage)}));
    if (!table && (avec_decalage || c.records || !c.fichier.empty()))
        return erreur(_("--target-offset, --records and --output go with --table"));
    if (c.estimation && (table || liste || c.double_verification || !c.image.empty()))
        return erreur(
            _("--estimate goes with N, --target and --distribution: no --table, --print, --double-check "
              "or --plot"));
    if (liste && c.nombres.size() > 1) return erreur(_("--print lists the solutions of one N at a time"));
    if (!c.image.empty() && !table && !(distribution && c.nombres.size() == 1))
        return erreur(_("--plot draws the distribution of one N (with --distribution), a --table or a --list"));
    c.quoi = classer        ? Commande::Quoi::classement
             : table        ? Commande::Quoi::table
             : liste        ? Commande::Quoi::liste
             : distribution ? Commande::Quoi::distribution
                            : Commande::Quoi::compte;
    return {c, ""};
}
