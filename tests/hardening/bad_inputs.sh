#!/usr/bin/env bash
# Bad input never crashes, hangs or passes as success. Each row of the table
# below: a name, the setup (shell commands that make the inputs in an empty
# folder), the command, a text its output must hold, the exit status, and the
# files that must not exist afterwards. Every command runs under a time limit.
# Usage: bad_inputs.sh BIN_DIR
set -u
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# A well-formed formula and pieces to break it with.
F2='p cnf 2 4\na 1 0\ne 2 0\n1 2 0\n1 -2 0\n-1 2 0\n-1 -2 0\n'
QRP_HEAD='p qrp 2 4\na 1 0\ne 2 0\n1 1 2 0 0\n2 1 -2 0 0\n'
QUBE_HEAD='Q T H 3 4\n[BEGIN ]\n[FORMULA 3 4\na 1 0\ne 2 0\n0 0\n2 1 0\n-2 1 0\n2 -1 0\n-2 -1 0\n]\n'
E_IN=' --  ERROR:  Could not open input file.  --'
E_PROOF=' -- ERROR:   Could not open proof file.  --'
E_FORMAT=' -- ERROR:  Input file format missmatch. --'
E_STEPS=' -- ERROR:  Proof file format missmatch. --'
E_RES=' -- ERROR:   Resolution inconsistency.   --'
# The binary form of QRP_HEAD with the step 3 0 1 2 0 and the end marker,
# in pieces to break: header, prefix, the two input lines, the last step.
B_HEAD='p bqrp 2 4\000\000a\001\000\000e\002\000'
B_INPUT='\001\002\004\000\000\002\002\005\000\000'
B_LAST='\003\000\001\002\000'
B_END='\000r UNSAT\n'
QRP_OK="${QRP_HEAD}3 0 1 2 0\nr UNSAT\n"
long_word=$(head -c 5000 /dev/zero | tr '\0' 'x')
# The same 4096 bytes of binary garbage on every run.
garbage() { LC_ALL=C awk 'BEGIN { srand(7); for (i = 0; i < 4096; i++) printf "%c", int(rand() * 256) }'; }
export -f garbage
long_number=$(head -c 3000 /dev/zero | tr '\0' '7')

