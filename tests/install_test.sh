#!/usr/bin/env bash
# cmake --install into two places, neither the configured prefix: a prefix
# given at install time, and a DESTDIR whose tree is then moved elsewhere.
# Each installed program run as a user would: its version, a calculation
# through a pipe, its messages in French with no hint of where its catalogue
# is, and both manual pages through man.
#
#   install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
dossier=$(mktemp -d)
trap 'rm -rf "$dossier"' EXIT
echec() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$dossier/prefixe" >/dev/null
DESTDIR="$dossier/destdir" cmake --install "$build" --prefix /opt/taverlune >/dev/null
mv "$dossier/destdir/opt/taverlune" "$dossier/deplace"

francais=0
locale -a 2>/dev/null | grep -qx 'fr_FR.utf8' && francais=1
for p in "$dossier/prefixe" "$dossier/deplace"; do
  # The program, its French catalogue and its two pages; the library's headers
  # (tests/consumer/run.sh checks them), the library, its CMake package, its
  # pkg-config file and the Python module with its stubs; nothing else.
  installes=$(cd "$p" && find . -type f -not -path './include/taverlune/*' | sort | tr '\n' ' ')
  installes=$(sed -E 's#\./lib/(libtaverlune_engine\.(a|so[.0-9]*)|cmake/taverlune/taverlune[A-Za-z-]*\.cmake|pkgconfig/taverlune\.pc|python3\.[0-9]+/dist-packages/taverlune(\.pyi|\.[a-z0-9_-]+\.so)) ##g' <<<"$installes")
  [ "$installes" = "./bin/taverlune ./share/locale/fr/LC_MESSAGES/taverlune.mo ./share/man/fr/man1/taverlune.1 ./share/man/man1/taverlune.1 " ] ||
    echec "installed in $p: $installes"
  [ "$("$p/bin/taverlune" --version)" = "taverlune $version" ] || echec "--version in $p"
  # N = 6 counted, the target N, no new calculation: the perfect number at
  # once, then the last question; status 1.
  statut=0
  sortie=$(printf '6 0 0 0\n' | "$p/bin/taverlune") || statut=$?
  [ "$statut" = 1 ] || echec "the dialogue ended with status $statut in $p"
  [[ "$sortie" == *" a  6  convient. "* ]] || echec "the dialogue of N = 6 in $p"
  man -M "$p/share/man" -P cat taverlune 2>/dev/null | grep -q "^NAME" || echec "man -M $p/share/man taverlune"
  if [ "$francais" = 1 ]; then
    aide=$(env -u LC_ALL -u TAVERLUNE_LOCALEDIR LANGUAGE=fr LANG=fr_FR.UTF-8 "$p/bin/taverlune" --help | head -n 1)
    [ "$aide" = "Usage : taverlune" ] || echec "LANGUAGE=fr in $p: '$aide'"
    env -u LC_ALL LANG=fr_FR.UTF-8 MANPATH="$p/share/man" man -P cat taverlune 2>/dev/null | grep -q "^NOM" ||
      echec "the French manual page in $p"
  fi
done
[ "$francais" = 1 ] || echo "no fr_FR.UTF-8 locale on this machine: French not checked"
echo "installed, moved and ran taverlune $version"
