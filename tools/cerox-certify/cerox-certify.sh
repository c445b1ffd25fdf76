#!/usr/bin/env bash
# cerox-certify: certifies a QBF in one command.
#
#   cerox-certify [-alter N] [--bqrp] [--long-distance] [--engine E] [--keep DIR]
#                 [--json FILE] [--certificate FILE] FORMULA [PROOF]
#   cerox-certify [--engine E] [--keep DIR] [--json FILE] --check CERT.blif --true|--false FORMULA
#
# FORMULA is QDIMACS, PROOF a 'qrp' trace, text or binary ('bqrp'); either
# may be compressed (gzip, xz, zstd). Without a proof, DepQBF solves the
# formula and writes its trace (binary with --bqrp; in its long-distance
# mode with --long-distance). The trace is trimmed to
# its core (qrp-trim), cerox builds the certificate, and cerox-check checks
# it: its structure, then its meaning by the engine E (auto, sim, sat, or
# abc: the formula converter, blif-join and ABC). The certificate is kept
# next to the formula as NAME.certificate.blif, or in the --certificate FILE.
#
# The last line is the verdict: VALID (exit 0), INVALID: <reason> (exit 1)
# or FAILURE: <reason> (exit 2). --json FILE also writes the run as one JSON
# object: the formula, the answer, the verdict and its reason, the solver
# and the check's engine, and per stage its seconds, peak memory (through
# /usr/bin/time, when there) and output size.
set -u

# A path's folder and name, by parameter expansion (a process each costs
# more than a small formula's stages).
dir_of() { case "$1" in */*) echo "${1%/*}/" ;; *) echo . ;; esac; }
name_of() { echo "${1##*/}"; }
# The siblings lie next to this file, also when it is called through a
# link (one put in ~/bin, say).
self=$(readlink -f "${BASH_SOURCE[0]}" 2> /dev/null) || self=${BASH_SOURCE[0]}
bin=$(cd "$(dir_of "$self")" && pwd)
alter=0
long_distance=""
engine=auto
bqrp=""
keep=""
check=""
json=""
certificate_out=""
answer=""
args=()
stages=()  # JSON objects of the stages run
# The clock in microseconds, and fixed-point numbers, without starting a
# process.
now() {
  if [ -n "${EPOCHREALTIME:-}" ]; then
    echo "${EPOCHREALTIME//[!0-9]/}"
  else
    date +%s%6N
  fi
}
fixed() { # value unit decimals: value / unit, rounded to decimals places
  local scale=$((10 ** $3)) v
  v=$((($1 * scale + $2 / 2) / $2))
  if [ "$3" -eq 0 ]; then echo "$v"; else printf '%d.%0*d' $((v / scale)) "$3" $((v % scale)); fi
}
started=$(now)

