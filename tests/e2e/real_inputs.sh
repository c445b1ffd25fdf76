#!/usr/bin/env bash
# The proofs solvers really write, straight into cerox (no qrp-trim, no
# -core), each certificate proved by ABC through the whole chain (converter,
# blif-join, ABC) and by cerox-check. For every formula: DepQBF's raw text trace, its binary
# trace (--trace=bqrp), the raw trace and the formula gzip'ed, and a variant
# of the formula with free variables (its first prefix line removed). Then
# COUNT seeded random formulas with free variables.
# Usage: real_inputs.sh BIN_DIR INSTANCES_DIR [COUNT [MAX_TRACE_MB]]
set -u
# Absolute: the runs work in directories of their own.
bin=$(cd "$1" && pwd) || exit 2
instances=$(cd "$2" && pwd)
count=${3:-20}
max_mb=${4:-30}
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
skipped=0
declare -A per_variant

solve() { depqbf --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$@"; }

# chain NAME FORMULA TRACE ANSWER: cerox on the trace as it is, the
# converter on the formula, blif-join, ABC.
chain() {
  local variant=$1 formula=$2 trace=$3 answer=$4 mode=3 out=${3%.gz}
  [ "$answer" = true ] && mode=4
  rm -f "$out.blif" f.blif joined.blif
  if "$bin/cerox" -m $mode "$trace" > cerox.out &&
    "$bin/qdimacs-cnf-$answer" "$formula" > conv.out &&
    "$bin/blif-join" "${formula%%.qdimacs*}.blif" "$out.blif" joined.blif > join.out &&
    berkeley-abc -c "read_blif joined.blif; strash; sat" 2>&1 | grep -q '^UNSATISFIABLE' &&
    "$bin/cerox-check" "$formula" "$out.blif" --$answer > check.out; then
    passed=$((passed + 1))
    per_variant[$variant]=$((${per_variant[$variant]:-0} + 1))
  else
    failed=$((failed + 1))
    echo "FAIL [$variant] $origin: $(grep -h -m1 -E 'ERROR|\.\.|INVALID|FAILURE' cerox.out conv.out join.out check.out 2> /dev/null)"
    echo "     reproduce: cerox -m $mode $trace (formula $formula)"
  fi
}

# certify ORIGIN FORMULA [free]: every variant of one formula.
certify() {
  origin=$1
  local src=$2 dir answer status
  dir=$(mktemp -d "$work/f.XXXX")
  cd "$dir" || return
  if [[ "$src" == *.gz ]]; then gzip -dc "$src" > f.qdimacs; else cp "$src" f.qdimacs; fi
  solve --trace f.qdimacs > raw.qrp 2> /dev/null
  status=$?
  case $status in 10) answer=true ;; 20) answer=false ;;
    *) skipped=$((skipped + 1)); cd "$work"; rm -rf "$dir"; return ;; esac
  if [ "$(stat -c %s raw.qrp)" -gt $((max_mb * 1000000)) ]; then
    skipped=$((skipped + 1)); cd "$work"; rm -rf "$dir"; return
  fi
  chain "${3:-raw}" f.qdimacs raw.qrp $answer
  [ -n "${3:-}" ] && { cd "$work"; rm -rf "$dir"; return; }
  solve --trace=bqrp f.qdimacs > raw.bqrp 2> /dev/null
  chain binary f.qdimacs raw.bqrp $answer
  gzip -c raw.qrp > gz.qrp.gz
  gzip -c f.qdimacs > g.qdimacs.gz
  chain gzip g.qdimacs.gz gz.qrp.gz $answer
  # The first prefix line removed: its variables become free.
  awk '!done && /^[ae] / { done = 1; next } { print }' f.qdimacs > free.qdimacs
  cd "$work" || return
  certify "$origin, first prefix line removed" "$dir/free.qdimacs" free
  rm -rf "$dir"
}

for f in "$instances"/*.qdimacs "$instances"/*.qdimacs.gz; do
  [ -f "$f" ] && certify "$(basename "$f")" "$f"
done
for seed in $(seq 1 "$count"); do
  "$bin/tests/gen_qbf" "$seed" 0 free > "$work/random.qdimacs"
  certify "random free-variable formula (tests/gen_qbf $seed 0 free)" "$work/random.qdimacs" free
done

for v in raw binary gzip free; do echo "$v: ${per_variant[$v]:-0} proved"; done
echo "$passed passed, $failed failed, $skipped skipped (no answer, or a trace over $max_mb MB)"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
