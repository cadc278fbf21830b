#!/usr/bin/env bash
# A table split into uneven pieces run by GNU parallel, the pieces joined in
# order, against the table PARI/GP counts: the same bytes.
set -euo pipefail
programme=$1
for outil in parallel gp; do
  command -v $outil >/dev/null || { echo "$outil is not installed: skipped"; exit 77; }
done
dossier=$(mktemp -d)
trap 'rm -rf "$dossier"' EXIT
# a(n): the coefficient of x^n in the product of the 1 + x^d, d | n, d < n.
gp -q >"$dossier/gp" <<'GP'
a(n) = {my(d = divisors(n), p = 1 + O(x^(n + 1))); for (i = 1, #d - 1, p *= 1 + x^d[i]); polcoef(p, n)};
for (n = 1, 3000, print(n, " ", a(n)));
GP
pieces="1 77
78 500
501 503
504 2999
3000 3000"
printf '%s\n' "$pieces" | parallel --will-cite --keep-order --colsep ' ' "$programme" --table {1} {2} >"$dossier/jointe"
# The same pieces to files of their own, joined afterwards without their '#' lines.
printf '%s\n' "$pieces" | parallel --will-cite --colsep ' ' "$programme" --table {1} {2} -o "$dossier/piece.{1}"
for debut in $(printf '%s\n' "$pieces" | cut -d' ' -f1); do tail -n +2 "$dossier/piece.$debut"; done >"$dossier/fichiers"
cmp "$dossier/gp" "$dossier/jointe"
cmp "$dossier/gp" "$dossier/fichiers"
echo "the joined pieces equal PARI/GP's table ($(wc -l <"$dossier/gp") lines)"