# One JSON string.
json_string() {
  local s=$1
  s=${s//\\/\\\\}
  s=${s//\"/\\\"}
  s=${s//[$'\t\n\r']/ }
  # Other control characters (a file name may hold them) as \u escapes of
  # their values, and so bytes that are no UTF-8 (a file name in Latin-1,
  # say), so that the record stays JSON.
  local LC_ALL=C c b i out="" escaped=$'\001'-$'\037'
  if [[ $s == *[$'\200'-$'\377']* ]] && command -v iconv > /dev/null &&
    ! printf '%s' "$s" | iconv -f UTF-8 -t UTF-8 > /dev/null 2>&1; then
    escaped+=$'\200'-$'\377'
  fi
  if [[ $s == *[$escaped]* ]]; then
    for ((i = 0; i < ${#s}; ++i)); do
      c=${s:i:1}
      case $c in
        [$escaped]) printf -v b '%d' "'$c"; printf -v c '\\u%04x' $((b & 255)) ;;
      esac
      out+=$c
    done
    s=$out
  fi
  printf '"%s"' "$s"
}
write_json() { # verdict line
  local v=${1%%:*} reason="" stage_list="" total peak=0 x
  [ "$v" = "$1" ] || reason=${1#*: }
  for x in "${stages[@]}"; do
    stage_list+="${stage_list:+,$'\n'}    $x"
    x=${x##*\"peak_kb\": }
    x=${x%%,*}
    [ "$x" != null ] && [ "$x" -gt "$peak" ] && peak=$x
  done
  total=$(fixed $(($(now) - started)) 1000000 3)
  {
    printf '{\n  "formula": %s,\n' "$(json_string "${formula:-${args[0]:-}}")"
    printf '  "answer": %s,\n' "$([ -n "$answer" ] && json_string "$answer" || echo null)"
    printf '  "verdict": %s,\n  "reason": %s,\n' "$(json_string "$v")" "$(json_string "$reason")"
    printf '  "solver": %s,\n' "$(json_string "$([ -n "$check" ] && echo none ||
      { [ -n "$proof" ] && echo "given proof" || echo "depqbf${long_distance:+ --long-dist-res}"; })")"
    printf '  "engine": %s,\n' "$(json_string "$engine")"
    printf '  "seconds": %s,\n  "peak_kb": %s,\n' "$total" "$peak"
    printf '  "stages": [\n%s\n  ]\n}\n' "$stage_list"
  } > "$json.tmp" && mv "$json.tmp" "$json"
}
# A stage that fails on a full disk may not even leave its message (DepQBF
# ends with an answer on a cut trace): a FAILURE says when the stage files'
# folder has next to no room left.
room_note() {
  [ -n "${work:-}" ] && [ -d "$work" ] || return 0
  local avail where=$work
  avail=$(df -Pk "$work" 2> /dev/null | awk 'NR == 2 { print $4 }')
  [[ "$avail" =~ ^[0-9]+$ ]] && [ "$avail" -lt 1024 ] || return 0
  [ -n "$keep" ] || where=$(dir_of "$work")
  echo " (only $avail KB left where the stage files go, ${where%/}: a stage's output may be cut short; give TMPDIR or --keep a folder with room)"
}
verdict() {
  local line=$1
  [[ "$line" != FAILURE* ]] || line+=$(room_note)
  set -- "$line"
  echo "$1"
  [ -z "$json" ] || write_json "$1" || echo "cannot write $json" >&2
  case "$1" in
    VALID) exit 0 ;;
    INVALID*) exit 1 ;;
    *) exit 2 ;;
  esac
}
print_usage() {
  echo "usage: cerox-certify [-alter N] [--bqrp] [--long-distance] [--engine auto|sim|sat|abc] [--keep DIR]"
  echo "                     [--json FILE] [--certificate FILE] FORMULA [PROOF]"
  echo "       cerox-certify [--engine auto|sim|sat|abc] [--keep DIR] [--json FILE]"
  echo "                     --check CERT.blif --true|--false FORMULA"
  echo "  FORMULA          QDIMACS, plain or compressed (gzip, xz, zstd)"
  echo "  PROOF            a DepQBF trace, text or binary, plain or compressed; without"
  echo "                   it DepQBF solves the formula"
  echo "  -alter N         cerox's alternation minimisation (0: none)"
  echo "  --bqrp           DepQBF writes a binary trace"
  echo "  --long-distance  DepQBF solves with long-distance resolution"
  echo "  --engine E       the check: auto (default), sim, sat, or abc"
  echo "  --keep DIR       keep every stage's files in DIR"
  echo "  --json FILE      write the run (stages, seconds, memory, verdict) as JSON"
  echo "  --certificate FILE  keep the certificate there (default: NAME.certificate.blif"
  echo "                   next to the formula)"
  echo "  --check CERT     check a certificate made elsewhere, of a --true or --false formula"
  echo "  -h, --help       this text"
  echo "The last line is the verdict: VALID (exit 0), INVALID: why (1), FAILURE: why (2)."
}
usage() {
  print_usage
  verdict "FAILURE: $1"
}

while [ $# -gt 0 ]; do
  case "$1" in
    -alter)
      [ $# -ge 2 ] || usage "-alter needs a value"
      [[ "$2" =~ ^[0-9]+$ ]] || usage "-alter takes a number of 0 or more"
      alter=$2
      shift 2 ;;
    --keep | --check | --json | --certificate)
      [ $# -ge 2 ] || usage "$1 needs a $(case "$1" in --keep) echo folder ;; --check) echo certificate ;; *) echo file ;; esac)"
      case "$1" in
        --keep) keep=$2 ;;
        --check) check=$2 ;;
        --json) json=$2 ;;
        *) certificate_out=$2 ;;
      esac
      shift 2 ;;
    --bqrp) bqrp=1; shift ;;
    --long-distance) long_distance=1; shift ;;
    --engine)
      [ $# -ge 2 ] || usage "--engine needs a value"
      case "$2" in auto | sim | sat | abc) engine=$2 ;; *) usage "unknown engine $2" ;; esac
      shift 2 ;;
    --true) answer=true; shift ;;
    --false) answer=false; shift ;;
    -h | --help) print_usage; exit 0 ;;
    -*) usage "unknown option $1" ;;
    *) args+=("$1"); shift ;;
  esac
