#!/usr/bin/env bash
# Benchmarks: builds in Release (build-bench/), makes large inputs
# reproducibly, and times every program beside `LC_ALL=C wc -w` on the same
# input, printing medians of REPS runs:
#   input size, lines, seconds, MB/s, ratio to wc -w, peak resident memory,
#   and its ratio to the input size.
# Inputs: DepQBF's proofs of the instances marked `large` in the shared
# instance folder (trimmed with qrp-trim; skipped when the folder is absent),
# synthetic proofs of STEPS steps in every dialect (bench/gen_proof.cpp;
# 1100000 steps give a 'qrp' proof of about 200 MB) and one of 10^5 recorded
# steps for -alter 1 against -alter 0, a 10^6-clause formula
# for the converters and blif-join.
# Then the proof inputs (raw, binary, compressed traces), each measured
# against what it replaces: medians of both, taken in turns, their ratio and
# the target ratio.
# Usage: bench/bench.sh [STEPS [REPS [SECTIONS]]]   SECTIONS: a comma list of
# real, big, synthetic, converters, check, order, inputs (default: all of them)
set -euo pipefail
cd "$(dirname "$0")/.."
steps=${1:-1100000}
reps=${2:-3}
sections=${3:-real,big,synthetic,converters,check,order,inputs}
on() { [[ ",$sections," == *",$1,"* ]]; }
. scripts/need_packages.sh
need_packages cmake:cmake g++:g++ /usr/bin/time:time depqbf:depqbf zstd:zstd
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build build-bench -j "$(nproc)" > /dev/null
cmake --build build-bench --target gen_proof order_bench > /dev/null
bin=$PWD/build-bench
shared=$PWD/../shared/instances
# In memory when there is room: this machine keeps little of the page cache,
# and a run that reads its input from disk measures the disk.
if [ "$(df --output=avail -k /dev/shm 2> /dev/null | tail -n 1)" -gt 8000000 ] 2> /dev/null; then
  work=$(mktemp -d -p /dev/shm)
else
  work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT
cd "$work"

# One run: prints "seconds peak_kb" (wall time to the millisecond).
run_once() {
  local t0 t1
  # Dirty pages of the last outputs are written back first, not during the
  # run.
  sync
  t0=$(date +%s%N)
  /usr/bin/time -f "%M" -o t.out "$@" > /dev/null 2>&1 || true
  t1=$(date +%s%N)
  echo "$(((t1 - t0) / 1000000)) $(tail -n 1 t.out)" | awk '{ printf "%.3f %d\n", $1 / 1000, $2 }'
}
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
# One row: REPS runs of `wc -w` and of the program taken in turns, so that
# both meet the same load on the machine; the medians of each.
row() { # label input command...
  local label=$1 input=$2
  shift 2
  local wcs=() runs=() wc t size lines
  for _ in $(seq "$reps"); do
    wcs+=("$(run_once env LC_ALL=C wc -w "$input")")
    runs+=("$(run_once "$@")")
  done
  wc=$(median "${wcs[@]}")
  t=$(median "${runs[@]}")
  size=$(stat -c %s "$input")
  lines=$(wc -l < "$input")
  awk -v l="$label" -v s="$size" -v n="$lines" -v t="${t% *}" -v m="${t#* }" -v w="${wc% *}" 'BEGIN {
    if (t <= 0) t = 0.001; if (w <= 0) w = 0.001
    printf "%-44s %9.1f %10d %8.3f %8.1f %7.2f %9.1f %6.2f\n", l, s / 1e6, n, t, s / 1e6 / t, t / w, m / 1e3, m * 1e3 / s }'
}
printf "%-44s %9s %10s %8s %8s %7s %9s %6s\n" "program and input" "size MB" lines seconds "MB/s" "x wc-w" "peak MB" "x size"

# Real proofs.
on real && for inst in incrementer-enc06-nonuniform-depth-33.qdimacs.gz hein_14_5x5-07.pg.qdimacs \
  lights3_021_0_009.qdimacs; do
  [ -f "$shared/$inst" ] || { echo "($inst not found in $shared: skipped)"; continue; }
  name=${inst%%[-.]*}
  if [[ $inst == *.gz ]]; then gzip -dc "$shared/$inst" > "$name.qdimacs"; else cp "$shared/$inst" "$name.qdimacs"; fi
  set +e
  depqbf --trace --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$name.qdimacs" > "$name.raw.qrp"
  answer=$?
  set -e
  mode=$([ $answer = 10 ] && echo 4 || echo 3)
  row "qrp-trim $name" "$name.raw.qrp" "$bin/qrp-trim" "$name.raw.qrp" "$name.qrp"
  row "cerox -m $mode $name" "$name.qrp" "$bin/cerox" -m $mode "$name.qrp"
  row "cerox -m $mode -alter 1 $name" "$name.qrp" "$bin/cerox" -m $mode -alter 1 "$name.qrp"
  rm -f "$name".*
