#!/usr/bin/env bash
# The floors of src/ and what each may use: the includes between folders and
# CMake's links between libraries go only downward, the entries (main) are on
# top, one file sets signal dispositions, no floor declares another's
# variables, and every file a comment names is a file of the repository.
#
#   .ci/check_layers.sh BUILD_DIR      (a configured build directory)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1

# Each floor and the floors below it that it may use, lowest first.
declare -A dessous=(
  [engine]=""
  [console]="engine"
  [state]="engine"
  [divisors]="state engine"
  [search]="state console engine"
  [dialogue]="search divisors state console engine"
  [command_line]="console engine"
  [python]="engine"
  [app]="dialogue search divisors state command_line python console engine"  # python: built with the program, so that installing it installs the module
)
echec=0
faute() { echo "$*"; echec=1; }
permis() { [ "$1" = "$2" ] || [[ " ${dessous[$1]} " == *" $2 "* ]]; }

for dossier in src/*/; do
  f=$(basename "$dossier")
  [ -n "${dessous[$f]+x}" ] || faute "src/$f is not a floor of this check"
done

# The includes between the folders.
while IFS=: read -r fichier ligne vers; do
  de=$(cut -d/ -f2 <<<"$fichier")
  a=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$vers")
  if [ "$a" = taverlune ]; then
    :  # the engine's public headers, include/taverlune/: every floor's
  elif [ "$a" = engine ] && [ "$de" != engine ]; then
    faute "$fichier:$ligne: $de includes the engine's insides: its way in is <taverlune/engine.h>"
  else
    permis "$de" "$a" || faute "$fichier:$ligne: $de includes $a"
  fi
done < <(git grep -n -E '^#include "[a-z_]+/' -- 'src/*')

# The links between the libraries, as CMake has them.
rm -rf "$build/graphe" && mkdir -p "$build/graphe"
cmake --graphviz="$build/graphe/g.dot" "$build" >/dev/null
declare -A nom
while read -r noeud etiquette; do nom[$noeud]=$etiquette; done < <(
  sed -nE 's/^ *"(node[0-9]+)" \[ label = "([^"]+)".*/\1 \2/p' "$build/graphe/g.dot")
etage() {
  case "$1" in
    taverlune | taverlune_reference) echo app ;;
    taverlune_*) echo "${1#taverlune_}" ;;
  esac
}
while read -r de a; do
  e1=$(etage "${nom[$de]}") e2=$(etage "${nom[$a]}")
  [ -n "$e1" ] && [ -n "${dessous[$e1]+x}" ] || continue
  [ -n "$e2" ] && [ -n "${dessous[$e2]+x}" ] || continue
  permis "$e1" "$e2" || faute "${nom[$de]} links ${nom[$a]}"
done < <(sed -nE 's/^ *"(node[0-9]+)" -> "(node[0-9]+)".*/\1 \2/p' "$build/graphe/g.dot")

# The entries on top; signals in one file; each floor's own variables.
for fichier in $(git grep -l -E '^int main\(' -- 'src/*'); do
  [[ "$fichier" == src/app/* ]] || faute "$fichier defines main outside src/app"
done
while IFS=: read -r fichier ligne texte; do
  [[ "$texte" =~ ^\ *// ]] || [ "$fichier" = src/console/interruption.cpp ] || faute "$fichier:$ligne sets a signal disposition"
done < <(git grep -n -E '\b(sigaction|signal) ?\(' -- 'src/*')
while IFS=: read -r fichier ligne texte; do
  variable=$(sed -E 's/.*[ *&]([A-Za-z_][A-Za-z0-9_]*)(\[[^]]*\])?;.*/\1/' <<<"$texte")
  dossier=$(dirname "$fichier")
  git grep -q -E "^[A-Za-z].*\b$variable\b.*(=|;|\{)" -- "$dossier/*.cpp" ||
    faute "$fichier:$ligne: extern $variable is not defined in $dossier"
done < <(git grep -n -E '^extern [^"(]*;' -- 'src/*')

# Every file a comment names (a header, a source, a script) is a file of the repository.
fichiers=$(git ls-files | xargs -n1 basename | sort -u)
while IFS=: read -r fichier ligne texte; do
  for cite in $(grep -o -E '\b[a-zA-Z0-9_]+\.(h|cpp|py|sh)\b' <<<"$texte" | sort -u); do
    grep -qx "$cite" <<<"$fichiers" || faute "$fichier:$ligne: a comment names $cite, which is not a file here"
  done
done < <(git grep -n -E '(//|/\*|^ *\*|^ *#( |$)).*\b[a-zA-Z0-9_]+\.(h|cpp|py|sh)\b' -- 'src/*' 'tests/*' 'bench/*' '.ci/*' 'CMakeLists.txt' '*/CMakeLists.txt' | grep -v -E ':[0-9]+:#include ')

[ "$echec" = 0 ] && echo "the floors hold: includes and links go downward, entries on top"
exit "$echec"
