#!/usr/bin/env bash
# Runs one golden case: copies the case's input files into a scratch folder,
# runs the command of its `cmd` file there with the built programs first on
# PATH, and compares the whole standard output (digits of timing lines
# masked), the exit status and the files under expected/files byte for byte.
# Files named in expected/absent must not exist afterwards.
# Usage: run_case.sh BIN_DIR CASE_DIR
set -u
bin=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$case_dir/." "$work/"
rm -rf "$work/expected" "$work/cmd"
cmd=$(cat "$case_dir/cmd")
(cd "$work" && PATH="$bin:$PATH" eval "$cmd" > "$work/.stdout"; echo $? > "$work/.status")
fail=0
mask() { sed -E '/time/ s/[0-9]/#/g; s/[0-9]+\.[0-9]{2} s$/#.## s/' "$1"; }
if ! diff <(mask "$case_dir/expected/stdout") <(mask "$work/.stdout") > "$work/.diff"; then
  echo "stdout differs:"; cat "$work/.diff"; fail=1
fi
want_status=$(cat "$case_dir/expected/status")
got_status=$(cat "$work/.status")
if [ "$want_status" != "$got_status" ]; then
  echo "exit status $got_status, expected $want_status"; fail=1
fi
if [ -d "$case_dir/expected/files" ]; then
  for f in "$case_dir"/expected/files/*; do
    name=$(basename "$f")
    if ! cmp -s "$f" "$work/$name"; then
      echo "file $name differs:"; diff "$f" "$work/$name" | head -20; fail=1
    fi
  done
fi
if [ -f "$case_dir/expected/absent" ]; then
  while read -r name; do
    [ -e "$work/$name" ] && { echo "file $name should not exist"; fail=1; }
  done < "$case_dir/expected/absent"
fi
exit $fail