done

if [ -n "$check" ]; then
  [ ${#args[@]} -eq 1 ] || usage "--check takes exactly one formula"
  [ -n "$answer" ] || usage "--check needs --true or --false"
else
  [ ${#args[@]} -ge 1 ] && [ ${#args[@]} -le 2 ] || usage "give a formula and at most one proof"
  [ -z "$answer" ] || usage "--true and --false go with --check"
fi
# The absolute path (the run changes folder); a path in a folder that is not
# there stays as it is, to fail where it is used.
abs() {
  local dir
  dir=$(cd "$(dir_of "$1")" 2> /dev/null && pwd) || { echo "$1"; return; }
  echo "${dir%/}/$(name_of "$1")"
}
formula=$(abs "${args[0]}")
proof=${args[1]:-}
[ -z "$proof" ] || proof=$(abs "$proof")
[ -z "$check" ] || check=$(abs "$check")
[ -z "$certificate_out" ] || [ "$certificate_out" = /dev/null ] || certificate_out=$(abs "$certificate_out")
[ -z "$json" ] || json=$(abs "$json")

need() { # command package
  command -v "$1" > /dev/null 2>&1 ||
    verdict "FAILURE: $1 not found (install the Debian package $2)"
}
[ "$engine" != abc ] || need berkeley-abc berkeley-abc
[ -n "$check" ] || [ -n "$proof" ] || need depqbf depqbf
for tool in cerox qrp-trim cerox-check qdimacs-cnf-true qdimacs-cnf-false blif-join; do
  [ -x "$bin/$tool" ] || verdict "FAILURE: $tool not found next to cerox-certify in $bin"
done
# A file or a pipe (a FIFO, or a shell's <(...)), which is read once.
readable() { { [ -f "$1" ] || [ -p "$1" ]; } && [ -r "$1" ]; }
readable "$formula" || verdict "FAILURE: cannot read formula ${args[0]}"
[ -z "$proof" ] || readable "$proof" || verdict "FAILURE: cannot read proof ${args[1]}"
[ -z "$check" ] || readable "$check" || verdict "FAILURE: cannot read certificate $check"

if [ -n "$keep" ]; then
  mkdir -p "$keep" || verdict "FAILURE: cannot create folder $keep"
  work=$(cd "$keep" && pwd)
else
  work=$(mktemp -d) || verdict "FAILURE: cannot create a temporary folder"
  trap 'rm -rf "$work"' EXIT
fi

# NAME: the formula's file name less a compression suffix and .qdimacs.
name=$(name_of "$formula")
name=${name%.gz}
name=${name%.xz}
name=${name%.zst}
name=${name%.qdimacs}
hint=""
[ -n "$certificate_out" ] || certificate_out="${formula%/*}/$name.certificate.blif" hint=" (give --certificate FILE)"
# An output that is an input (by name or through a link) would overwrite it
# (--check writes no certificate).
finals=("$json")
[ -n "$check" ] || finals+=("$certificate_out")
outputs=("${finals[@]}")
# So are the stages' files in a --keep folder that holds an input.
[ -z "$keep" ] || for f in f.qdimacs formula.in trace.qrp depqbf.err f.qrp trim.out cerox.out \
  f.qrp.blif f.qrp_am1.blif f.qrp_am2.blif f.qrp_am3.blif cert.blif check.out peak.out; do
  outputs+=("$work/$f")
done
for out in "${outputs[@]}"; do
  for input in "$formula" "$proof" "$check"; do
    if [ -n "$input" ] && [ "$out" -ef "$input" ]; then
      [ "$out" != "$json" ] || json=""
      verdict "FAILURE: $out is an input of the run: it would be overwritten"
    fi
  done
done
# A link, /dev/null or a pipe is written through; a regular file is written
# beside its place and renamed over it.
written_through() { [ -L "$1" ] || { [ -e "$1" ] && [ ! -f "$1" ]; }; }
# Where the run writes, it can write, before a stage runs: a solve of hours
# is not to end in "cannot write". The record is always renamed over its
# place.
for out in "${finals[@]}"; do
  [ -n "$out" ] || continue
  if [ "$out" != "$json" ] && written_through "$out"; then
    [ -w "$out" ] && continue
  else
    [ -d "$(dir_of "$out")" ] && [ -w "$(dir_of "$out")" ] && continue
  fi
  [ "$out" != "$json" ] || json="" hint=""
  verdict "FAILURE: cannot write $out$hint"
done

# Runs a stage's command, noting its peak memory in $peak_kb when GNU time
# is there.
peak_kb=null
measured() {
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M -o "$work/peak.out" "$@"
    local status=$?
    local line
    peak_kb=null
    # The last line; a failed command's status comes first.
    while IFS= read -r line; do
      peak_kb=$line
    done < "$work/peak.out"
    [[ "$peak_kb" =~ ^[0-9]+$ ]] || peak_kb=null
    return $status
  fi
  peak_kb=null
  "$@"
}
stage() { # name start details [output file]; SIZE in the details: the file's size
  local us bytes=0
  us=$(($(now) - $2))
  [ -z "${4:-}" ] || bytes=$(stat -c %s "$4" 2> /dev/null || echo 0)
  printf '%-10s %8s s  %s\n' "$1" "$(fixed "$us" 1000000 2)" "${3//SIZE/$(fixed "$bytes" 1000 1) KB}"
  stages+=("$(printf '{"name": "%s", "seconds": %s, "peak_kb": %s, "output_bytes": %d}' \
    "$1" "$(fixed "$us" 1000000 3)" "$peak_kb" "$bytes")")
  peak_kb=null
}

# A stage that failed: when the formula breaks a rule of QDIMACS that the
# solver let pass (a variable above the declared count, say), that is the
# reason, not the stage's view of it.
stage_failure() { # the stage's reason
  local why
  why=$("$bin/cerox-check" --formula "$work/f.qdimacs" 2> /dev/null | tail -n 1)
  [[ "$why" != FAILURE:* ]] || verdict "${why//"$work/f.qdimacs"/${args[0]}}"
  verdict "FAILURE: $1"
}

# The certificate to where it is kept: renamed over a regular file, so that
# a full disk leaves no part of a certificate (nor half of the last one)
# behind.
put_certificate() {
  if written_through "$certificate_out"; then
    cp cert.blif "$certificate_out" 2> /dev/null
    return
  fi
  local part="$certificate_out.part$$"
  cp cert.blif "$part" 2> /dev/null && mv -f "$part" "$certificate_out" 2> /dev/null && return
  rm -f "$part"
  return 1
}

# The compression of a file, by its first bytes: gzip, xz, zstd or nothing.
compression() {
  case $(head -c 6 "$1" | od -An -tx1 | tr -d ' \n') in
    1f8b*) echo gzip ;;
    fd377a585a00) echo xz ;;
    28b52ffd*) echo zstd ;;
  esac
}
# The formula, uncompressed (DepQBF reads only plain files), under a name the
# converters can strip.
t=$(now)
# A pipe is copied before its first bytes are looked at.
formula_in=$formula
if [ -p "$formula" ]; then
  formula_in=$work/formula.in
  cat "$formula" > "$formula_in" || verdict "FAILURE: cannot read formula ${args[0]}"
fi
kind=$(compression "$formula_in")
if [ -n "$kind" ]; then
  need "$kind" "$([ "$kind" = xz ] && echo xz-utils || echo "$kind")"
  "$kind" -dc "$formula_in" > "$work/f.qdimacs" 2> /dev/null || verdict "FAILURE: cannot decompress $formula ($kind)"
else
  cp "$formula_in" "$work/f.qdimacs" || verdict "FAILURE: cannot copy $formula"
fi
# As the readers take it (DepQBF too): blanks before and between the words.
LC_ALL=C grep -qE '^[[:space:]]*p[[:space:]]+cnf([[:space:]]|$)' "$work/f.qdimacs" ||
  stage_failure "$formula is not a QDIMACS formula (no 'p cnf' line)"
stage formula "$t" SIZE "$work/f.qdimacs"
cd "$work"

if [ -n "$check" ]; then
  cp "$check" cert.blif 2> /dev/null || verdict "FAILURE: cannot copy certificate $check"
else
  if [ -z "$proof" ]; then
    t=$(now)
    measured depqbf --trace${bqrp:+=bqrp} ${long_distance:+--long-dist-res} --dep-man=simple \
      --traditional-qcdcl --no-qbce-dynamic f.qdimacs > trace.qrp 2> depqbf.err
    status=$?
    case $status in
      10) answer=true ;;
      20) answer=false ;;
      *) verdict "FAILURE: DepQBF ended without an answer (exit status $status$(head -c 200 depqbf.err | tr '\n' ' ' | sed 's/^./: &/'))" ;;
    esac
    stage solve "$t" "$answer, trace SIZE" trace.qrp
  else
    # Text or binary, plain or compressed: qrp-trim reads them all.
    cp "$proof" trace.qrp || verdict "FAILURE: cannot copy proof $proof"
  fi
  t=$(now)
  measured "$bin/qrp-trim" trace.qrp f.qrp > trim.out
  status=$?
  if [ $status -ne 0 ]; then
    why=$(tail -n 1 trim.out | grep . || echo "qrp-trim ended with exit status $status")
    # A given proof's work copy goes by the name it was given.
    [ -z "$proof" ] || why=${why//"qrp-trim: trace.qrp"/"qrp-trim: ${args[1]}"}
    stage_failure "$why"
  fi
  # The core is plain; its last line is the answer (after a NUL when binary),
  # as the readers take it: a CR or blanks at the end do not count.
  last=$(tail -c 16 f.qrp | tr -d '\000\r' | LC_ALL=C sed 's/[[:blank:]]*$//; /^$/d' | tail -n 1)
  case "$last" in
    *"r SAT") core_answer=true ;;
    *"r UNSAT") core_answer=false ;;
    *) verdict "FAILURE: ${proof:-the trace} has no 'r SAT' or 'r UNSAT' line" ;;
  esac
  [ -z "$answer" ] || [ "$answer" = "$core_answer" ] ||
    verdict "FAILURE: DepQBF answered $answer but its trace ends in ${last#* }"
  answer=$core_answer
  stage trim "$t" "core SIZE ($(sed -E 's/^qrp-trim: //; s/, [0-9.]+ s$//' trim.out))" f.qrp
  t=$(now)
  mode=3
  [ "$answer" = true ] && mode=4
  measured "$bin/cerox" -m $mode -alter "$alter" f.qrp > cerox.out
  status=$?
  if [ $status -ne 0 ]; then
    why=$(grep -m 1 ERROR cerox.out | sed -E 's/^ *-+ *//; s/ *-+ *$//')
    stage_failure "cerox -m $mode: ${why:-ended with exit status $status}"
  fi
  suffix=""
  case $alter in 0) ;; 1) suffix=_am1 ;; 2) suffix=_am2 ;; *) suffix=_am3 ;; esac
  mv "f.qrp$suffix.blif" cert.blif
  stage cerox "$t" "$([ "$answer" = true ] && echo model || echo countermodel) SIZE" cert.blif
  put_certificate || verdict "FAILURE: cannot write $certificate_out"
