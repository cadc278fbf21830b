#!/usr/bin/env bash
# The engine as others use it once installed: BUILD_DIR installed into a
# temporary prefix, then moved elsewhere (every file must find the others from
# where it lies); there, the consumer program built through find_package and
# through pkg-config, each run; and when the build made the Python module, the
# Python tests run on the installed module.
#
#   tests/consumer/run.sh BUILD_DIR
set -euo pipefail
ici=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
dossier=$(mktemp -d)
trap 'rm -rf "$dossier"' EXIT
echec() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$dossier/installe" >/dev/null
mv "$dossier/installe" "$dossier/prefixe"
p=$dossier/prefixe
# The public headers alone, with no GNU extension a user's -Wpedantic would meet.
[ "$(cd "$p/include/taverlune" && ls)" = "$( (cd "$ici/../../include/taverlune" && ls; echo version.h) | sort)" ] ||
  echec "headers installed: $(ls "$p/include/taverlune")"
! grep -n '__int128\|__extension__' "$p"/include/taverlune/*.h || echec "a GNU extension in the installed headers"

# Through the CMake package.
cmake -S "$ici" -B "$dossier/cmake" -DCMAKE_PREFIX_PATH="$p" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Wpedantic -Werror" \
  >/dev/null || echec "find_package(taverlune) in $p"
cmake --build "$dossier/cmake" >/dev/null || echec "the consumer built through find_package"
"$dossier/cmake/consumer" || echec "the consumer built through find_package"

# Through pkg-config (a shared engine found at run time through LD_LIBRARY_PATH).
export PKG_CONFIG_PATH=$p/lib/pkgconfig
# shellcheck disable=SC2046
g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror "$ici/main.cpp" $(pkg-config --cflags --libs taverlune) \
  -o "$dossier/pkg-config-consumer" || echec "the consumer built through pkg-config"
LD_LIBRARY_PATH=$p/lib "$dossier/pkg-config-consumer" || echec "the consumer built through pkg-config"

# The Python module as installed, where that prefix's Python looks.
module=$(find "$p/lib" -path '*/dist-packages/taverlune*.so')
if [ -n "$module" ]; then
  python=$(sed -n 's/^Python3_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt")
  [ -f "$(dirname "$module")/taverlune.pyi" ] || echec "no type stubs beside $module"
  PYTHONPATH=$(dirname "$module") "$python" -c "import taverlune, sys; assert taverlune.__file__ == sys.argv[1]" \
    "$module" || echec "import taverlune from $module"
  PYTHONPATH=$(dirname "$module") "$python" -m pytest -q -p no:cacheprovider "$ici/../python" ||
    echec "the Python tests on the installed module"
fi
echo "installed, moved and used: C++ through find_package and pkg-config${module:+, Python}"
