#!/usr/bin/env bash
# Every dialect and option on real solver proofs. For each formula (the
# bundled instances, then COUNT seeded random ones from SEED on, and COUNT/5
# with free variables): DepQBF
# solves it, qrp-trim keeps the core, and the core is replayed in each dialect
# of the answer (false: 'qbc', 'qube', 'qrp'; true: 'qube', 'qrp'):
#   -alter 0..3   certificate joined with the formula network, ABC must
#                 prove the joined output unsatisfiable, and cerox-check
#                 must find the certificate valid;
#   -p 1, 2 (-1)  partial certificate built into the formula, DepQBF must
#                 give the formula's answer again;
#   -rfao         functions rebuilt from the text equal the BLIF ones.
# Usage: dialects.sh BIN_DIR INSTANCES_DIR COUNT [SEED]
set -u
# Absolute: the runs work in directories of their own.
bin=$(cd "$1" && pwd) || exit 2
instances=$2
[ -z "$instances" ] || instances=$(cd "$instances" && pwd)
count=$3
seed0=${4:-1}
tools=$bin/tests
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A pass fail
formulas=0
true_formulas=0
failures=0
record() { # key ok(0/1) message reproduce
  if [ "$2" = 0 ]; then
    pass[$1]=$((${pass[$1]:-0} + 1))
  else
    fail[$1]=$((${fail[$1]:-0} + 1))
    failures=$((failures + 1))
    echo "FAIL [$1] $3"
    echo "     reproduce: $4"
  fi
}
solve() { depqbf --trace --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$@"; }
abc_unsat() {
  berkeley-abc -c "read_blif $1; strash; sat" 2>&1 | grep -q '^UNSATISFIABLE'
}

certify_formula() { # path origin
  local src=$1 origin=$2 dir answer status
  dir=$(mktemp -d "$work/f.XXXX")
  cp "$src" "$dir/f.qdimacs"
  cd "$dir" || return
  solve f.qdimacs > raw.qrp 2> /dev/null
  status=$?
  case $status in 10) answer=true ;; 20) answer=false ;;
    *) record solve 1 "$origin: DepQBF exit $status" "$origin"; cd "$work"; return ;; esac
  "$bin/qrp-trim" raw.qrp f.qrp > /dev/null || { record trim 1 "$origin: qrp-trim failed" "$origin"; return; }
  formulas=$((formulas + 1))
  [ $answer = true ] && true_formulas=$((true_formulas + 1))
  local dialects modes
  if [ $answer = true ]; then dialects="qube qrp"; else dialects="qbc qube qrp"; fi
  for d in $dialects; do
    local mode file conv conv_in=f.qdimacs
    case $d in
      qbc) mode=0 file=f.qdimacs
           if ! "$tools/qrp_convert" qbc f.qrp f.qdimacs f.qdimacs.qbc 2> conv.err; then
             if grep -q "without existentials" conv.err; then
               pass[qbc:not-expressible]=$((${pass[qbc:not-expressible]:-0} + 1)); continue
             fi
             record "$d:convert" 1 "$origin: $(cat conv.err)" "$origin"; continue
           fi
           conv=qdimacs-cnf-$answer ;;
      qube) mode=$([ $answer = true ] && echo 2 || echo 1) file=f.qube.txt
            "$tools/qrp_convert" qube f.qrp f.qdimacs f.qube.txt 2> conv.err ||
              { record "$d:convert" 1 "$origin: $(cat conv.err)" "$origin"; continue; }
            conv=tracecnf-$answer conv_in=f.qube.txt ;;
      qrp) mode=$([ $answer = true ] && echo 4 || echo 3) file=f.qrp conv=qdimacs-cnf-$answer ;;
    esac
    "$bin/$conv" "$conv_in" > /dev/null || { record "$d:converter" 1 "$origin: $conv failed" "$origin"; continue; }
    mv f.blif formula.blif
    local repro="$origin; cerox -m $mode"
    for alter in 0 1 2 3; do
      local suffix=""
      [ $alter != 0 ] && suffix=_am$alter
      if "$bin/cerox" -m $mode -alter $alter "$file" > cerox.out &&
        "$bin/blif-join" formula.blif "$file$suffix.blif" joined.blif > /dev/null && abc_unsat joined.blif &&
        "$bin/cerox-check" f.qdimacs "$file$suffix.blif" --$answer > check.out; then
        record "$d:alter$alter" 0
      else
        record "$d:alter$alter" 1 "$origin: certificate not proved ($(grep -h -m1 -E 'ERROR|INVALID|FAILURE' cerox.out check.out))" "$repro -alter $alter $file"
      fi
    done
    local plist="1 2"
    [ $answer = true ] && plist="1 2 -1"
    for p in $plist; do
      rm -f "$file.blif"
      local got
      got=$("$bin/cerox" -m $mode -p "$p" "$file" > cerox.out &&
        "$tools/cert_check" substitute f.qdimacs "$file.blif" sub.qdimacs &&
        { depqbf sub.qdimacs > /dev/null 2>&1; echo $?; })
      if [ "$got" = "$([ $answer = true ] && echo 10 || echo 20)" ]; then
        record "$d:p$p" 0
      else
        record "$d:p$p" 1 "$origin: partial certificate changes the answer (DepQBF: ${got:-none})" "$repro -p $p $file"
      fi
    done
    rm -f "$file.blif"
    if "$bin/cerox" -m $mode "$file" > /dev/null && "$bin/cerox" -m $mode -rfao "$file" > /dev/null &&
      "$tools/cert_check" rfao "$file.txt" "$file.blif" > /dev/null 2> rfao.err; then
      record "$d:rfao" 0
    else
      record "$d:rfao" 1 "$origin: $(cat rfao.err)" "$repro -rfao $file"
    fi
  done
  cd "$work" || return
  rm -rf "$dir"
}

if [ -n "$instances" ]; then
  for f in "$instances"/*.qdimacs; do certify_formula "$f" "instance $(basename "$f")"; done
fi
for seed in $(seq "$seed0" $((seed0 + count - 1))); do
  "$tools/gen_qbf" "$seed" > "$work/random.qdimacs"
  certify_formula "$work/random.qdimacs" "seed $seed (tests/gen_qbf $seed)"
done
# A fifth as many with free variables.
for seed in $(seq "$seed0" $((seed0 + count / 5 - 1))); do
  "$tools/gen_qbf" "$seed" 0 free > "$work/random.qdimacs"
  certify_formula "$work/random.qdimacs" "seed $seed with free variables (tests/gen_qbf $seed 0 free)"
done

echo "formulas: $formulas ($true_formulas true, $((formulas - true_formulas)) false)"
printf '%-22s %6s %6s\n' "dialect:option" passed failed
for key in $(printf '%s\n' "${!pass[@]}" "${!fail[@]}" | sort -u); do
  printf '%-22s %6d %6d\n' "$key" "${pass[$key]:-0}" "${fail[$key]:-0}"
done
total=0
for key in "${!pass[@]}"; do [[ $key == *not-expressible ]] || total=$((total + ${pass[$key]})); done
echo "$total passed, $failures failed"
[ "$failures" -eq 0 ] && [ "$formulas" -gt 0 ]
