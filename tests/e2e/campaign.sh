#!/usr/bin/env bash
# cerox-campaign end to end: the bundled instances and KBKF(16) (which
# DepQBF takes seconds over) with -j 2 and a 1-second limit. Every row of
# results.csv is VALID or a FAILURE "time limit", KBKF(16) one of the
# latter; summary.md counts what the CSV holds; cactus.svg holds a line per
# series with points. Then an interrupted campaign: --resume runs only the
# formulas without a record. Then one formula as a Slurm task runs it
# (--one), and --collect rebuilds the table. A memory limit is checked
# apart, and cerox and qrp-trim under an address-space limit far above
# their peak, except in a sanitizer build: its shadow memory is a
# reservation far above any limit; there the time limit is 5 seconds, since
# every stage runs several times slower and the small formulas would sit
# close to 1 second.
# Usage: campaign.sh BIN_DIR INSTANCES_DIR [SANITIZED]
set -u
# Absolute: the runs work in directories of their own.
bin=$(cd "$1" && pwd) || exit 2
instances=$2
sanitized=${3:-0}
memory=3000 limit=1
[ "$sanitized" = 0 ] || memory=0 limit=5
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
"$bin/tests/gen_qbf" 16 0 kbkf > "$work/kbkf16.qdimacs"
formulas=("$instances"/*.qdimacs "$work/kbkf16.qdimacs")
out="$work/campaign"
"$bin/cerox-campaign" -j 2 --timeout $limit --memory $memory --out "$out" "${formulas[@]}" > "$work/campaign.out" 2> "$work/progress.out"
check "campaign exit status" [ $? -eq 0 ]
csv="$out/results.csv"
rows=$(($(wc -l < "$csv") - 1))
check "one row per formula ($rows of ${#formulas[@]})" [ "$rows" -eq ${#formulas[@]} ]
check "every row VALID or over the time limit" \
  [ "$(tail -n +2 "$csv" | grep -vc -E ',VALID,,|,FAILURE,time limit,')" -eq 0 ]
check "KBKF(16) over the time limit" grep -q "kbkf16.qdimacs,,FAILURE,time limit," "$csv"
valid=$(grep -c ',VALID,' "$csv")
limited=$(grep -c ',FAILURE,time limit,' "$csv")
check "some formulas certified" [ "$valid" -ge 1 ]
check "summary counts" grep -q "^$rows formulas: $valid VALID, 0 INVALID, $limited FAILURE$" "$out/summary.md"
check "summary lists the limit" grep -q "kbkf16.qdimacs: FAILURE: time limit" "$out/summary.md"
check "progress shown" grep -q "\[$rows/$rows\] VALID $valid" "$work/progress.out"
# The line is kept up while the jobs run: no shell error stops it before the
# first record is there.
check "progress without shell errors" [ -z "$(grep -v '^.\[' "$work/progress.out" | grep -v '^$')" ]
# The plot: whole chain, solve, trim, cerox and check.
check "cactus.svg with five lines" [ "$(grep -c '<g id="gnuplot_plot_[0-9]*"' "$out/cactus.svg")" -eq 5 ]
# A record's name, which --resume looks for (also records of earlier
# versions): the formula's name and the cksum of its absolute path.
t3=$(cd "$instances" && pwd)/TOILET2.1.iv.3.qdimacs
check "record named by cksum" [ -s "$out/json/TOILET2.1.iv.3-$(printf '%s' "$t3" | cksum | cut -d ' ' -f 1).json" ]
check "certificates in DIR, one per VALID row at least" [ "$(ls "$out"/certificates/*.blif | wc -l)" -ge "$valid" ]
check "nothing written next to the formulas" [ -z "$(ls "$instances" | grep certificate)" ]
check "stage columns filled" \
  [ "$(awk -F, 'NR > 1 && $3 == "VALID" && ($8 == "" || $9 == "" || $10 == "" || $11 == "")' "$csv" | wc -l)" -eq 0 ]

# An interrupted campaign: two records gone; --resume runs those two only.
kept=$(ls "$out"/json/*.json | head -n 1)
touch -d '2000-01-01' "$kept"
ls "$out"/json/*.json | sed -n '2,3p' | xargs rm -f
"$bin/cerox-campaign" -j 2 --timeout $limit --memory $memory --resume --out "$out" "${formulas[@]}" > /dev/null 2>&1
check "resume completes the campaign" [ "$(ls "$out"/json/*.json | wc -l)" -eq ${#formulas[@]} ]
check "resume leaves finished formulas alone" [ "$(stat -c %Y "$kept")" -lt 1000000000 ]
check "resume ran two" [ "$(wc -l < "$out/todo.txt")" -eq 2 ]

# A list with CR line ends and no line end after its last formula: both
# formulas run.
printf '%s\r\n\r\n%s' "$instances/TOILET2.1.iv.3.qdimacs" "$instances/TOILET2.1.iv.4.qdimacs" > "$work/list.txt"
"$bin/cerox-campaign" --timeout 60 --memory $memory --no-certificates --out "$work/listed" --list "$work/list.txt" > /dev/null 2>&1
check "every formula of a CRLF list without a last line end" [ "$(grep -c ',VALID,' "$work/listed/results.csv")" -eq 2 ]

# A job killed from outside (the OOM killer, say) leaves no record: the
# summary names its formula and the campaign ends in an error.
mkdir -p "$work/killer"
cp "$bin/cerox-campaign" "$work/killer/"
printf '#!/bin/bash\n[[ "$*" == *TOILET2.1.iv.4* ]] || exec %q "$@"\nread -r _ _ _ job _ < /proc/$PPID/stat\nkill -9 "$job"\n' \
  "$bin/cerox-certify" > "$work/killer/cerox-certify"
chmod +x "$work/killer/cerox-certify"
"$work/killer/cerox-campaign" --timeout 60 --memory $memory --no-certificates --out "$work/killed" \
  "$instances/TOILET2.1.iv.3.qdimacs" "$instances/TOILET2.1.iv.4.qdimacs" > /dev/null 2> "$work/killed.err"
check "a job without a record fails the campaign" [ $? -ne 0 ]
check "and is named" grep -q "^- .*TOILET2.1.iv.4.qdimacs$" "$work/killed/summary.md"
check "the other is counted" grep -q "^1 formulas: 1 VALID" "$work/killed/summary.md"

# Through a link elsewhere, as from ~/bin.
mkdir -p "$work/linked"
ln -sf "$bin/cerox-campaign" "$work/linked/cerox-campaign"
"$work/linked/cerox-campaign" --one "$instances/TOILET2.1.iv.3.qdimacs" --out "$work/via-link" --no-certificates --memory $memory
check "campaign through a link" grep -q '"verdict": "VALID"' "$work/via-link"/json/*.json

# A Slurm array task by hand, then --collect.
task="$work/slurm"
"$bin/cerox-campaign" --one "$instances/TOILET2.1.iv.3.qdimacs" --out "$task" --timeout 60 --memory $memory
"$bin/cerox-campaign" --one "$instances/TOILET2.1.iv.4.qdimacs" --out "$task" --timeout 60 --memory $memory
"$bin/cerox-campaign" --collect "$task" > /dev/null 2>&1
check "collect after tasks" [ "$(grep -c ',VALID,' "$task/results.csv")" -eq 2 ]
# The slowest ten of twelve records, slowest first.
mkdir -p "$work/many/json"
for k in 7 12 3 9 1 11 5 10 2 8 6 4; do
  sed -E "s|\"formula\": \"[^\"]*\"|\"formula\": \"r$k\"|; 0,/\"seconds\": [0-9.]+/s//\"seconds\": $k/" \
    "$(ls "$task"/json/*.json | head -n 1)" > "$work/many/json/r$k.json"
done
# A record cut short (a full disk) after a VALID one: a FAILURE of its own.
head -c 60 "$work/many/json/r9.json" > "$work/many/json/r99.json"
"$bin/cerox-campaign" --collect "$work/many" > /dev/null 2>&1
check "a record cut short is a FAILURE" grep -q "^13 formulas: 12 VALID, 0 INVALID, 1 FAILURE$" "$work/many/summary.md"
check "the ten slowest in order" [ "$(grep -oE '^\| r[0-9]+ ' "$work/many/summary.md" | tr -d '|r ' | tr '\n' ' ')" = "12 11 10 9 8 7 6 5 4 3 " ]
"$bin/cerox-campaign" --one "$instances/TOILET2.1.iv.3.qdimacs" --out "$work/none" --no-certificates --memory $memory
check "--no-certificates" [ ! -e "$work/none/certificates" ] && grep -q '"verdict": "VALID"' "$work/none"/json/*.json
if [ "$sanitized" = 0 ]; then
  # counter_8's trace is 16 MB: 8 MB stops a stage (DepQBF, qrp-trim or cerox) short of memory.
  "$bin/cerox-campaign" --one "$instances/counter_8.qdimacs" --out "$work/memory" --memory 8
  check "memory limit reported" grep -q '"reason": "memory limit"' "$work/memory"/json/*.json
  # Room reserved by input size counts against an address-space limit: one
  # far above a run's peak (about 5 MB on this 16 MB raw trace) must not
  # stop it.
  depqbf --trace --dep-man=simple --traditional-qcdcl --no-qbce-dynamic \
    "$instances/counter_8.qdimacs" > "$work/c8.qrp"
  as=(prlimit --as=$((60 << 20)) --)
  check "cerox under an address-space limit" "${as[@]}" "$bin/cerox" -m 4 "$work/c8.qrp" > /dev/null
  check "qrp-trim under an address-space limit" \
    "${as[@]}" "$bin/qrp-trim" "$work/c8.qrp" "$work/c8.core.qrp" > /dev/null
fi

finish
