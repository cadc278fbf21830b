#!/usr/bin/env bash
# A table split into uneven pieces run by GNU parallel, the pieces joined in
# order, against the table of one process: the same bytes.
set -euo pipefail
programme=$1
command -v parallel >/dev/null || { echo "GNU parallel is not installed: skipped"; exit 77; }
dossier=$(mktemp -d)
trap 'rm -rf "$dossier"' EXIT
"$programme" --table 1 20000 >"$dossier/entiere"
printf '%s\n' "1 777" "778 5000" "5001 5003" "5004 19999" "20000 20000" |
  parallel --will-cite --keep-order --colsep ' ' "$programme" --table {1} {2} >"$dossier/jointe"
# The same pieces to files of their own, joined afterwards without their '#' lines.
printf '%s\n' "1 777" "778 5000" "5001 5003" "5004 19999" "20000 20000" |
  parallel --will-cite --colsep ' ' "$programme" --table {1} {2} -o "$dossier/piece.{1}"
for debut in 1 778 5001 5004 20000; do tail -n +2 "$dossier/piece.$debut"; done >"$dossier/fichiers"
cmp "$dossier/entiere" "$dossier/jointe"
cmp "$dossier/entiere" "$dossier/fichiers"
echo "the joined pieces equal the whole table ($(wc -l <"$dossier/entiere") lines)"
