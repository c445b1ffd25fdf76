#!/usr/bin/env bash
# Certifies each bundled example end to end: cerox on the 'qrp' proof (every
# -alter heuristic), the matching QDIMACS converter, blif-join, and ABC,
# which must find the joined network's output unsatisfiable.
# Usage: abc_chain.sh BIN_DIR EXAMPLES_DIR
set -u
# Absolute: the runs work in directories of their own.
bin=$(cd "$1" && pwd) || exit 2
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=0
failed=0
for proof in "$examples"/*.qrp; do
  name=$(basename "$proof" .qrp)
  cp "$examples/$name.qdimacs" "$proof" "$work/"
  cd "$work"
  if grep -q '^r SAT' "$name.qrp"; then mode=4 conv=qdimacs-cnf-true; else mode=3 conv=qdimacs-cnf-false; fi
  "$bin/$conv" "$name.qdimacs" > /dev/null || { echo "$name: converter failed"; failed=$((failed + 1)); continue; }
  for alter in 0 1 2 3; do
    runs=$((runs + 1))
    suffix=""
    [ "$alter" != 0 ] && suffix="_am$alter"
    cmd="cerox -m $mode -alter $alter $name.qrp"
    if ! "$bin/cerox" -m $mode -alter $alter "$name.qrp" > cerox.out; then
      echo "$name: '$cmd' failed:"; cat cerox.out; failed=$((failed + 1)); continue
    fi
    "$bin/blif-join" "$name.blif" "$name.qrp$suffix.blif" joined.blif > /dev/null
    verdict=$(berkeley-abc -c "read_blif joined.blif; strash; sat" 2>&1 | grep -oE '^(UN)?SATISFIABLE')
    if [ "$verdict" != UNSATISFIABLE ]; then
      echo "$name: '$cmd' gave an invalid certificate (ABC: ${verdict:-no answer})"
      failed=$((failed + 1))
    elif ! "$bin/cerox-check" "$name.qdimacs" "$name.qrp$suffix.blif" "--$([ $mode = 4 ] && echo true || echo false)" > check.out; then
      echo "$name: '$cmd': ABC proved the certificate, cerox-check: $(tail -n 1 check.out)"
      failed=$((failed + 1))
    fi
  done
  cd - > /dev/null
done
echo "$((runs - failed)) passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$runs" -gt 0 ]