row() { # name | setup | command | expected text | status | absent files
  local name=$1 setup=$2 cmd=$3 want=$4 want_status=$5 absent=${6:-}
  local dir="$work/$name"
  mkdir -p "$dir"
  (cd "$dir" && eval "$setup") || { echo "FAIL $name: setup"; failed=$((failed + 1)); return; }
  local out status
  out=$(cd "$dir" && PATH="$bin:$PATH" timeout 20 bash -c "$cmd" 2>&1)
  status=$?
  local ok=1
  [ "$status" = "$want_status" ] || ok=0
  grep -qF -- "$want" <<< "$out" || ok=0
  for f in $absent; do [ -e "$dir/$f" ] && ok=0; done
  if [ $ok = 1 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name: exit $status (expected $want_status), expected text: $want"
    echo "$out" | head -5 | sed 's/^/    /'
  fi
}

# --- cerox: files ---
row empty-instance "touch f; echo 'qbc CONCLUDE' > f.qbc" "cerox f" "$E_FORMAT" 1 f.blif
row empty-proof-file "touch p.qrp" "cerox -m 3 p.qrp" "$E_FORMAT" 1 p.qrp.blif
row empty-qbc-proof "printf '$F2' > f; touch f.qbc" "cerox f" "$E_STEPS" 1
row binary-garbage "garbage > g.qrp" "cerox -m 4 g.qrp" "$E_FORMAT" 1 g.qrp.blif
row binary-garbage-qube "printf '$QUBE_HEAD' > g; garbage >> g" "cerox -m 1 g" "ERROR" 1
row directory-input "mkdir d" "cerox -m 3 d" "$E_IN" 1 d.blif
row directory-qbc-proof "printf '$F2' > f; mkdir f.qbc" "cerox f" "$E_PROOF" 1 f.blif
row dangling-link "ln -s gone.qrp p.qrp" "cerox -m 3 p.qrp" "$E_IN" 1 p.qrp.blif
row output-is-directory "printf '$QRP_HEAD 3 0 1 2 0\nr UNSAT\n' > p.qrp; mkdir p.qrp.blif" \
  "cerox -m 3 p.qrp" "Could not create output file: p.qrp.blif" 1
row output-unwritable "printf '$QRP_HEAD 3 0 1 2 0\nr UNSAT\n' > p.qrp; ln -s /dev/full p.qrp.blif" \
  "cerox -m 3 p.qrp" "Could not write output file: p.qrp.blif" 1
# --- cerox: the formula ---
row prefix-not-a-number "printf 'p cnf 2 1\na 1 x 0\ne 2 0\n1 2 0\n' > f; echo 'qbc CONCLUDE' > f.qbc" "cerox f" "$E_FORMAT" 1
row clause-not-a-number "printf 'p cnf 2 1\na 1 0\ne 2 0\n1 two 0\n' > f; echo 'qbc CONCLUDE' > f.qbc" "cerox f" "$E_FORMAT" 1
row count-overflows "printf 'p cnf 99999999999 1\n' > f; echo 'qbc CONCLUDE' > f.qbc" "cerox f" "$E_FORMAT" 1
row literal-overflows "printf 'p cnf 2 1\na 1 0\ne 2 0\n1 -2147483649 0\n' > f; echo 'qbc CONCLUDE' > f.qbc" "cerox f" "$E_FORMAT" 1
row long-number "printf 'p cnf 2 1\na 1 0\ne 2 0\n1 $long_number 0\n' > f; echo 'qbc CONCLUDE' > f.qbc" "cerox f" "$E_FORMAT" 1
row variable-zero-in-prefix "printf '$QRP_HEAD' | sed 's/^a 1 0/a 1 3 0/' > p.qrp; echo 'r' >> p.qrp" "cerox -m 3 p.qrp" "$E_FORMAT" 1
row variable-negative-in-prefix "printf 'p qrp 2 1\na -1 0\ne 2 0\n1 2 0 0\nr\n' > p.qrp" "cerox -m 3 p.qrp" "$E_FORMAT" 1
row variable-beyond-table "printf 'p cnf 2 1\na 1 0\ne 2 0\n1 3 0\n' > f; echo 'qbc CONCLUDE' > f.qbc" "cerox f" "$E_FORMAT" 1
row prefix-lists-too-many "printf 'p qrp 2 1\na 1 2 0\ne 2 0\n1 2 0 0\nr\n' > p.qrp" "cerox -m 3 p.qrp" "$E_FORMAT" 1
row huge-table "printf 'p qrp 2000000000 1\na 1 0\n1 1 0 0\nr\n' > p.qrp" "cerox -m 3 p.qrp" "$E_FORMAT" 1
row qube-no-bracket "printf 'words without a closing bracket\n' > t" "cerox -m 1 t" "$E_FORMAT" 1
row qube-no-zero-words "printf '] [FORMULA 3 1 a 1 0 e 2 0 1 2 0' > t" "cerox -m 2 t" "$E_FORMAT" 1
row long-comment "printf 'c $long_word\n$F2' > f; echo 'qbc 5 * 1 2 0 CONCLUDE' > f.qbc" "cerox f" "Finish!!" 0
row long-prefix-word "printf 'p qrp 2 1\na 1 0\ne 2 0\n${long_word}\n' > p.qrp" "cerox -m 3 p.qrp" "$E_STEPS" 1
# --- cerox: the proof ---
row qbc-ends-in-step "printf '$F2' > f; echo 'qbc 5 * 1' > f.qbc" "cerox f" "$E_STEPS" 1
row qbc-id-not-increasing "printf '$F2' > f; echo 'qbc 5 * 1 2 0 5 * 3 4 0 CONCLUDE' > f.qbc" "cerox f" "$E_STEPS" 1
row qbc-id-zero "printf '$F2' > f; echo 'qbc 5 * 0 2 0 CONCLUDE' > f.qbc" "cerox f" "$E_STEPS" 1
row qbc-id-negative "printf '$F2' > f; echo 'qbc 5 * -1 2 0 CONCLUDE' > f.qbc" "cerox f" "$E_STEPS" 1
row qbc-id-beyond "printf '$F2' > f; echo 'qbc 5 * 1 9 0 CONCLUDE' > f.qbc" "cerox f" "$E_STEPS" 1
row qbc-huge-step-id "printf '$F2' > f; echo 'qbc 2000000000 * 1 2 0 CONCLUDE' > f.qbc" "cerox f" "$E_STEPS" 1
row qube-ends-in-scan "printf '$QUBE_HEAD[NOGOOD' > t" "cerox -m 1 t" "$E_STEPS" 1 
row qube-ends-in-chain "printf '${QUBE_HEAD}[NOGOOD 0 0 0 1 0\n2 2' > t" "cerox -m 1 t" "$E_STEPS" 1
row qube-chain-id-word "printf '${QUBE_HEAD}[NOGOOD 0 0 0 1 0\nx 2 0\n]\n[END\n' > t" "cerox -m 1 t" "$E_STEPS" 1
row qube-no-end "printf '${QUBE_HEAD}[NOGOOD 0 0 0 1 0\n2 2 0\n]\n' > t" "cerox -m 1 t" "$E_STEPS" 1
row qube-universal-clash-reduced "printf '${QUBE_HEAD}[NOGOOD 0 0 0 1 0\n4 2 0\n]\n[END\n' > t" "cerox -m 1 t" "Finish!!" 0
row qrp-ends-in-line "printf '${QRP_HEAD}3 0 1' > p.qrp" "cerox -m 3 p.qrp" "$E_STEPS" 1
row qrp-no-r-line "printf '${QRP_HEAD}3 0 1 2 0\n' > p.qrp" "cerox -m 3 p.qrp" "$E_STEPS" 1
row qrp-three-antecedents "printf '${QRP_HEAD}3 0 1 2 1 0\nr\n' > p.qrp" "cerox -m 3 p.qrp" "$E_STEPS" 1
row qrp-id-repeated "printf '${QRP_HEAD}2 1 0 0\nr\n' > p.qrp" "cerox -m 3 p.qrp" "$E_STEPS" 1
row qrp-antecedent-ahead "printf '${QRP_HEAD}3 0 1 4 0\nr\n' > p.qrp" "cerox -m 3 p.qrp" "$E_STEPS" 1
row qrp-huge-id-gap "printf '${QRP_HEAD}2000000000 0 1 2 0\nr\n' > p.qrp" "cerox -m 3 p.qrp" "$E_STEPS" 1
row qrp-literal-beyond "printf '${QRP_HEAD}3 5 0 1 2 0\nr\n' > p.qrp" "cerox -m 3 p.qrp" "$E_STEPS" 1
row qrp-inconsistent "printf 'p qrp 3 2\na 1 0\ne 2 3 0\n1 2 3 0 0\n2 -2 -3 0 0\n3 0 1 2 0\nr\n' > p.qrp" \
  "cerox -m 3 p.qrp" "$E_RES" 1
row qrp-last-not-empty "printf 'p qrp 2 2\ne 1 2 0\n1 1 2 0 0\n2 -1 2 0 0\n3 2 0 1 2 0\nr UNSAT\n' > p.qrp" \
  "cerox -m 3 p.qrp" " -- ERROR:  Proof does not end in the empty clause. --" 1
# An empty input clause with input clauses after it, and nothing derived
# (DepQBF's trace of such a formula): the core is that clause alone, in
# both forms, and the raw trace replays.
row qrp-empty-input-clause "printf 'p qrp 2 2\na 1 0\ne 2 0\n1 0 0\n2 1 2 0 0\nr UNSAT\n' > p.qrp" \
  "qrp-trim p.qrp c.qrp > /dev/null && grep -x '1 0 0' c.qrp && ! grep -q '^2 ' c.qrp && cerox -m 3 p.qrp" "Finish!!" 0
row bqrp-empty-input-clause "printf 'p bqrp 2 2\000\000a\001\000\000e\002\000\001\000\000\002\002\004\000\000${B_END}' > p.bqrp" \
  "qrp-trim --text p.bqrp c.qrp > /dev/null && grep -x '1 0 0' c.qrp && ! grep -q '^2 ' c.qrp && cerox -m 3 p.bqrp" "Finish!!" 0
row qrp-wrong-mode "printf '$QRP_OK' > p.qrp" "cerox -m 4 p.qrp" " -- ERROR:  Proof does not end in the empty cube. --" 1
row qbc-last-not-empty "printf '$F2' > f; echo 'qbc 5 * 1 3 0 CONCLUDE' > f.qbc" "cerox f" \
  " -- ERROR:  Proof does not end in the empty clause. --" 1
LD_PROOF='p qrp 4 4\ne 1 2 0\na 3 0\ne 4 0\n1 2 3 4 0 0\n2 -2 -3 4 0 0\n3 1 -4 0 0\n4 -1 3 0 0\n5 3 -3 4 0 1 2 0\n6 1 3 -3 0 5 3 0\n7 1 0 6 0\n8 -1 0 4 0\n9 0 7 8 0\nr UNSAT\n'
row long-distance-rfao "printf '$LD_PROOF' > p.qrp" "cerox -m 3 -rfao p.qrp" " -- ERROR:  RFAO cannot express merged literals. --" 1
row long-distance-warning-once "printf '$LD_PROOF' > p.qrp" \
  "cerox -m 3 p.qrp | grep -c 'WARNING: Long distance resolution present'" "1" 0
row failed-replay-keeps-header "printf '${QRP_HEAD}3 0 1' > p.qrp" \
  "cerox -m 3 p.qrp; s=\$?; printf 'header:'; tr '\n' '|' < p.qrp.blif; exit \$s" "header:.model main|.inputs|.outputs 1|" 1
row empty-table-blif "printf 'p cnf 0 1\n0\n' > f; echo 'qbc CONCLUDE' > f.qbc" \
  "cerox f > /dev/null && tr '\n' '|' < f.blif" ".model main|.inputs|.outputs|.end" 0
row empty-table-rfao "printf 'p qrp 0 0\n1 0 0\nr UNSAT\n' > p.qrp" \
  "cerox -m 3 -rfao p.qrp > /dev/null && tr '\n' '|' < p.qrp.txt" "unsat|vars 0|0|0|nodes 0|rfao 0|" 0
# --- binary traces ---
row bqrp-valid "printf '${B_HEAD}${B_INPUT}${B_LAST}${B_END}' > p.bqrp" "cerox -m 3 p.bqrp" "Finish!!" 0
row bqrp-varint-past-end "printf '${B_HEAD}${B_INPUT}\003\202' > p.bqrp" "cerox -m 3 p.bqrp" "$E_STEPS" 1
row bqrp-varint-too-long "printf '${B_HEAD}${B_INPUT}\377\377\377\377\017\000\001\002\000${B_END}' > p.bqrp" \
  "cerox -m 3 p.bqrp" "$E_STEPS" 1
row bqrp-antecedent-not-earlier "printf '${B_HEAD}${B_INPUT}\003\000\001\011\000${B_END}' > p.bqrp" \
  "cerox -m 3 p.bqrp" "$E_STEPS" 1
row bqrp-variable-beyond "printf '${B_HEAD}\001\006\000\000\002\002\005\000\000${B_LAST}${B_END}' > p.bqrp" \
  "cerox -m 3 p.bqrp" "$E_STEPS" 1
row bqrp-prefix-variable-beyond "printf 'p bqrp 2 4\000\000a\005\000${B_INPUT}${B_LAST}${B_END}' > p.bqrp" \
  "cerox -m 3 p.bqrp" "$E_FORMAT" 1
row bqrp-no-end-marker "printf '${B_HEAD}${B_INPUT}${B_LAST}' > p.bqrp" "cerox -m 3 p.bqrp" "$E_STEPS" 1
row bqrp-trim-not-earlier "printf '${B_HEAD}${B_INPUT}\003\000\001\011\000${B_END}' > p.bqrp" \
  "qrp-trim p.bqrp core.bqrp" "antecedent 9 is not an earlier id" 1 core.bqrp
# --- compressed input ---
row gz-proof-trailer-missing "printf '$QRP_OK' | gzip -c | head -c -8 > p.qrp.gz" \
  "cerox -m 3 p.qrp.gz" "Could not read input file: truncated gzip stream" 1
row gz-proof-corrupt "printf '$QRP_OK' | gzip -c > p.qrp.gz; printf 'XXXX' | dd of=p.qrp.gz bs=1 seek=20 conv=notrunc 2> /dev/null" \
  "cerox -m 3 p.qrp.gz" "Could not read input file: corrupt gzip stream" 1
row xz-proof-truncated "printf '$QRP_OK' | xz -c | head -c 40 > p.qrp.xz" \
  "cerox -m 3 p.qrp.xz" "Could not read input file: truncated xz stream" 1
row zstd-proof-truncated "printf '$QRP_OK' | zstd -qc | head -c -3 > p.qrp.zst" \
  "cerox -m 3 p.qrp.zst" "Could not read input file: truncated zstd stream" 1
row gz-instance-truncated "printf '$F2' | gzip -c | head -c -4 > f.gz; echo 'qbc CONCLUDE' > f.qbc" \
  "cerox f.gz" "Could not read input file: truncated gzip stream" 1 f.blif
# Formats that are not read: the reason, not a parse error.
row bzip2-proof "printf 'BZh91AY&SY\\001' > p.qrp.bz2" "cerox -m 3 p.qrp.bz2" \
  "Could not read input file: compressed with bzip2, which is not read (gzip, xz and zstd are)" 1
row zip-trace "printf 'PK\\003\\004\\024\\000' > p.zip" "qrp-trim p.zip core.qrp" "qrp-trim: p.zip: a zip archive, which is not read" 1 core.qrp
row lz4-certificate "printf 'p cnf 1 1\\ne 1 0\\n1 0\\n' > f.qdimacs; printf '\\004\\042\\115\\030\\144' > c.blif" \
  "cerox-check f.qdimacs c.blif --true" "cannot read certificate c.blif: compressed with lz4, which is not read" 2
row gz-valid-output-name "printf '$QRP_OK' | gzip -c > p.qrp.gz" "cerox -m 3 p.qrp.gz > /dev/null && ls p.qrp.blif" "p.qrp.blif" 0
row gz-trim-truncated "printf '$QRP_OK' | gzip -c | head -c -8 > p.qrp.gz" \
  "qrp-trim p.qrp.gz core.qrp" "qrp-trim: p.qrp.gz: truncated gzip stream" 1 core.qrp
row gz-conv-truncated "printf '$F2' | gzip -c | head -c -8 > x.qdimacs.gz" \
  "qdimacs-cnf-false x.qdimacs.gz" "cannot read input file: truncated gzip stream" 1 x.blif
row gz-join-truncated "printf '.model m\n.outputs cnf\n' | gzip -c | head -c -8 > f.blif.gz; printf '.names 1\n1\n' > c.blif" \
  "blif-join f.blif.gz c.blif o.blif" "truncated gzip stream" 1 o.blif
# --- pipes: read as files, however often a program reads its input ---
# feed FILE FIFO: makes the FIFO and writes FILE into it in the background.
feed() { mkfifo "$2" && { timeout 20 sh -c "cat '$1' > '$2'" > /dev/null 2>&1 & }; }
export -f feed
row pipe-raw-trace "printf '$QRP_OK' > t" \
  "feed t p.qrp; cerox -m 3 p.qrp > /dev/null; cerox -m 3 t > /dev/null; cmp p.qrp.blif t.blif && echo same" "same" 0
row pipe-gz-core "printf '$QRP_OK' | gzip -c > t.gz" \
  "feed t.gz p.qrp.gz; cerox -m 3 -core p.qrp.gz > /dev/null; cerox -m 3 t.gz > /dev/null; cmp p.qrp.blif t.blif && echo same" "same" 0
row pipe-instance-and-qbc "printf '$F2' > i; echo 'qbc CONCLUDE' > i.qbc" \
  "feed i f; feed i.qbc f.qbc; cerox f > /dev/null; cerox i > /dev/null; cmp f.blif i.blif && echo same" "same" 0
row pipe-trim "printf '$QRP_OK' > t" \
  "feed t p.qrp; qrp-trim p.qrp a.qrp > /dev/null; qrp-trim t b.qrp > /dev/null; cmp a.qrp b.qrp && echo same" "same" 0
row pipe-no-room "printf '$QRP_OK' > t" "feed t p.qrp; TMPDIR=/nonexistent cerox -m 3 p.qrp" \
  "Could not read input file: cannot keep a copy of the pipe in /nonexistent" 1 p.qrp.blif
row pipe-certify "printf '$QRP_OK' > t; printf '$F2' > f.qdimacs" \
  "feed t p.qrp; cerox-certify f.qdimacs p.qrp" "VALID" 0
# --- line ends: CR LF reads as LF everywhere ---
row crlf-certify "printf '$QRP_OK' | sed 's/\$/\r/' > t.qrp; printf '$F2' | sed 's/\$/\r/' > f.qdimacs" \
  "cerox-certify f.qdimacs t.qrp" "VALID" 0
# --- converters ---
row conv-empty "touch x.qdimacs" "qdimacs-cnf-true x.qdimacs" "input ends before the problem line" 1 x.blif
row conv-garbage "garbage > x.qdimacs" "qdimacs-cnf-false x.qdimacs" "..x.qdimacs: " 1 x.blif
row conv-directory "mkdir x.qdimacs" "qdimacs-cnf-false x.qdimacs" "cannot open input file" 1 x.blif
row conv-output-directory "printf '$F2' > x.qdimacs; mkdir x.blif" "qdimacs-cnf-false x.qdimacs" "cannot create output file x.blif" 1
row conv-output-full "printf '$F2' > x.qdimacs; ln -s /dev/full x.blif" "qdimacs-cnf-false x.qdimacs" "cannot write output file x.blif" 1
row conv-clause-word "printf 'p cnf 2 1\na 1 0\ne 2 0\n1 x 0\n' > x.qdimacs" "qdimacs-cnf-true x.qdimacs" "not a number" 1 x.blif
row conv-prefix-ends "printf 'p cnf 3 1\na 1' > x.qdimacs" "qdimacs-cnf-true x.qdimacs" "prefix" 1 x.blif
row trace-empty "touch f.qube.txt" "tracecnf-true f.qube.txt" "input ends in the header" 1 f.blif
row trace-short-name "printf '$QUBE_HEAD' > t.txt" "tracecnf-false t.txt" "file name too short" 1
row trace-long-begin-line "printf 'Q T H 3 1\n[BEGIN $long_word\n[FORMULA 3 1\na 1 0\ne 2 0\n0 0\n1 2 0\n' > f.qube.txt" \
  "tracecnf-false f.qube.txt" "Finish the program" 0
# --- blif-join ---
row join-empty-formula "touch f.blif; printf '.names 1\n1\n' > c.blif" "blif-join f.blif c.blif o.blif" "no .outputs" 1 o.blif
row join-no-names "printf '.model m\n.inputs 1\n.outputs cnf\n' > f.blif; printf '.model c\n.inputs 1\n' > c.blif" \
  "blif-join f.blif c.blif o.blif" "no .names" 1 o.blif
row join-no-nodes "printf '.model m\n.inputs 1\n.outputs cnf\n.names 1 cnf\n1 1\n' > f.blif; printf '.model main\n.inputs\n.outputs\n.end' > c.blif" \
  "blif-join f.blif c.blif o.blif > /dev/null && tr '\n' '|' < o.blif" ".model m|.inputs 1|.outputs  cnf|.names 1 cnf|1 1|.end|" 0
row join-directory "mkdir f.blif; touch c.blif" "blif-join f.blif c.blif o.blif" "cannot open formula (1) file f.blif" 1 o.blif
row join-output-full "printf '.model m\n.outputs cnf\n' > f.blif; printf '.names 1\n1\n' > c.blif; ln -s /dev/full o.blif" \
  "blif-join f.blif c.blif o.blif" "cannot write output file o.blif" 1
row join-long-line "printf '.model m\n.inputs 1\n.outputs cnf\n.names ' > f.blif; head -c 1500000 /dev/zero | tr '\0' 'a' >> f.blif; printf ' cnf\n1 1\n' >> f.blif; printf '.names 1\n1\n' > c.blif" \
  "blif-join f.blif c.blif o.blif && awk '{ if (length(\$0) > m) m = length(\$0) } END { print \"longest \" m }' o.blif" "longest 1500011" 0
row join-garbage "garbage > f.blif; garbage > c.blif" \
  "blif-join f.blif c.blif o.blif" "OK! Working time is:" 1 o.blif
# A raw trace given as a core (-core): only its core is replayed, as without
# -core; every line replayed, the unused line 6 would fail to resolve.
RAW='p qrp 3 5\ne 3 0\na 2 0\ne 1 0\n1 1 2 0 0\n2 -1 2 0 0\n4 1 3 0 0\n5 -1 -3 0 0\n6 0 4 5 0\n7 0 1 2 0\nr UNSAT\n'
row core-option-on-raw-trace "printf '$RAW' > t.qrp" \
  "cerox -m 3 -core t.qrp > /dev/null && mv t.qrp.blif core.blif && cerox -m 3 t.qrp > /dev/null && cmp core.blif t.qrp.blif && echo same" "same" 0
row core-option-on-gzip-raw-trace "printf '$RAW' | sed 's/^5 -1 -3/5 -1 3/' | gzip > t.qrp.gz" \
  "cerox -m 3 -core t.qrp.gz" "Proof is no core: replay it without -core." 1
# cerox-check's ABC engine keeps its scratch files in $TMPDIR.
row check-abc-tmpdir "printf '$F2' > f.qdimacs; printf '.model m\n.outputs 1\n.names 1\n.end\n' > c.blif" \
  "TMPDIR=/nonexistent cerox-check --engine abc f.qdimacs c.blif --false" "FAILURE: cannot create a temporary folder in /nonexistent" 2
# ABC ended by a signal (its stack overflows on deep networks) has decided
# nothing, even after printing a verdict.
row check-abc-crash "printf '$F2' > f.qdimacs; printf '.model m\n.outputs 1\n.names 1\n.end\n' > c.blif;
  mkdir fake; printf '#!/bin/sh\necho UNSATISFIABLE\nkill -SEGV \$\$\n' > fake/berkeley-abc; chmod +x fake/berkeley-abc" \
  "PATH=\$PWD/fake:\$PATH cerox-check --engine abc f.qdimacs c.blif --false" \
  "FAILURE: ABC ended on signal 11 without an answer" 2
# An output that is an input (by name or through a link) is refused before
# it is opened: opening it would empty the input.
row join-output-is-input "printf '.model m\n.outputs cnf\n' > f.blif; printf '.names 1\n1\n' > c.blif; cp c.blif c.saved" \
  "blif-join f.blif c.blif c.blif; s=\$?; cmp c.blif c.saved && exit \$s" "output file c.blif is the certificate (2) file" 1
row trim-output-is-input "printf '$QRP_OK' > t.qrp; cp t.qrp t.saved; ln -s t.qrp l.qrp" \
  "qrp-trim t.qrp l.qrp; s=\$?; cmp t.qrp t.saved && exit \$s" "qrp-trim: l.qrp: the output is the trace itself" 1

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
