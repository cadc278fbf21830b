// The language of the messages (see language.h).
#include "dialogue/language.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

#ifndef TAVERLUNE_LOCALEDIR
#error "TAVERLUNE_LOCALEDIR comes from the build: where the catalogues are installed"
#endif

void choisir_la_langue() {
    std::setlocale(LC_ALL, "");
    const char* dossier = std::getenv("TAVERLUNE_LOCALEDIR");
    bindtextdomain("taverlune", dossier != nullptr && *dossier != '\0' ? dossier : TAVERLUNE_LOCALEDIR);
    bind_textdomain_codeset("taverlune", "UTF-8");
    textdomain("taverlune");
}

namespace {

// The environment asks for the C locale alone (or nothing): messages in
// English, numbers in the C form, exactly what the locale would give, without
// loading it.
bool locale_c() {
    const auto c = [](const char* v) {
        for (const char* nom : {"C", "POSIX", "C.UTF-8", "C.utf8"})
            if (std::strcmp(v, nom) == 0) return true;
        return false;
    };
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LANG"}) {
        const char* v = std::getenv(variable);
        if (v != nullptr && *v != '\0' && !c(v)) return false;
    }
    return true;
}

}  // namespace

void preparer_la_langue() { traduire(""); }

const char* traduire(const char* message) {
    static const bool anglais = locale_c() || (choisir_la_langue(), false);
    return anglais || *message == '\0' ? message : gettext(message);
}

std::string remplir(const char* modele, std::initializer_list<std::string> valeurs) {
    std::string r;
    auto v = valeurs.begin();
    for (const char* p = modele; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's' && v != valeurs.end()) {
            r += *v++;
            ++p;
        } else {
            r += *p;
        }
    }
    return r;
}