fi

t=$(now)
measured "$bin/cerox-check" --engine "$engine" f.qdimacs cert.blif "--$answer" > check.out
status=$?
last=$(tail -n 1 check.out)
# The engine that decided, or the stage that stopped the check.
how=$(grep '^semantics' check.out | sed -E 's/^semantics +[0-9.]+ s +//')
case "$how" in simulation*) engine=sim ;; CaDiCaL*) engine=sat ;; ABC*) engine=abc ;; esac
stage check "$t" "${how:-structure}: ${last%%:*}"
# A given proof whose header declares other numbers than the formula's was
# most likely made for another formula: the reason says so.
if [ $status -eq 1 ] && [ -n "$proof" ]; then
  declared=$(head -c 200 f.qrp | tr '\000\r' '\n\n' | awk '$1 == "p" { print $3, $4; exit }')
  own=$(tr -d '\r' < f.qdimacs | awk '$1 == "p" { print $3, $4; exit }')
  [ -z "$declared" ] || [ "$declared" = "$own" ] ||
    last+=" (the proof declares ${declared% *} variables and ${declared#* } clauses, the formula ${own% *} and ${own#* }: is the proof of another formula?)"
fi
case $status in
  0) verdict VALID ;;
  1) verdict "$last" ;;
  # The check read the work copy: the reason names the formula given.
  *) last=${last#FAILURE: }; verdict "FAILURE: cerox-check: ${last//f.qdimacs/${args[0]}}" ;;
esac
