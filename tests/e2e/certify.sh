#!/usr/bin/env bash
# cerox-certify end to end: VALID on the bundled real instances and on seeded
# random formulas; INVALID for a certificate with one function negated;
# FAILURE, with its reason, for a malformed formula, a missing file, a
# solver run without an answer and a missing tool.
# Usage: certify.sh BIN_DIR INSTANCES_DIR [RANDOM_COUNT]
set -u
# Absolute: the runs work in directories of their own.
bin=$(cd "$1" && pwd) || exit 2
instances=$2
count=${3:-10}
certify="$bin/cerox-certify"
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
check() { # description expected-verdict-prefix expected-status command...
  local what=$1 want=$2 want_status=$3
  shift 3
  local out status last
  out=$("$@" 2>&1)
  status=$?
  last=$(tail -n 1 <<< "$out")
  if [[ "$last" == "$want"* ]] && [ "$status" -eq "$want_status" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what: got '$last' (exit $status), expected '$want'... (exit $want_status)"
    echo "      reproduce: $*"
  fi
}

for f in "$instances"/*.qdimacs; do
  cp "$f" "$work/"
  check "$(basename "$f")" VALID 0 "$certify" -alter 1 "$work/$(basename "$f")"
done
for seed in $(seq 1 "$count"); do
  "$bin/tests/gen_qbf" "$seed" > "$work/random-$seed.qdimacs"
  check "random formula, seed $seed" VALID 0 "$certify" "$work/random-$seed.qdimacs"
  "$bin/tests/gen_qbf" "$seed" 0 free > "$work/free-$seed.qdimacs"
  check "random formula with free variables, seed $seed" VALID 0 "$certify" "$work/free-$seed.qdimacs"
done

# Binary and compressed proofs and formulas, and DepQBF writing a binary
# trace.
t3="$work/TOILET2.1.iv.3.qdimacs"
depqbf --trace=bqrp --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$t3" > "$work/t3.bqrp" 2> /dev/null
depqbf --trace --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$t3" > "$work/t3.raw.qrp" 2> /dev/null
gzip -c "$work/t3.bqrp" > "$work/t3.bqrp.gz"
xz -c "$work/t3.raw.qrp" > "$work/t3.qrp.xz"
zstd -qc "$t3" > "$work/t3.qdimacs.zst"
check "binary proof" VALID 0 "$certify" "$t3" "$work/t3.bqrp"
check "gzip'ed binary proof" VALID 0 "$certify" "$t3" "$work/t3.bqrp.gz"
check "xz'ed proof, zstd'ed formula" VALID 0 "$certify" "$work/t3.qdimacs.zst" "$work/t3.qrp.xz"
check "--bqrp" VALID 0 "$certify" --bqrp "$work/TOILET2.1.iv.4.qdimacs"
"$bin/tests/gen_qbf" 5 0 ld > "$work/ladder.qdimacs"
check "--long-distance, binary" VALID 0 "$certify" --long-distance --bqrp "$work/ladder.qdimacs"
head -c 200 "$work/t3.bqrp" > "$work/cut.bqrp"
check "binary proof cut short" "FAILURE: qrp-trim: $work/cut.bqrp: " 2 "$certify" "$t3" "$work/cut.bqrp"
# A format that is not read says so, for the formula as for the proof.
printf 'BZh91AY&SY\001\002' > "$work/f.qdimacs.bz2"
check "bzip2 formula" "FAILURE: cannot read formula $work/f.qdimacs.bz2: compressed with bzip2, which is not read" 2 \
  "$certify" --certificate /dev/null "$work/f.qdimacs.bz2"
check "bzip2 proof" "FAILURE: qrp-trim: $work/f.qdimacs.bz2: compressed with bzip2, which is not read" 2 \
  "$certify" --certificate /dev/null "$t3" "$work/f.qdimacs.bz2"
# Certificates without functions: a false formula without universal
# variables, a true one without existential variables.
printf 'p cnf 2 4\ne 1 2 0\n1 2 0\n-1 2 0\n1 -2 0\n-1 -2 0\n' > "$work/no-universal.qdimacs"
check "false formula without universals" VALID 0 "$certify" "$work/no-universal.qdimacs"
printf 'p cnf 2 0\na 1 2 0\n' > "$work/no-existential.qdimacs"
check "true formula without existentials" VALID 0 "$certify" "$work/no-existential.qdimacs"
# A problem line with blanks before and a tab between its words, as DepQBF
# takes it.
printf ' p\tcnf 2 1\na 1 0\ne 2 0\n1 2 0\n' > "$work/blanks.qdimacs"
check "blanks in the problem line" VALID 0 "$certify" "$work/blanks.qdimacs"
# An empty clause among the input clauses: DepQBF derives nothing and lists
# the input clauses after it.
printf 'p cnf 3 3\na 1 0\ne 2 3 0\n1 2 0\n0\n-1 3 0\n' > "$work/empty-clause.qdimacs"
check "an empty input clause" VALID 0 "$certify" --certificate /dev/null "$work/empty-clause.qdimacs"
check "an empty input clause, binary" VALID 0 "$certify" --bqrp --certificate /dev/null "$work/empty-clause.qdimacs"
# DepQBF solves a formula with a variable above the declared count; the
# replay of its proof fails, and the reason is the formula's.
printf 'p cnf 2 2\na 1 0\ne 2 0\n1 2 3 0\n-1 -2 0\n' > "$work/above.qdimacs"
check "variable above the declared count" \
  "FAILURE: $work/above.qdimacs is not a QDIMACS formula: line 4: variable 3 is above the 2" 2 \
  "$certify" --certificate /dev/null "$work/above.qdimacs"

# A certificate with one function negated. Variable 1 of TOILET2.1.iv.4 is
# an output of its model that the formula depends on.
negate() { # blif variable: flips the output digit of the node driving it
  awk -v v="$2" '{ if (flip) { sub(/.$/, ($0 ~ /1$/) ? "0" : "1"); flip = 0 }
                   print; if ($1 == ".names" && $NF == v) flip = 1 }' "$1"
}
cert="$work/TOILET2.1.iv.4.certificate.blif"
check "the certificate, unchanged" VALID 0 "$certify" --check "$cert" --true "$work/TOILET2.1.iv.4.qdimacs"
negate "$cert" 1 > "$work/negated.blif"
cmp -s "$cert" "$work/negated.blif" && { echo "FAIL: negation changed nothing"; failed=$((failed + 1)); }
check "negated certificate" INVALID 1 "$certify" --check "$work/negated.blif" --true "$work/TOILET2.1.iv.4.qdimacs"
check "certificate of the wrong polarity" "INVALID: variable 1 is existential" 1 "$certify" --check "$cert" --false "$work/TOILET2.1.iv.4.qdimacs"
check "the unchanged certificate, ABC" VALID 0 "$certify" --engine abc --check "$cert" --true "$work/TOILET2.1.iv.4.qdimacs"
check "negated certificate, ABC" INVALID 1 "$certify" --engine abc --check "$work/negated.blif" --true "$work/TOILET2.1.iv.4.qdimacs"
# A node with inputs and no cover rows is the constant 0: the engines take
# it so, ABC refuses to read it, and the check names ABC's complaint.
printf 'p cnf 2 1\na 1 0\ne 2 0\n1 2 0\n' > "$work/or.qdimacs"
printf '.model m\n.inputs 1\n.outputs 2\n.names 1 c\n.names 1 c 2\n00 1\n.end\n' > "$work/empty-cover.blif"
check "node without rows" VALID 0 "$certify" --check "$work/empty-cover.blif" --true "$work/or.qdimacs"
check "node without rows, ABC" "FAILURE: cerox-check: ABC gave no answer: Abc_SopCheck" 2 \
  "$certify" --engine abc --check "$work/empty-cover.blif" --true "$work/or.qdimacs"
# Nodes named as the formula network names its own (clause_0, cnf): ABC
# would see them defined twice.
printf '.model m\n.inputs 1\n.outputs 2\n.names 1 clause_0\n0 1\n.names clause_0 cnf\n1 1\n.names cnf 2\n1 1\n.end\n' > "$work/clash.blif"
check "node names of the formula network, ABC" VALID 0 \
  "$certify" --engine abc --check "$work/clash.blif" --true "$work/or.qdimacs"

# Failures.
printf 'p cnf 2 1\na 1 0\ne 2 0\n1 x 0\n' > "$work/malformed.qdimacs"
check "malformed formula" "FAILURE: DepQBF ended without an answer" 2 "$certify" "$work/malformed.qdimacs"
printf 'not a formula\n' > "$work/garbage.qdimacs"
check "not QDIMACS" "FAILURE: " 2 "$certify" "$work/garbage.qdimacs"
check "missing formula" "FAILURE: cannot read formula" 2 "$certify" "$work/missing.qdimacs"
check "missing proof" "FAILURE: cannot read proof" 2 "$certify" "$work/TOILET2.1.iv.3.qdimacs" "$work/missing.qrp"
check "bad option" "FAILURE: unknown option" 2 "$certify" --frobnicate "$work/TOILET2.1.iv.3.qdimacs"
# Outputs that are inputs: refused, the input left as it was.
cp "$work/TOILET2.1.iv.3.qdimacs" "$work/saved.qdimacs"
check "certificate file is the formula" "FAILURE: $work/TOILET2.1.iv.3.qdimacs is an input of the run" 2 \
  "$certify" --certificate "$work/TOILET2.1.iv.3.qdimacs" "$work/TOILET2.1.iv.3.qdimacs"
check "JSON file is the formula" "FAILURE: $work/TOILET2.1.iv.3.qdimacs is an input of the run" 2 \
  "$certify" --json "$work/TOILET2.1.iv.3.qdimacs" "$work/TOILET2.1.iv.3.qdimacs"
check "JSON file is the checked certificate" "FAILURE: $work/TOILET2.1.iv.4.certificate.blif is an input of the run" 2 \
  "$certify" --check "$work/TOILET2.1.iv.4.certificate.blif" --true --json "$work/TOILET2.1.iv.4.certificate.blif" "$work/TOILET2.1.iv.4.qdimacs"
cmp -s "$work/TOILET2.1.iv.3.qdimacs" "$work/saved.qdimacs" || { echo "FAIL: the formula was overwritten"; failed=$((failed + 1)); }
# A control character in a path is escaped in the JSON record, and so are
# the bytes of a name that is no UTF-8 (Latin-1); UTF-8 stays as it is.
ctl="$work/ctl"$'\001'"dir"
mkdir -p "$ctl" && cp "$work/saved.qdimacs" "$ctl/f.qdimacs" &&
  cp "$work/saved.qdimacs" "$ctl/caf"$'\351'".qdimacs" && cp "$work/saved.qdimacs" "$ctl/café.qdimacs"
check "control character in the path" VALID 0 "$certify" --json "$work/ctl.json" --certificate /dev/null "$ctl/f.qdimacs"
grep -q 'ctl\\u0001dir' "$work/ctl.json" && ! grep -q $'\001' "$work/ctl.json" ||
  { echo "FAIL: the control character is not escaped in the JSON record"; failed=$((failed + 1)); }
check "Latin-1 name" VALID 0 "$certify" --json "$work/latin.json" --certificate /dev/null "$ctl/caf"$'\351'".qdimacs"
check "UTF-8 name" VALID 0 "$certify" --json "$work/utf8.json" --certificate /dev/null "$ctl/café.qdimacs"
grep -q 'caf\\u00e9\.qdimacs' "$work/latin.json" && iconv -f UTF-8 -t UTF-8 "$work/latin.json" > /dev/null &&
  grep -q 'café\.qdimacs' "$work/utf8.json" ||
  { echo "FAIL: a name that is no UTF-8 left the JSON record invalid, or UTF-8 was escaped"; failed=$((failed + 1)); }
mkdir -p "$work/kf" && cp "$work/saved.qdimacs" "$work/kf/f.qdimacs"
check "--keep folder whose f.qdimacs is the formula" "FAILURE: $work/kf/f.qdimacs is an input of the run" 2 \
  "$certify" --keep "$work/kf" --certificate /dev/null "$work/kf/f.qdimacs"
# A solver that ends without an answer, and machines without the tools.
mkdir -p "$work/fake" "$work/noabc"
printf '#!/bin/sh\necho "c time out"\nexit 0\n' > "$work/fake/depqbf"
chmod +x "$work/fake/depqbf"
check "solver without an answer" "FAILURE: DepQBF ended without an answer (exit status 0" 2 \
  env PATH="$work/fake:$PATH" "$certify" "$work/TOILET2.1.iv.3.qdimacs"
# A full disk: DepQBF answers on a trace cut short and the stages'
# messages are lost; the FAILURE says how little room there is.
mkdir -p "$work/full"
printf '#!/bin/sh\nprintf "p qrp 37 99\\ne 1 2 3 0\\n1 4 5"\nexit 10\n' > "$work/full/depqbf"
printf '#!/bin/sh\necho "Filesystem 1024-blocks Used Available Capacity Mounted on"\necho "tmpfs 300 300 0 100%% /x"\n' > "$work/full/df"
chmod +x "$work/full/depqbf" "$work/full/df"
check "full disk" "FAILURE: qrp-trim: trace.qrp:3: truncated or malformed literal list (only 0 KB left where the stage files go, $work/kfull:" 2 \
  env PATH="$work/full:$PATH" "$certify" --keep "$work/kfull" "$work/TOILET2.1.iv.3.qdimacs"
# A certificate cut short where it is kept: the last one stays, no part of
# the new one is left.
mkdir -p "$work/cpfull"
printf '#!/bin/sh\ncase "$2" in *.part*) head -c 10 "$1" > "$2"; exit 1 ;; esac\nexec %s "$@"\n' \
  "$(command -v cp)" > "$work/cpfull/cp"
chmod +x "$work/cpfull/cp"
echo last > "$work/kept.blif"
check "certificate cut short" "FAILURE: cannot write $work/kept.blif" 2 \
  env PATH="$work/cpfull:$PATH" "$certify" --certificate "$work/kept.blif" "$work/TOILET2.1.iv.3.qdimacs"
[ "$(cat "$work/kept.blif")" = last ] && [ -z "$(ls "$work" | grep -F .part)" ] ||
  { echo "FAIL: a cut certificate replaced the last one or left a part"; failed=$((failed + 1)); }
# Called through a link elsewhere, it finds its siblings all the same.
mkdir -p "$work/linked"
ln -sf "$certify" "$work/linked/cerox-certify"
check "called through a link" VALID 0 "$work/linked/cerox-certify" --certificate /dev/null "$work/TOILET2.1.iv.3.qdimacs"
# Outputs that cannot be written stop the run before any stage.
for opt in --certificate --json; do
  out=$("$certify" $opt "$work/no/such/folder/x" "$work/TOILET2.1.iv.3.qdimacs")
  [ "$out" = "FAILURE: cannot write $work/no/such/folder/x" ] && passed=$((passed + 1)) ||
    { echo "FAIL: $opt in a missing folder: got '$out'"; failed=$((failed + 1)); }
done
# With room, the same cut trace fails without the note.
out=$("$certify" "$work/TOILET2.1.iv.3.qdimacs" "$work/kfull/trace.qrp" | tail -n 1)
[ "$out" = "FAILURE: qrp-trim: $work/kfull/trace.qrp:3: truncated or malformed literal list" ] && passed=$((passed + 1)) ||
  { echo "FAIL: cut trace with room: got '$out'"; failed=$((failed + 1)); }
for tool in bash sh awk sed grep cat cp mv rm mkdir mktemp date stat dirname basename head tail tr od gzip env; do
  ln -sf "$(command -v "$tool")" "$work/noabc/$tool"
done
check "no ABC" "FAILURE: berkeley-abc not found (install the Debian package berkeley-abc)" 2 \
  env PATH="$work/noabc" "$certify" --engine abc "$work/TOILET2.1.iv.3.qdimacs"
ln -sf "$(command -v berkeley-abc)" "$work/noabc/berkeley-abc"
check "no DepQBF" "FAILURE: depqbf not found (install the Debian package depqbf)" 2 \
  env PATH="$work/noabc" "$certify" "$work/TOILET2.1.iv.3.qdimacs"
# With a proof given, DepQBF is not needed; --keep keeps the stages' files.
depqbf --trace --dep-man=simple --traditional-qcdcl --no-qbce-dynamic "$work/TOILET2.1.iv.3.qdimacs" \
  > "$work/t3.qrp" 2> /dev/null
check "given proof, no DepQBF" VALID 0 env PATH="$work/noabc" "$certify" --keep "$work/kept" \
  "$work/TOILET2.1.iv.3.qdimacs" "$work/t3.qrp"
[ -f "$work/kept/cert.blif" ] && [ -f "$work/kept/check.out" ] || { echo "FAIL: --keep kept no cert.blif and check.out"; failed=$((failed + 1)); }
# The proof of another formula: the reason says that the files differ.
check "proof of another formula" "INVALID: variable 22 is existential: the certificate must not define it (the proof declares 28 variables and 70 clauses, the formula 37 and 99: is the proof of another formula?)" 1 \
  "$certify" --certificate /dev/null "$work/TOILET2.1.iv.4.qdimacs" "$work/t3.qrp"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
