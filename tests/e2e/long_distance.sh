#!/usr/bin/env bash
# Long-distance proofs end to end. For every formula (the instances, then
# COUNT seeded random ones: plain ones and ladder formulas, on which DepQBF
# merges literals), DepQBF solves it with --long-dist-res and writes its
# trace, text and binary; cerox replays each straight (no qrp-trim) with
# -alter 0 to 3, and every certificate must be proved by ABC (converter,
# blif-join) and by cerox-check; with -p 1 the partial certificate built into
# the formula must keep DepQBF's answer. Prints how many formulas had
# merged literals.
# Usage: long_distance.sh BIN_DIR INSTANCES_DIR [COUNT [MAX_TRACE_MB]]
set -u
# Absolute: the runs work in directories of their own.
bin=$(cd "$1" && pwd) || exit 2
instances=$2
[ -z "$instances" ] || instances=$(cd "$instances" && pwd)
count=${3:-20}
max_mb=${4:-30}
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
formulas=0
merging=0
fail() {
  failed=$((failed + 1))
  echo "FAIL $origin: $1"
  echo "     reproduce: $2"
}
solve() { depqbf --long-dist-res --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$@"; }

certify() { # path origin
  origin=$2
  local dir answer status mode
  dir=$(mktemp -d "$work/f.XXXX")
  cp "$1" "$dir/f.qdimacs"
  cd "$dir" || return
  solve --trace f.qdimacs > f.qrp 2> /dev/null
  status=$?
  case $status in 10) answer=true mode=4 ;; 20) answer=false mode=3 ;; *) cd "$work"; return ;; esac
  if [ "$(stat -c %s f.qrp)" -gt $((max_mb * 1000000)) ]; then cd "$work"; rm -rf "$dir"; return; fi
  solve --trace=bqrp f.qdimacs > f.bqrp 2> /dev/null
  formulas=$((formulas + 1))
  "$bin/qdimacs-cnf-$answer" f.qdimacs > /dev/null
  local merged=0
  for trace in f.qrp f.bqrp; do
    for alter in 0 1 2 3; do
      local suffix="" repro="$origin; cerox -m $mode -alter $alter $trace"
      [ $alter != 0 ] && suffix=_am$alter
      if ! "$bin/cerox" -m $mode -alter $alter $trace > cerox.out; then
        fail "cerox: $(grep -m1 ERROR cerox.out)" "$repro"; continue
      fi
      grep -q WARNING cerox.out && merged=1
      if ! "$bin/blif-join" f.blif "$trace$suffix.blif" joined.blif > /dev/null ||
        ! berkeley-abc -c "read_blif joined.blif; strash; sat" 2>&1 | grep -q '^UNSATISFIABLE'; then
        fail "ABC did not prove the certificate" "$repro"
      elif ! "$bin/cerox-check" f.qdimacs "$trace$suffix.blif" --$answer > check.out; then
        fail "cerox-check: $(tail -n 1 check.out)" "$repro"
      else
        passed=$((passed + 1))
      fi
    done
  done
  local got
  got=$("$bin/cerox" -m $mode -p 1 f.qrp > cerox.out &&
    "$bin/tests/cert_check" substitute f.qdimacs f.qrp.blif sub.qdimacs &&
    { depqbf sub.qdimacs > /dev/null 2>&1; echo $?; })
  if [ "$got" = "$status" ]; then
    passed=$((passed + 1))
  else
    fail "partial certificate (-p 1) changes the answer (DepQBF: ${got:-none})" "$origin; cerox -m $mode -p 1 f.qrp"
  fi
  merging=$((merging + merged))
  cd "$work" || return
  rm -rf "$dir"
}

if [ -n "$instances" ]; then
  for f in "$instances"/*.qdimacs; do certify "$f" "instance $(basename "$f")"; done
fi
for seed in $(seq 1 "$count"); do
  "$bin/tests/gen_qbf" "$seed" > "$work/random.qdimacs"
  certify "$work/random.qdimacs" "seed $seed (tests/gen_qbf $seed)"
  "$bin/tests/gen_qbf" "$seed" 0 ld > "$work/random.qdimacs"
  certify "$work/random.qdimacs" "ladder seed $seed (tests/gen_qbf $seed 0 ld)"
done
echo "formulas: $formulas, $merging with merged literals"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$merging" -gt 0 ]
