#!/usr/bin/env bash
# Runs cerox in every mode with -alter 0 to 3, with and without -rfao, on
# small complete proofs (the 'qrp' ones also in their binary form); checks the output name and kind of each file, and
# proves every BLIF certificate with the matching converter, blif-join and
# ABC.
# Usage: all_modes.sh BIN_DIR INPUTS_DIR
set -u
# Absolute: the runs work in directories of their own.
bin=$(cd "$1" && pwd) || exit 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$2"/* "$work/"
cd "$work"
runs=0
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
# mode, file given to cerox, formula converter and its input
cases=(
  "0 f2.qdimacs qdimacs-cnf-false f2.qdimacs f2.blif"
  "1 f2.qube.txt tracecnf-false f2.qube.txt f2.blif"
  "2 t1.qube.txt tracecnf-true t1.qube.txt t1.blif"
  "3 t3.qrp qdimacs-cnf-false t3.qdimacs t3.blif"
  "4 t4.qrp qdimacs-cnf-true t4.qdimacs t4.blif"
  "3 t3.bqrp qdimacs-cnf-false t3.qdimacs t3.blif"
  "4 t4.bqrp qdimacs-cnf-true t4.qdimacs t4.blif"
)
for c in "${cases[@]}"; do
  read -r mode file conv conv_in formula <<< "$c"
  "$bin/$conv" "$conv_in" > /dev/null || fail "$conv $conv_in"
  mv "$formula" formula.blif
  for alter in 0 1 2 3; do
    suffix=""
    [ "$alter" != 0 ] && suffix="_am$alter"
    for rfao in "" -rfao; do
      runs=$((runs + 1))
      cmd="cerox -m $mode -alter $alter $rfao $file"
      if ! "$bin/cerox" -m "$mode" -alter "$alter" $rfao "$file" > out.txt; then
        fail "$cmd exited non-zero"; continue
      fi
      if [ -n "$rfao" ]; then
        out="$file$suffix.txt"
        kind=$([ "$mode" = 2 ] || [ "$mode" = 4 ] && echo sat || echo unsat)
        [ "$(head -n 1 "$out" 2> /dev/null)" = "$kind" ] || fail "$cmd: $out missing or not '$kind'"
        grep -q alternations out.txt && fail "$cmd printed an alternation line"
      else
        out="$file$suffix.blif"
        [ "$(head -n 1 "$out" 2> /dev/null)" = ".model main" ] || { fail "$cmd: $out missing"; continue; }
        "$bin/blif-join" formula.blif "$out" joined.blif > /dev/null
        verdict=$(berkeley-abc -c "read_blif joined.blif; strash; sat" 2>&1 | grep -oE '^(UN)?SATISFIABLE')
        [ "$verdict" = UNSATISFIABLE ] || fail "$cmd: certificate not proved (ABC: ${verdict:-no answer})"
      fi
      rm -f "$out"
    done
  done
done
echo "$((runs - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
