#!/usr/bin/env bash
# cerox-campaign: cerox-certify over a set of formulas, each under a time and
# memory limit, N at a time through GNU parallel (on this machine or on the
# machines of an ssh login file), then a table, a summary and a cactus plot.
#
#   cerox-campaign [-j N] [--timeout S] [--memory MB] [--resume] [--sshloginfile FILE]
#                  [certify options] --out DIR FORMULA... | --list FILE
#   cerox-campaign --one FORMULA --out DIR [--timeout S] [--memory MB] [certify options]
#   cerox-campaign --collect DIR
#
# DIR holds json/ (one cerox-certify --json record per formula), logs/ (each
# run's output), certificates/, results.csv, summary.md and cactus.svg. --one
# runs a single formula the way every job does (a Slurm array task, say);
# --collect builds the table, the summary and the plot from DIR/json alone.
set -u

# cerox-certify lies next to this file, also when it is called through a
# link.
self=$(readlink -f "${BASH_SOURCE[0]}" 2> /dev/null) || self=${BASH_SOURCE[0]}
bin=$(cd "$(dirname "$self")" && pwd)
self="$bin/$(basename "$self")"
jobs=$(nproc 2> /dev/null || echo 1)
timeout_s=600
memory_mb=3000
resume=""
sshloginfile=""
out=""
list=""
one=""
collect=""
certificates=1
certify_opts=()
formulas=()

usage() {
  cat << 'EOF'
usage: cerox-campaign [-j N] [--timeout S] [--memory MB] [--resume] [--sshloginfile FILE]
                      [certify options] --out DIR FORMULA... | --list FILE
       cerox-campaign --one FORMULA --out DIR [--timeout S] [--memory MB] [certify options]
       cerox-campaign --collect DIR
  -j N                 jobs at a time (default: the number of processors)
  --timeout S          seconds a formula may take, the whole chain (default 600)
  --memory MB          memory each process may take (default 3000; 0: no limit)
  --resume             skip the formulas that have a record in DIR already
  --sshloginfile FILE  run the jobs on the machines of FILE (GNU parallel's
                       format; the same paths there)
  --out DIR            where the records, certificates, results.csv, summary.md and
                       cactus.svg go
  --no-certificates    do not keep the certificates (DIR/certificates/)
  --list FILE          the formulas, one path a line
  --one FORMULA        certify one formula into DIR, as every job does
  --collect DIR        build results.csv, summary.md and cactus.svg from DIR/json
  certify options      handed to cerox-certify: -alter N, --bqrp, --long-distance,
                       --engine E
  -h, --help           this text
A formula over its time limit is a FAILURE "time limit", one over its memory
limit a FAILURE "memory limit".
EOF
}
die() {
  echo "cerox-campaign: $1" >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case "$1" in
    -h | --help) usage; exit 0 ;;
    -j) [[ "${2:-}" =~ ^[1-9][0-9]*$ ]] || die "-j takes a number"; jobs=$2; shift 2 ;;
    --timeout) [[ "${2:-}" =~ ^[1-9][0-9]*$ ]] || die "--timeout takes whole seconds"; timeout_s=$2; shift 2 ;;
    --memory) [[ "${2:-}" =~ ^[0-9]+$ ]] || die "--memory takes megabytes"; memory_mb=$2; shift 2 ;;
    --resume) resume=1; shift ;;
    --no-certificates) certificates=""; shift ;;
    --sshloginfile) [ $# -ge 2 ] || die "--sshloginfile needs a file"; sshloginfile=$2; shift 2 ;;
    --out) [ $# -ge 2 ] || die "--out needs a folder"; out=$2; shift 2 ;;
    --list) [ $# -ge 2 ] || die "--list needs a file"; list=$2; shift 2 ;;
    --one) [ $# -ge 2 ] || die "--one needs a formula"; one=$2; shift 2 ;;
    --collect) [ $# -ge 2 ] || die "--collect needs a folder"; collect=$2; shift 2 ;;
    -alter | --engine) [ $# -ge 2 ] || die "$1 needs a value"; certify_opts+=("$1" "$2"); shift 2 ;;
    --bqrp | --long-distance) certify_opts+=("$1"); shift ;;
    -*) die "unknown option $1 (see --help)" ;;
    *) formulas+=("$1"); shift ;;
  esac