done

# The largest class of published proofs: synthetic cores of about 1.7 GB
# shaped like DepQBF's (gen_proof core-false / core-true: long clauses,
# most lines derived, reductions throughout).
if on big; then
  "$bin/gen_proof" core-false 1200000 300 1 .
  row "cerox -m 3 (1.7 GB core)" cf.qrp "$bin/cerox" -m 3 cf.qrp
  row "cerox -m 3 -alter 1 (1.7 GB core)" cf.qrp "$bin/cerox" -m 3 -alter 1 cf.qrp
  rm -f cf.qrp*
  "$bin/gen_proof" core-true 1200000 300 1 .
  row "cerox -m 4 (1.7 GB core)" ct.qrp "$bin/cerox" -m 4 ct.qrp
  row "cerox -m 4 -alter 1 (1.7 GB core)" ct.qrp "$bin/cerox" -m 4 -alter 1 ct.qrp
  rm -f ct.qrp*
fi

# Synthetic proofs.
if on synthetic; then
"$bin/gen_proof" false "$steps" 8 1 . 
"$bin/gen_proof" true "$steps" 8 1 .
cat f.qdimacs f.qdimacs.qbc > f.both  # mode 0 reads both files
for run in "0 f.both f.qdimacs" "1 f.qube.txt f.qube.txt" "3 f.qrp f.qrp" "2 t.qube.txt t.qube.txt" "4 t.qrp t.qrp"; do
  read -r mode measured file <<< "$run"
  row "cerox -m $mode" "$measured" "$bin/cerox" -m "$mode" "$file"
  # In the 'qube' true proof every recorded step is ready from the start
  # (no step has a predecessor), so each sign change of -alter reprices a
  # large share of the ready steps: the slowest row of the table.
  row "cerox -m $mode -alter 1" "$measured" "$bin/cerox" -m "$mode" -alter 1 "$file"
  row "cerox -m $mode -rfao" "$measured" "$bin/cerox" -m "$mode" -rfao "$file"
done
rm -f f.q* f.both t.q*
# -alter 1 beside -alter 0 on a proof of 10^5 recorded steps.
mkdir -p small
"$bin/gen_proof" false 100000 8 1 small
row "cerox -m 3 (10^5 steps)" small/f.qrp "$bin/cerox" -m 3 small/f.qrp
row "cerox -m 3 -alter 1 (10^5 steps)" small/f.qrp "$bin/cerox" -m 3 -alter 1 small/f.qrp
rm -rf small
fi

# Converters and blif-join on 10^6 clauses.
if on converters; then
awk 'BEGIN {
  srand(20261207); n = 3000; m = 1000000
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
}' > c.qdimacs
{ echo "QUBE trace header 3001 1000000"; echo "[BEGIN formula ]"; echo "[FORMULA 3001 1000000"
  sed -n '2,5p' c.qdimacs; echo "0 0"; tail -n +6 c.qdimacs; echo "]"; echo "[END"; } > c.qube.txt
row "qdimacs-cnf-true" c.qdimacs "$bin/qdimacs-cnf-true" c.qdimacs
row "qdimacs-cnf-false" c.qdimacs "$bin/qdimacs-cnf-false" c.qdimacs
row "tracecnf-true" c.qube.txt "$bin/tracecnf-true" c.qube.txt
row "tracecnf-false" c.qube.txt "$bin/tracecnf-false" c.qube.txt
cp c.blif d.blif
row "blif-join" c.blif "$bin/blif-join" c.blif d.blif joined.blif
rm -f c.* d.blif joined.blif
fi

