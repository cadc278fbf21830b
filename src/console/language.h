// The language of what the program says outside the dialogue: the messages
// on standard error, the usage, the pictures' labels. English, or the
// language of the user's locale where a catalogue has it (gettext: LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG). The dialogue on standard output keeps its own
// French whatever the locale, and every figure on standard output its C form.
#pragma once

#include <libintl.h>

#include <string>

/// Takes the locale from the environment and opens the program's catalogue
/// (from TAVERLUNE_LOCALEDIR when it is set, else next to the program as
/// installed, share/locale beside its bin/, else under the prefix the build
/// was configured with). Numbers that snprintf formats take the locale's
/// form: only standard error gets them.
void choisir_la_langue();

/// At start-up: chooses the language unless the environment asks for the C
/// locale alone, whose messages and numbers are the program's own (loading
/// even the C.UTF-8 locale costs a few hundred microseconds). Done before
/// anything can run short of memory, so that the last message still speaks
/// the reader's language.
void preparer_la_langue();

/// `message` in the reader's language.
const char* traduire(const char* message);

/// A message in the reader's language.
#define _(texte) traduire(texte)
/// A message marked for the catalogue, translated where it is used.
#define N_(texte) texte

/// `modele` with each %s replaced by the next of `valeurs`, in order.
std::string composer(const char* modele, std::initializer_list<std::string> valeurs);
