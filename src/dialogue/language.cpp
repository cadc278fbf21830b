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
