// The language of the messages (see language.h).
#include "console/language.h"

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#if !defined(TAVERLUNE_LOCALEDIR) || !defined(TAVERLUNE_LOCALEDIR_RELATIF) || !defined(TAVERLUNE_LANGUES)
#error "the build gives where the catalogues are installed, from the prefix and from the program, and their languages"
#endif

namespace {

// Where the catalogues are: next to the program as installed (the tree may
// have been installed under another prefix, into a DESTDIR, or moved), else
// under the prefix the build was configured with.
std::string dossier_des_catalogues() {
    char chemin[4096];
    const ssize_t n = ::readlink("/proc/self/exe", chemin, sizeof chemin - 1);
    if (n > 0) {
        std::string programme(chemin, static_cast<std::size_t>(n));
        const std::string dossier = programme.substr(0, programme.rfind('/') + 1) + TAVERLUNE_LOCALEDIR_RELATIF;
        for (const char* langue : TAVERLUNE_LANGUES)
            if (::access((dossier + "/" + langue + "/LC_MESSAGES/taverlune.mo").c_str(), R_OK) == 0) return dossier;
    }
    return TAVERLUNE_LOCALEDIR;
}

}  // namespace

void choisir_la_langue() {
    std::setlocale(LC_ALL, "");
    const char* dossier = std::getenv("TAVERLUNE_LOCALEDIR");
    bindtextdomain("taverlune", dossier != nullptr && *dossier != '\0' ? dossier : dossier_des_catalogues().c_str());
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

std::string composer(const char* modele, std::initializer_list<std::string> valeurs) {
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
