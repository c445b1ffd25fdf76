#!/usr/bin/env bash
# cerox-check against ABC on the same certificates. For every formula given
# (QDIMACS, plain or gzip'ed): DepQBF's trace, qrp-trim, cerox -m 3/-m 4,
# then cerox-check (engine auto) and cerox-check --engine abc (the formula
# converter, blif-join and ABC's sat, as cerox-certify did before), each
# timed with its peak memory. Prints one row per formula: the certificate's
# size, each engine's seconds and peak MB, the check's memory against the
# certificate's size, both verdicts and whether they agree.
# Usage: bench/check_bench.sh FORMULA...   (e.g. ../shared/instances/*.qdimacs*)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/need_packages.sh
need_packages cmake:cmake g++:g++ /usr/bin/time:time depqbf:depqbf berkeley-abc:berkeley-abc
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build build-bench -j "$(nproc)" > /dev/null
bin=$PWD/build-bench
if [ "$(df --output=avail -k /dev/shm 2> /dev/null | tail -n 1)" -gt 8000000 ] 2> /dev/null; then
  work=$(mktemp -d -p /dev/shm)
else
  work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT
# One run: "seconds peak_MB verdict" of a cerox-check command.
timed() {
  local t0 t1
  sync
  t0=$(date +%s%N)
  /usr/bin/time -f "%M" -o "$work/t.out" "$@" > "$work/check.out" 2>&1 || true
  t1=$(date +%s%N)
  echo "$(((t1 - t0) / 1000000)) $(tail -n 1 "$work/t.out") $(tail -n 1 "$work/check.out" | cut -d: -f1)" |
    awk '{ printf "%.2f %.1f %s\n", $1 / 1000, $2 / 1000, $3 }'
}
printf "%-32s %6s %8s %7s %7s %6s %8s %7s %9s %9s %5s\n" formula answer "cert MB" "check s" "peak MB" \
  "x cert" "abc s" "abc MB" check abc agree
for formula in "$@"; do
  name=$(basename "$formula")
  name=${name%.gz}
  name=${name%.qdimacs}
  if [[ "$formula" == *.gz ]]; then gzip -dc "$formula" > "$work/f.qdimacs"; else cp "$formula" "$work/f.qdimacs"; fi
  set +e
  depqbf --trace --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$work/f.qdimacs" > "$work/raw.qrp" 2> /dev/null
  status=$?
  set -e
  case $status in 10) answer=true mode=4 ;; 20) answer=false mode=3 ;; *) echo "$name: no answer"; continue ;; esac
  "$bin/qrp-trim" "$work/raw.qrp" "$work/f.qrp" > /dev/null
  rm -f "$work/raw.qrp"
  "$bin/cerox" -m $mode "$work/f.qrp" > /dev/null
  rm -f "$work/f.qrp"
  cert="$work/f.qrp.blif"
  size=$(stat -c %s "$cert")
  read -r cs cm cv <<< "$(timed "$bin/cerox-check" "$work/f.qdimacs" "$cert" --$answer)"
  read -r as am av <<< "$(timed "$bin/cerox-check" --engine abc "$work/f.qdimacs" "$cert" --$answer)"
  awk -v n="$name" -v a="$answer" -v z="$size" -v cs="$cs" -v cm="$cm" -v as="$as" -v am="$am" \
    -v cv="$cv" -v av="$av" 'BEGIN {
    printf "%-32s %6s %8.1f %7.2f %7.1f %6.2f %8.2f %7.1f %9s %9s %5s\n", n, a, z / 1e6, cs, cm,
      cm * 1e6 / z, as, am, cv, av, (cv == av ? "yes" : "NO") }'
  rm -f "$cert"
done
