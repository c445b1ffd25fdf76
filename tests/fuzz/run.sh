#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz/ and
# runs each for SECONDS, starting from the regression corpus and the seeds
# made from the test inputs. New inputs stay in build-fuzz/corpus/<target>/.
# Usage: tests/fuzz/run.sh SECONDS [TARGET...]
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-60}
shift || true
targets=${*:-fuzz_formula fuzz_cerox fuzz_converters fuzz_blif_join fuzz_trace fuzz_check}
. scripts/need_packages.sh
need_packages clang++:clang /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a:libclang-rt-14-dev
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCEROX_FUZZ=ON > /dev/null
cmake --build build-fuzz -j "$(nproc)" --target $targets > /dev/null
tests/fuzz/make_seeds.sh build-fuzz/seeds > /dev/null
for t in $targets; do
  mkdir -p "build-fuzz/corpus/$t"
  echo "== $t for $seconds s"
  (cd build-fuzz && "./tests/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -max_len=65536 -close_fd_mask=1 -print_final_stats=1 "corpus/$t" "seeds/$t" \
    "../tests/fuzz/corpus/$t" 2>&1 | grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)|ERROR|SUMMARY|Done" || true)
  echo "corpus: $(ls "build-fuzz/corpus/$t" | wc -l) inputs"
done
