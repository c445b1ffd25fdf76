# Sourced by the end-to-end scripts: a scratch folder $work (removed on
# exit), the counts passed and failed, check DESCRIPTION CONDITION... (a
# script may define its own) and finish, which prints the counts and exits 1
# when a check failed.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {
  if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1"; fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
