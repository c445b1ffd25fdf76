#!/usr/bin/env bash
# cerox-certify: certifies a QBF in one command.
#
#   cerox-certify [-alter N] [--bqrp] [--long-distance] [--engine E] [--keep DIR] FORMULA [PROOF]
#   cerox-certify [--engine E] [--keep DIR] --check CERT.blif --true|--false FORMULA
#
# FORMULA is QDIMACS, PROOF a 'qrp' trace, text or binary ('bqrp'); either
# may be compressed (gzip, xz, zstd). Without a proof, DepQBF solves the
# formula and writes its trace (binary with --bqrp; in its long-distance
# mode with --long-distance). The trace is trimmed to
# its core (qrp-trim), cerox builds the certificate, and cerox-check checks
# it: its structure, then its meaning by the engine E (auto, sim, sat, or
# abc: the formula converter, blif-join and ABC). The certificate is kept
# next to the formula as NAME.certificate.blif.
#
# The last line is the verdict: VALID (exit 0), INVALID (exit 1) or
# FAILURE: <reason> (exit 2).
set -u

bin=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
alter=0
long_distance=""
engine=auto
bqrp=""
keep=""
check=""
answer=""
args=()

verdict() {
  echo "$1"
  case "$1" in
    VALID) exit 0 ;;
    INVALID) exit 1 ;;
    *) exit 2 ;;
  esac
}
usage() {
  echo "usage: cerox-certify [-alter N] [--bqrp] [--long-distance] [--engine auto|sim|sat|abc] [--keep DIR] FORMULA [PROOF]"
  echo "       cerox-certify [--engine auto|sim|sat|abc] [--keep DIR] --check CERT.blif --true|--false FORMULA"
  verdict "FAILURE: $1"
}

while [ $# -gt 0 ]; do
  case "$1" in
    -alter)
      [ $# -ge 2 ] || usage "-alter needs a value"
      [[ "$2" =~ ^[0-9]+$ ]] || usage "-alter takes a number of 0 or more"
      alter=$2
      shift 2 ;;
    --keep)
      [ $# -ge 2 ] || usage "--keep needs a folder"
      keep=$2
      shift 2 ;;
    --check)
      [ $# -ge 2 ] || usage "--check needs a certificate"
      check=$2
      shift 2 ;;
    --bqrp) bqrp=1; shift ;;
    --long-distance) long_distance=1; shift ;;
    --engine)
      [ $# -ge 2 ] || usage "--engine needs a value"
      case "$2" in auto | sim | sat | abc) engine=$2 ;; *) usage "unknown engine $2" ;; esac
      shift 2 ;;
    --true) answer=true; shift ;;
    --false) answer=false; shift ;;
    -h | --help) usage "no formula given" ;;
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
abs() { echo "$(cd "$(dirname "$1")" 2> /dev/null && pwd)/$(basename "$1")"; }
formula=$(abs "${args[0]}")
proof=${args[1]:-}
[ -z "$proof" ] || proof=$(abs "$proof")
[ -z "$check" ] || check=$(abs "$check")

need() { # command package
  command -v "$1" > /dev/null 2>&1 ||
    verdict "FAILURE: $1 not found (install the Debian package $2)"
}
[ "$engine" != abc ] || need berkeley-abc berkeley-abc
[ -n "$check" ] || [ -n "$proof" ] || need depqbf depqbf
for tool in cerox qrp-trim cerox-check qdimacs-cnf-true qdimacs-cnf-false blif-join; do
  [ -x "$bin/$tool" ] || verdict "FAILURE: $tool not found next to cerox-certify in $bin"
done
[ -f "$formula" ] && [ -r "$formula" ] || verdict "FAILURE: cannot read formula ${args[0]}"
[ -z "$proof" ] || { [ -f "$proof" ] && [ -r "$proof" ]; } || verdict "FAILURE: cannot read proof ${args[1]}"
[ -z "$check" ] || { [ -f "$check" ] && [ -r "$check" ]; } ||
  verdict "FAILURE: cannot read certificate $check"

if [ -n "$keep" ]; then
  mkdir -p "$keep" || verdict "FAILURE: cannot create folder $keep"
  work=$(cd "$keep" && pwd)
else
  work=$(mktemp -d) || verdict "FAILURE: cannot create a temporary folder"
  trap 'rm -rf "$work"' EXIT
fi

# NAME: the formula's file name less a compression suffix and .qdimacs.
name=$(basename "$formula")
name=${name%.gz}
name=${name%.xz}
name=${name%.zst}
name=${name%.qdimacs}
certificate_out="$(dirname "$formula")/$name.certificate.blif"