done

# The absolute path: its folder through cd and pwd, once per folder (a set
# of thousands of formulas lies in a few).
declare -A folder_of
abs() {
  local dir=.
  case $1 in */*) dir=${1%/*} && dir=${dir:-/} ;; esac
  [ -n "${folder_of[$dir]+set}" ] || folder_of[$dir]=$(cd "$dir" 2> /dev/null && pwd)
  echo "${folder_of[$dir]}/${1##*/}"
}
# A record's file name: the formula's name and a hash (cksum) of its path.
key_of() {
  local base=${1##*/} sum
  sum=$(printf '%s' "$1" | cksum)
  echo "${base%%.qdimacs*}-${sum%% *}"
}

# One formula: cerox-certify under the limits, its record in DIR/json. A run
# stopped by a limit gets a record that says so.
run_one() {
  local formula=$1 key json log status reason="" certificate=/dev/null
  key=$(key_of "$formula")
  json="$out/json/$key.json"
  log="$out/logs/$key.out"
  mkdir -p "$out/json" "$out/logs"
  if [ -n "$certificates" ]; then
    mkdir -p "$out/certificates"
    certificate="$out/certificates/$key.certificate.blif"
  fi
  rm -f "$json.part"
  local limit=(prlimit --as=$((memory_mb * 1024 * 1024)) --)
  [ "$memory_mb" -gt 0 ] || limit=()
  timeout --kill-after=10 "$timeout_s" "${limit[@]}" \
    "$bin/cerox-certify" "${certify_opts[@]}" --json "$json.part" --certificate "$certificate" \
    "$formula" > "$log" 2>&1
  status=$?
  if [ $status -eq 124 ] || [ $status -eq 137 ]; then
    reason="time limit"
  elif grep -qiE "bad_alloc|out of memory|cannot allocate|could not allocate|memory exhausted" "$log"; then
    reason="memory limit"
  elif [ ! -s "$json.part" ]; then
    reason="cerox-certify ended without a record (exit status $status)"
  fi
  if [ -n "$reason" ]; then
    printf '{\n  "formula": "%s",\n  "answer": null,\n  "verdict": "FAILURE",\n  "reason": "%s",\n  "solver": "depqbf",\n  "engine": "none",\n  "seconds": %s,\n  "peak_kb": null,\n  "stages": [\n  ]\n}\n' \
      "$(printf '%s' "$formula" | sed 's/\\/\\\\/g; s/"/\\"/g')" "$reason" \
      "$([ "$reason" = "time limit" ] && echo "$timeout_s" || echo null)" > "$json.part"
  fi
  mv "$json.part" "$json"
}

# The records as one CSV row each (the columns: README, "Campaigns").
csv_rows() {
  awk '
    function value(line) { sub(/^[^:]*: */, "", line); sub(/,$/, "", line); return line }
    function text(v) { if (v == "null") return ""; sub(/^"/, "", v); sub(/"$/, "", v); gsub(/\\"/, "\"", v); gsub(/\\\\/, "\\", v); return v }
    function field(v) { if (v ~ /[,"]/) { gsub(/"/, "\"\"", v); return "\"" v "\"" } return v }
    function flush() {
      if (!file) return
      # A record cut short (a full disk) is a FAILURE of its own, and takes
      # nothing from the record before it.
      if (!complete) { verdict = "FAILURE"; reason = "incomplete record " file }
      if (formula == "") formula = file
      printf "%s,%s,%s,%s,%s,%s", field(formula), answer, verdict, field(reason), seconds, peak
      for (k = 1; k <= 5; k++) printf ",%s", s[names[k]]
      for (k = 2; k <= 5; k++) printf ",%s", m[names[k]]
      printf ",%s,%s,%s,%s,%s\n", b["solve"], b["trim"], b["cerox"], field(solver), engine
      formula = answer = verdict = reason = seconds = peak = solver = engine = ""
      complete = 0; delete s; delete m; delete b
    }
    BEGIN { split("formula solve trim cerox check", names, " ") }
    FNR == 1 { flush(); file = FILENAME }
    /^}[[:space:]]*$/ { complete = 1 }
    /^  "formula":/ { formula = text(value($0)) }
    /^  "answer":/ { answer = text(value($0)) }
    /^  "verdict":/ { verdict = text(value($0)) }
    /^  "reason":/ { reason = text(value($0)) }
    /^  "solver":/ { solver = text(value($0)) }
    /^  "engine":/ { engine = text(value($0)) }
    /^  "seconds":/ { seconds = value($0) }
    /^  "peak_kb":/ { p = value($0); peak = p == "null" ? "" : sprintf("%.1f", p / 1000) }
    /^    \{"name":/ {
      match($0, /"name": "[a-z]+"/); n = substr($0, RSTART + 9, RLENGTH - 10)
      match($0, /"seconds": [0-9.]+/); s[n] = substr($0, RSTART + 11, RLENGTH - 11)
      match($0, /"peak_kb": [0-9a-z]+/); p = substr($0, RSTART + 11, RLENGTH - 11)
      m[n] = p == "null" ? "" : sprintf("%.1f", p / 1000)
      match($0, /"output_bytes": [0-9]+/); b[n] = substr($0, RSTART + 16, RLENGTH - 16)
    }
    END { flush() }' "$@"
}

collect() {
  local dir=$1
  local records=("$dir"/json/*.json)
  [ -e "${records[0]}" ] || die "no records in $dir/json"
  {
    echo "formula,answer,verdict,reason,seconds,peak_mb,formula_s,solve_s,trim_s,cerox_s,check_s,solve_mb,trim_mb,cerox_mb,check_mb,trace_bytes,core_bytes,certificate_bytes,solver,engine"
    csv_rows "${records[@]}" | sort
  } > "$dir/results.csv"
  # The summary: counts, stage totals, the slowest, every INVALID and FAILURE.
  awk -F, '
    function unquote(v) { if (v ~ /^".*"$/) { v = substr(v, 2, length(v) - 2); gsub(/""/, "\"", v) } return v }
    NR == 1 { next }
    {
      # Split again with quotes in mind: the formula and the reason may hold commas.
      n = 0; line = $0
      while (length(line) > 0) {
        if (substr(line, 1, 1) == "\"") { match(line, /^"([^"]|"")*"/); f = substr(line, 1, RLENGTH); line = substr(line, RLENGTH + 2) }
        else { i = index(line, ","); if (i == 0) { f = line; line = "" } else { f = substr(line, 1, i - 1); line = substr(line, i + 1) } }
        c[++n] = unquote(f)
      }
      rows++; count[c[3]]++; total += c[5]
      for (k = 7; k <= 11; k++) stage[k] += c[k]
      name[rows] = c[1]; secs[rows] = c[5]; verdict[rows] = c[3]; reason[rows] = c[4]
    }
    END {
      printf "# Campaign summary\n\n%d formulas: %d VALID, %d INVALID, %d FAILURE\n\n", rows, count["VALID"], count["INVALID"], count["FAILURE"]
      printf "| stage | total seconds |\n|---|---|\n"
      split("formula solve trim cerox check", st, " ")
      for (k = 7; k <= 11; k++) printf "| %s | %.2f |\n", st[k - 6], stage[k]
      printf "| whole chain | %.2f |\n\n", total
      printf "Slowest:\n\n| formula | seconds | verdict |\n|---|---|---|\n"
      # The ten slowest by insertion (a whole set may hold tens of thousands).
      for (i = 1; i <= rows; i++) {
        if (top == 10 && secs[i] + 0 <= secs[order[10]] + 0) continue
        j = top < 10 ? ++top : 10
        for (; j > 1 && secs[i] + 0 > secs[order[j - 1]] + 0; j--) order[j] = order[j - 1]
        order[j] = i
      }
      for (i = 1; i <= top; i++) printf "| %s | %.2f | %s |\n", name[order[i]], secs[order[i]], verdict[order[i]]
      printf "\nINVALID and FAILURE:\n\n"
      none = 1
      for (i = 1; i <= rows; i++) if (verdict[i] != "VALID") { printf "- %s: %s: %s\n", name[i], verdict[i], reason[i]; none = 0 }
      if (none) printf "none\n"
    }' "$dir/results.csv" > "$dir/summary.md"
  # The cactus plot: per line, the certified formulas' times, sorted.
  if command -v gnuplot > /dev/null 2>&1; then
    local plot="$dir/.plot" column names=(chain formula solve trim cerox check) columns=(5 7 8 9 10 11) k
    mkdir -p "$plot"
    local series="" title
    for k in 0 2 3 4 5; do
      column=${columns[$k]}
      awk -F, -v c="$column" 'NR > 1 && $3 == "VALID" && $c != "" { t = $c < 0.001 ? 0.001 : $c; print t }' \
        "$dir/results.csv" | sort -g | awk '{ print NR, $1 }' > "$plot/${names[$k]}.dat"
      title=${names[$k]}
      [ "$title" = chain ] && title="whole chain"
      # A line without points (no formula certified) would stop gnuplot.
      [ -s "$plot/${names[$k]}.dat" ] &&
        series+="${series:+, }\"$plot/${names[$k]}.dat\" using 1:2 with linespoints title \"$title\""
    done
    [ -n "$series" ] || series='1 with lines lc rgb "white" title "no formula certified"'
    gnuplot << EOF 2> "$plot/gnuplot.err" || echo "cerox-campaign: gnuplot failed: $(head -n 1 "$plot/gnuplot.err")" >&2
set terminal svg size 800,500 dynamic
set output "$dir/cactus.svg"
set title "Certified formulas"
set xlabel "formulas certified"
set ylabel "seconds per formula"
set logscale y
set key left top
plot $series
EOF
    rm -rf "$plot"
  else
    echo "cerox-campaign: gnuplot not found (Debian package gnuplot-nox): no cactus.svg" >&2
  fi
}

if [ -n "$collect" ]; then
  collect "$(cd "$collect" && pwd)"
  cat "$collect/summary.md"
  exit 0
fi
[ -n "$out" ] || die "give --out DIR (see --help)"
mkdir -p "$out" || die "cannot create $out"
out=$(cd "$out" && pwd)
for tool in timeout prlimit; do command -v $tool > /dev/null 2>&1 || die "$tool not found"; done
[ -x "$bin/cerox-certify" ] || die "cerox-certify not found next to cerox-campaign in $bin"
if [ -n "$one" ]; then
  [ -r "$one" ] || die "cannot read $one"
  run_one "$(abs "$one")"
  exit 0
fi

command -v parallel > /dev/null 2>&1 || die "GNU parallel not found (install the Debian package parallel)"
if [ -n "$list" ]; then
  [ -r "$list" ] || die "cannot read $list"
  # A list written on Windows ends its lines in CR; one written by hand may
  # leave its last line without a line end.
  while IFS= read -r f || [ -n "$f" ]; do
    f=${f%$'\r'}
    [ -z "$f" ] || formulas+=("$f")
  done < "$list"
fi
[ ${#formulas[@]} -gt 0 ] || die "no formulas given"
: > "$out/formulas.txt"
for f in "${formulas[@]}"; do
  [ -r "$f" ] || die "cannot read $f"
  abs "$f" >> "$out/formulas.txt"
done
# The formulas still to run: with --resume those without a record.
todo="$out/todo.txt"
: > "$todo"
while IFS= read -r f; do
  [ -n "$resume" ] && [ -s "$out/json/$(key_of "$f").json" ] && continue
  echo "$f" >> "$todo"
done < "$out/formulas.txt"
total=$(wc -l < "$out/formulas.txt")
mkdir -p "$out/json" "$out/logs"

# The progress line counts the records' verdicts. Each is read once (and
# again when this run rewrites it), so that a look costs little however many
# records a whole benchmark set leaves.
declare -A verdict_of=() fresh=()
declare -A count=([VALID]=0 [INVALID]=0 [FAILURE]=0)
stamp="$out/.started"
scan_records() {
  local f line v
  for f in "$out"/json/*.json; do
    [ -e "$f" ] && [ -z "${fresh[$f]:-}" ] || continue
    if [ -n "${verdict_of[$f]:-}" ]; then [ "$f" -nt "$stamp" ] || continue; fi
    v=""
    while IFS= read -r line; do
      case $line in
        '  "verdict": "'*)
          v=${line#*: \"}
          v=${v%%\"*}
          break
          ;;
      esac
    done < "$f" 2> /dev/null
    [ -n "$v" ] || continue
    [ -z "${verdict_of[$f]:-}" ] || count[${verdict_of[$f]}]=$((count[${verdict_of[$f]}] - 1))
    verdict_of[$f]=$v
    count[$v]=$((${count[$v]:-0} + 1))
    [ ! -e "$stamp" ] || [ ! "$f" -nt "$stamp" ] || fresh[$f]=1
  done
}
progress() {
  scan_records
  printf '\r[%d/%d] VALID %d  INVALID %d  FAILURE %d  %ds ' "${#verdict_of[@]}" "$total" \
    "${count[VALID]}" "${count[INVALID]}" "${count[FAILURE]}" "$SECONDS" >&2
}
rm -f "$stamp"
scan_records
: > "$stamp"
opts=(--out "$out" --timeout "$timeout_s" --memory "$memory_mb" "${certify_opts[@]}")
[ -n "$certificates" ] || opts+=(--no-certificates)
parallel_opts=(-q -j "$jobs" --joblog "$out/joblog")
[ -z "$sshloginfile" ] || parallel_opts+=(--sshloginfile "$sshloginfile")
SECONDS=0
parallel "${parallel_opts[@]}" "$self" --one {} "${opts[@]}" :::: "$todo" > "$out/parallel.out" 2>&1 &
runner=$!
while kill -0 $runner 2> /dev/null; do
  progress
  sleep $((1 + ${#verdict_of[@]} / 5000))
done
wait $runner
progress
echo >&2
# A formula of this run without a record (its job killed from outside, a
# full disk, a machine that does not share DIR) is named, not left out of
# the counts in silence. The records this run wrote are counted already;
# keys are made only when some are missing.
missing=()
todo_count=$(wc -l < "$todo")
[ ${#fresh[@]} -ge "$todo_count" ] || while IFS= read -r f; do
  [ -f "$out/json/$(key_of "$f").json" ] || missing+=("$f")
done < "$todo"
records=("$out"/json/*.json)
[ -e "${records[0]}" ] || die "none of the $todo_count formulas has a record (see $out/joblog and $out/logs/)"
collect "$out"
if [ ${#missing[@]} -gt 0 ]; then
  {
    printf '\nWithout a record (their jobs in joblog, their output in logs/):\n\n'
    printf -- '- %s\n' "${missing[@]}"
  } >> "$out/summary.md"
fi
cat "$out/summary.md"
[ ${#missing[@]} -eq 0 ] || die "${#missing[@]} of $todo_count formulas have no record"