# The check of a model by CaDiCaL: 10^6 clauses y_i <-> x_(i mod 40) over 40
# universal variables (too many to simulate), each function one input.
if on check; then
  awk 'BEGIN { u = 40; n = 500000; printf "p cnf %d %d\na", u + n, 2 * n
    for (i = 1; i <= u; i++) printf " %d", i
    printf " 0\ne"; for (i = 1; i <= n; i++) printf " %d", u + i
    print " 0"; for (i = 1; i <= n; i++) printf "%d -%d 0\n-%d %d 0\n", u + i, i % u + 1, u + i, i % u + 1 }' > m.qdimacs
  awk 'BEGIN { printf ".model m\n.outputs"; for (i = 41; i <= 500040; i++) printf " %d", i
    print ""; for (i = 1; i <= 500000; i++) printf ".names %d %d\n1 1\n", i % 40 + 1, 40 + i
    print ".end" }' > m.blif
  row "cerox-check --engine sat (true, 10^6 clauses)" m.qdimacs "$bin/cerox-check" --engine sat m.qdimacs m.blif --true
  rm -f m.qdimacs m.blif
fi

if on order; then
  echo
  echo "step ordering (alter 0 and 1, and the round-by-round procedure):"
  "$bin/order_bench"
fi

# Proof inputs: each program against what it replaces.
on inputs || exit 0
echo
printf "%-52s %9s %9s %7s %7s\n" "proof input: program against baseline" "seconds" "baseline" ratio target
# pair LABEL TARGET "COMMAND" "BASELINE": REPS runs of each in turns; medians.
pair() {
  local label=$1 target=$2 a=() b=()
  for _ in $(seq "$reps"); do
    a+=("$(run_once bash -c "$3")")
    b+=("$(run_once bash -c "$4")")
  done
  local ta tb
  ta=$(median "${a[@]}")
  tb=$(median "${b[@]}")
  awk -v l="$label" -v a="${ta% *}" -v b="${tb% *}" -v t="$target" 'BEGIN {
    if (b <= 0) b = 0.001
    printf "%-52s %9.3f %9.3f %7.2f %7s\n", l, a, b, a / b, t }'
}
# proof_inputs NAME MODE: NAME.raw.qrp and NAME.raw.bqrp are DepQBF's traces
# of one run.
proof_inputs() {
  local name=$1 mode=$2
  "$bin/qrp-trim" "$name.raw.qrp" "$name.qrp" > /dev/null
  "$bin/qrp-trim" "$name.raw.bqrp" "$name.bqrp" > /dev/null
  gzip -c "$name.qrp" > "$name.gz.qrp.gz"
  cp "$name.qrp" "$name.gz.qrp"
  pair "$name: core, without -core / with -core" "1.30" \
    "$bin/cerox -m $mode $name.qrp" "$bin/cerox -m $mode -core $name.qrp"
  pair "$name: raw trace / qrp-trim + cerox -core" "1.10" \
    "$bin/cerox -m $mode $name.raw.qrp" "$bin/qrp-trim $name.raw.qrp trimmed.qrp && $bin/cerox -m $mode -core trimmed.qrp"
  pair "$name: binary core / text core (-core)" "0.60" \
    "$bin/cerox -m $mode -core $name.bqrp" "$bin/cerox -m $mode -core $name.qrp"
  pair "$name: gzip'ed core / gzip -dc + plain core" "1.00" \
    "$bin/cerox -m $mode -core $name.gz.qrp.gz" \
    "gzip -dc $name.gz.qrp.gz > /dev/null && $bin/cerox -m $mode -core $name.gz.qrp"
  rm -f "$name".* trimmed.qrp*
}
for inst in hein_14_5x5-07.pg.qdimacs lights3_021_0_009.qdimacs; do
  [ -f "$shared/$inst" ] || { echo "($inst not found in $shared: skipped)"; continue; }
  name=${inst%%[-_.]*}
  cp "$shared/$inst" "$name.qdimacs"
  set +e
  depqbf --trace --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$name.qdimacs" > "$name.raw.qrp"
  answer=$?
  depqbf --trace=bqrp --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$name.qdimacs" > "$name.raw.bqrp"
  set -e
  proof_inputs "$name" "$([ $answer = 10 ] && echo 4 || echo 3)"
done
# Synthetic: the proof is all core; its binary form comes from qrp-trim.
"$bin/gen_proof" false "$steps" 8 1 .
"$bin/gen_proof" true "$steps" 8 1 .
for run in "3 f" "4 t"; do
  read -r mode base <<< "$run"
  mv "$base.qrp" "synthetic-$base.raw.qrp"
  "$bin/qrp-trim" --binary "synthetic-$base.raw.qrp" "synthetic-$base.raw.bqrp" > /dev/null
  proof_inputs "synthetic-$base" "$mode"
done
rm -f f.* t.*