now() { date +%s.%N; }
stage() { # name start details
  awk -v n="$1" -v s="$2" -v e="$(now)" -v d="$3" 'BEGIN { printf "%-10s %8.2f s  %s\n", n, e - s, d }'
}
size_of() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f KB", b / 1000 }'; }

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
kind=$(compression "$formula")
if [ -n "$kind" ]; then
  need "$kind" "$([ "$kind" = xz ] && echo xz-utils || echo "$kind")"
  "$kind" -dc "$formula" > "$work/f.qdimacs" 2> /dev/null || verdict "FAILURE: cannot decompress $formula ($kind)"
else
  cp "$formula" "$work/f.qdimacs" || verdict "FAILURE: cannot copy $formula"
fi
grep -q '^p cnf' "$work/f.qdimacs" || verdict "FAILURE: $formula is not a QDIMACS formula (no 'p cnf' line)"
stage formula "$t" "$(size_of "$work/f.qdimacs")"
cd "$work"

if [ -n "$check" ]; then
  cp "$check" cert.blif 2> /dev/null || verdict "FAILURE: cannot copy certificate $check"
else
  if [ -z "$proof" ]; then
    t=$(now)
    (depqbf --trace${bqrp:+=bqrp} ${long_distance:+--long-dist-res} --dep-man=simple \
      --traditional-qcdcl --no-qbce-dynamic f.qdimacs \
      > trace.qrp 2> depqbf.err) 2> /dev/null
    status=$?
    case $status in
      10) answer=true ;;
      20) answer=false ;;
      *) verdict "FAILURE: DepQBF ended without an answer (exit status $status$(head -c 200 depqbf.err | tr '\n' ' ' | sed 's/^./: &/'))" ;;
    esac
    stage solve "$t" "$answer, trace $(size_of trace.qrp)"
  else
    # Text or binary, plain or compressed: qrp-trim reads them all.
    cp "$proof" trace.qrp || verdict "FAILURE: cannot copy proof $proof"
  fi
  t=$(now)
  "$bin/qrp-trim" trace.qrp f.qrp > trim.out || verdict "FAILURE: $(tail -n 1 trim.out)"
  # The core is plain; its last line is the answer (after a NUL when binary).
  last=$(tail -c 12 f.qrp | tr -d '\000' | tail -n 1)
  case "$last" in
    *"r SAT") core_answer=true ;;
    *"r UNSAT") core_answer=false ;;
    *) verdict "FAILURE: ${proof:-the trace} has no 'r SAT' or 'r UNSAT' line" ;;
  esac
  [ -z "$answer" ] || [ "$answer" = "$core_answer" ] ||
    verdict "FAILURE: DepQBF answered $answer but its trace ends in ${last#* }"
  answer=$core_answer
  stage trim "$t" "core $(size_of f.qrp) ($(sed -E 's/^qrp-trim: //; s/, [0-9.]+ s$//' trim.out))"
  t=$(now)
  mode=3
  [ "$answer" = true ] && mode=4
  "$bin/cerox" -m $mode -alter "$alter" f.qrp > cerox.out
  status=$?
  if [ $status -ne 0 ]; then
    verdict "FAILURE: cerox -m $mode: $(grep -m 1 ERROR cerox.out | sed -E 's/^ *-+ *//; s/ *-+ *$//')"
  fi
  suffix=""
  case $alter in 0) ;; 1) suffix=_am1 ;; 2) suffix=_am2 ;; *) suffix=_am3 ;; esac
  mv "f.qrp$suffix.blif" cert.blif
  stage cerox "$t" "$([ "$answer" = true ] && echo model || echo countermodel) $(size_of cert.blif)"
  cp cert.blif "$certificate_out" 2> /dev/null || verdict "FAILURE: cannot write $certificate_out"
fi

t=$(now)
"$bin/cerox-check" --engine "$engine" f.qdimacs cert.blif "--$answer" > check.out
status=$?
last=$(tail -n 1 check.out)
# The engine that decided, or the stage that stopped the check.
how=$(grep '^semantics' check.out | sed -E 's/^semantics +[0-9.]+ s +//')
stage check "$t" "${how:-structure}: ${last%%:*}"
case $status in
  0) verdict VALID ;;
  1) echo "$last"; exit 1 ;;
  *) verdict "FAILURE: cerox-check: ${last#FAILURE: }" ;;
esac
