#!/usr/bin/env bash
# Times the formula converters and blif-join on a seeded random formula of
# 10^6 clauses (QDIMACS and 'qube' formula section), each beside
# `LC_ALL=C wc -w` on the same input.
# Usage: bench/converters.sh [CLAUSES]   (builds into build-bench/)
set -euo pipefail
cd "$(dirname "$0")/.."
clauses=${1:-1000000}
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build-bench -j "$(nproc)" > /dev/null
bin=$PWD/build-bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# 3000 variables in four alternating blocks, clauses of 3 literals.
awk -v m="$clauses" 'BEGIN {
  srand(20261207); n = 3000
  printf "p cnf %d %d\n", n, m
  for (b = 0; b < 4; b++) {
    printf "%s", (b % 2 ? "a" : "e")
    for (v = b * 750 + 1; v <= (b + 1) * 750; v++) printf " %d", v
    printf " 0\n"
  }
  for (i = 0; i < m; i++) {
    for (k = 0; k < 3; k++) printf "%d ", (rand() < 0.5 ? -1 : 1) * (1 + int(rand() * n))
    printf "0\n"
  }
}' > f.qdimacs
{ echo "QUBE trace header 3001 $clauses"; echo "[BEGIN formula ]"; echo "[FORMULA 3001 $clauses"
  sed -n '2,5p' f.qdimacs; echo "0 0"; tail -n +6 f.qdimacs; echo "]"; echo "[END"; } > f.qube.txt
seconds() {
  local t0 t1
  t0=$(date +%s.%N)
  "$@" > /dev/null
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }'
}
row() { # label input command...
  local label=$1 input=$2; shift 2
  local wc t size
  wc=$(seconds env LC_ALL=C wc -w "$input")
  t=$(seconds "$@")
  size=$(stat -c %s "$input")
  awk -v l="$label" -v s="$size" -v t="$t" -v w="$wc" 'BEGIN {
    printf "%-22s %8.1f MB %8.2f s %8.1f MB/s %8.2f s %6.2fx\n", l, s / 1e6, t, s / 1e6 / t, w, t / w }'
}
printf "%-22s %11s %10s %13s %10s %7s\n" program input time speed "wc -w" ratio
row qdimacs-cnf-true f.qdimacs "$bin/qdimacs-cnf-true" f.qdimacs
row qdimacs-cnf-false f.qdimacs "$bin/qdimacs-cnf-false" f.qdimacs
row tracecnf-true f.qube.txt "$bin/tracecnf-true" f.qube.txt
row tracecnf-false f.qube.txt "$bin/tracecnf-false" f.qube.txt
cp f.blif g.blif
row blif-join f.blif "$bin/blif-join" f.blif g.blif joined.blif
