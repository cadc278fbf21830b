#!/usr/bin/env bash
# Cross-built for aarch64 and run by qemu-user (portable kernels, a * b + c fused by -ffp-contract=fast, 113-bit
# long double), the program must end with the native status and print the same bytes. The method beside a count
# is what a trace of engine.cpp's choice (compter_sans_lister), added to a copy of the sources, printed in both.
set -euo pipefail
cd "$(dirname "$0")/.."
for outil in aarch64-linux-gnu-g++ qemu-aarch64; do  # a missing tool: this step fails in CI, else skips
  command -v $outil >/dev/null || { echo "no $outil (g++-aarch64-linux-gnu, qemu-user)"; [ "${CI:-}" != true ]; exit; }
done
cmake -S . -B build-aarch64 -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
  -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ >/dev/null
cmake --build build-aarch64 -j2 --target taverlune
[ "$(od -An -tu2 -j18 -N2 build-aarch64/taverlune | tr -d ' ')" = 183 ]; croise=$SECONDS  # ELF for EM_AARCH64
cmake -S . -B build >/dev/null; cmake --build build -j2 --target taverlune; natif=$SECONDS  # as the tests left it
tmp=$(mktemp -d) commandes=0 ecarts=0; trap 'rm -rf "$tmp"' EXIT
# c STATUS ANSWERS [ARG...]: natively, then under qemu, with ANSWERS piped in (from a file the dialogue would drop
# what it read ahead), ulimit -v $LIMITES (NATIVE/QEMU KiB) if set: both end with STATUS and print the same bytes.
c() {
  local attendu=$1 limites=${LIMITES:-} reponses=${2:+$2\\n} s=() cote; shift 2; commandes=$((commandes + 1))
  for cote in n q; do
    local p=(build/taverlune) l=${limites%/*}
    [ $cote = n ] || p=(qemu-aarch64 -L /usr/aarch64-linux-gnu build-aarch64/taverlune) l=${limites#*/}
    s+=(0) && printf "$reponses" | ([ -z "$l" ] || ulimit -v "$l"; exec "${p[@]}" "$@") >"$tmp/$cote" \
      2>"$tmp/$cote.err" || s[-1]=${PIPESTATUS[1]}
  done
  local verdict="same${limites:+ under ulimit -v $limites}"
  [ "${s[*]}" = "$attendu $attendu" ] && [ -s "$tmp/n" ] && cmp "$tmp/n" "$tmp/q" ||
    { verdict="DIFFERS (status ${s[*]})" ecarts=$((ecarts + 1)) && tail -n 2 "$tmp"/*.err; }
  echo "$verdict: ${reponses:+printf '$reponses' | }taverlune${*:+ $*} (status $attendu, $(wc -c <"$tmp/n") bytes)"
}
c 1 '28800 0 0 0'                                # the table by (sum, number of terms), 71 divisors
c 0 '' -d 8976124847866176000 --target 2000      # the split along a prime power (11) by number of terms
c 1 '9223372036854775740 0 1 6148914691236517167 0'  # the same along p of 60 p, p near 2^57
# It sums products of residues (< 2^15) in doubles, with FMA on x86-64, fused on aarch64: at most 2^22 products
# below 2^30 between reductions keep each value an integer below 2^53, so each step is exact.
c 1 '55440 0 0 0'                                # the split at values of y (along 11): counts_at_points' sweeps
c 0 '' 360360                                    # the table over the sums alone: the total, no -d
c 1 '3782547479018668290 0 0 0'                  # remembered remainders: 210 p q r, p, q, r near 2^18
# Counts at values of y (the table by terms would need 66 MB, these 2): qemu-user's own 245 MB leave both 44 MB.
LIMITES=60000/300000 c 1 '3782547479018668290 0 1 6592558629746252990 0'
c 0 '' 9223372036854775740 --target 6148914691236517167 --print  # pruned by groups whose sums never carry
c 1 '720 1 0 0'                                  # 61.7 MB, lines copied by 32 bytes (AVX on x86-64)
c 0 '' --table 1 4000 --target-offset -7 --records  # n by n: the sums alone, the table, the split either way
# The divisor-sum family: sieved pieces and the decisions (a search, past its budget the split along a prime
# power: 2549700...), n factorised alone near 2^63, the practical numbers built, f(n) and a(n) of one N.
c 0 '' --list weird 1 1e5
c 0 '' --list zumkeller 2500000 2560000 --count
c 0 '' --list primitive-semiperfect 1 1e5 -t 2
c 0 '' --list weird 9223372036854000000 9223372036854010000
c 0 '' --list practical 1 1e10 --count
c 0 '' --classify 70 5040 9223372036854775807
c 0 '' --table 1 3000 --sequence A083206 --records
c 1 '9223371873002223329 0 0 0'                  # factorisation: p q, the two largest primes below 2^31.5
c 1 '9223372000041359197 0 0 0'                  # p q, p near 2^31, q near 2^32: elliptic curves
c 1 '9223372036854775783 0 0 0'                  # the largest prime below 2^63
echo "aarch64: $commandes commands, $ecarts differ; cross build ${croise}s, runs $((SECONDS - natif))s; ${SECONDS}s all"
[ $ecarts = 0 ]
