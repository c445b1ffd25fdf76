#!/usr/bin/env bash
# Writes seed inputs for the fuzz targets into DIR/<target>/, made from the
# test inputs (golden cases and examples) with the targets' option bytes.
# Usage: make_seeds.sh DIR
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
dir=$1
mkdir -p "$dir"/{fuzz_formula,fuzz_cerox,fuzz_converters,fuzz_blif_join,fuzz_trace,fuzz_check}
n=0
seed() { # target bytes file...
  local target=$1 bytes=$2
  shift 2
  n=$((n + 1))
  { printf "$bytes"; cat "$@"; } > "$dir/$target/seed-$n"
}
for f in "$root"/tests/golden/*/*.qdimacs "$root"/tests/e2e/inputs/*.qdimacs; do
  [ -f "$f" ] || continue
  seed fuzz_formula '\000\000' "$f"
  seed fuzz_converters '\000' "$f"
  seed fuzz_converters '\001' "$f"
  if [ -f "$f.qbc" ]; then
    { printf '\000\001\000\000'; cat "$f"; printf '\000'; cat "$f.qbc"; } > "$dir/fuzz_cerox/seed-qbc-$n"
  fi
done
for f in "$root"/tests/golden/*/*.qube.txt "$root"/tests/e2e/inputs/*.qube.txt; do
  [ -f "$f" ] || continue
  seed fuzz_formula '\001\000' "$f"
  seed fuzz_cerox '\001\001\000\000' "$f"
  seed fuzz_cerox '\002\002\001\000' "$f"
  seed fuzz_converters '\002' "$f"
  seed fuzz_converters '\003' "$f"
done
for f in "$root"/tests/golden/*/*.qrp "$root"/tests/e2e/inputs/*.qrp "$root"/tests/e2e/inputs/*.bqrp; do
  [ -f "$f" ] || continue
  seed fuzz_formula '\003\000' "$f"
  seed fuzz_cerox '\003\001\000\000' "$f"
  seed fuzz_cerox '\004\003\001\002' "$f"
  seed fuzz_cerox '\003\000\002\000' "$f"
  seed fuzz_trace '' "$f"
  # Compressed: small inputs, so that mutations reach the decoders.
  for pack in "gzip -c" "xz -c" "zstd -qc"; do
    { printf '\003\000\000\000'; $pack < "$f"; } > "$dir/fuzz_cerox/seed-$((n += 1))"
    $pack < "$f" > "$dir/fuzz_trace/seed-$((n += 1))"
  done
done
for d in "$root"/tests/golden/blif-join-*; do
  [ -f "$d/f.blif" ] && [ -f "$d/c.blif" ] || continue
  { cat "$d/f.blif"; printf '\000'; cat "$d/c.blif"; } > "$dir/fuzz_blif_join/seed-$((n += 1))"
done
for d in "$root"/tests/golden/cerox-qrp-*/expected/files; do
  for c in "$d"/*.blif; do
    [ -f "$c" ] || continue
    { cat "$root/tests/golden/qdimacs-cnf-3/expected/files/f.blif"; printf '\000'; cat "$c"; } \
      > "$dir/fuzz_blif_join/seed-$((n += 1))"
  done
done
# Long-distance proofs: a clause proof that merges (mode 3, -alter 1) and
# its dual cube proof (mode 4).
printf '\003\001\000\000p qrp 4 4\ne 1 2 0\na 3 0\ne 4 0\n1 2 3 4 0 0\n2 -2 -3 4 0 0\n3 1 -4 0 0\n4 -1 3 0 0\n5 3 -3 4 0 1 2 0\n6 1 3 -3 0 5 3 0\n7 1 0 6 0\n8 -1 0 4 0\n9 0 7 8 0\nr UNSAT\n' \
  > "$dir/fuzz_cerox/seed-$((n += 1))"
printf '\004\000\000\000p qrp 4 0\na 1 2 0\ne 3 0\na 4 0\n1 -2 -3 -4 0 0\n2 2 3 -4 0 0\n3 -1 4 0 0\n4 1 -3 0 0\n5 3 -3 -4 0 2 1 0\n6 -1 0 5 3 0\n7 1 0 4 0\n8 0 6 7 0\nr SAT\n' \
  > "$dir/fuzz_cerox/seed-$((n += 1))"
# Certificates over the fuzz_check formula (E1 A2 E3 A4 E5, variable 6
# free): models (byte 0 even) and countermodels, right and wrong ones.
check_seed() { printf "$1" > "$dir/fuzz_check/seed-$((n += 1))"; }
check_seed '\000.model m\n.inputs 2 4\n.outputs 1 3 5 6\n.names 1\n1\n.names 2 3\n0 1\n.names 2 4 5\n11 1\n.names 6\n0\n.end\n'
check_seed '\000.model m\n.outputs 1 3 5 6\n.names 1\n0\n.names 2 x\n1- 1\n-1 1\n.names x 3\n0 0\n.names 3 4 5\n1- 1\n.names 6\n.end\n'
check_seed '\001.model m\n.inputs 1 3\n.outputs 2 4\n.names 1 2\n0 1\n.names 1 3 4\n10 1\n01 1\n.end\n'
check_seed '\001.model m\n.outputs 2 4\n.names 1 c0\n1 1\n.names c0 2\n1 0\n.names 3 2 4\n1- 1\n.end\n'
echo "seeds: $(find "$dir" -type f | wc -l)"
