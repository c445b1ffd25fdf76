#!/usr/bin/env bash
# The installed programs: cmake --install into a temporary prefix, then
# cerox-certify from there (it finds its siblings beside itself), the
# programs' --help, and cerox-certify from a folder of its own through PATH.
# Usage: install.sh BUILD_DIR INSTANCES_DIR
set -u
build=$1
instances=$2
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
cmake --install "$build" --prefix "$work/p" > "$work/install.out" 2>&1
check "cmake --install" [ $? -eq 0 ]
for program in cerox tracecnf-true tracecnf-false qdimacs-cnf-true qdimacs-cnf-false blif-join \
  qrp-trim cerox-check cerox-certify cerox-campaign; do
  check "$program installed" [ -x "$work/p/bin/$program" ]
done
for program in cerox-certify cerox-campaign cerox-check qrp-trim; do
  for option in -h --help; do
    "$work/p/bin/$program" $option > "$work/help.out" 2> "$work/help.err"
    status=$?
    check "$program $option: exit 0, usage on standard output, nothing on standard error" \
      [ $status -eq 0 ] && grep -q "usage" "$work/help.out" && [ ! -s "$work/help.err" ]
  done
done
cp "$instances/TOILET2.1.iv.3.qdimacs" "$work/f.qdimacs"
(cd "$work" && PATH="$work/p/bin:$PATH" cerox-certify f.qdimacs > certify.out 2>&1)
check "installed cerox-certify certifies" [ "$(tail -n 1 "$work/certify.out")" = VALID ]
check "certificate beside the formula" [ -s "$work/f.certificate.blif" ]
finish
