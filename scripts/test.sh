#!/usr/bin/env bash
# Builds everything and runs every test (unit, golden and end-to-end).
# Usage: scripts/test.sh [BUILD_DIR [extra cmake options]]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/need_packages.sh
need_packages cmake:cmake g++:g++ /usr/include/gtest/gtest.h:libgtest-dev depqbf:depqbf \
  berkeley-abc:berkeley-abc /usr/include/zlib.h:zlib1g-dev /usr/include/lzma.h:liblzma-dev \
  /usr/include/zstd.h:libzstd-dev /usr/include/cadical.hpp:libcadical-dev xz:xz-utils zstd:zstd \
  parallel:parallel gnuplot:gnuplot-nox /usr/bin/time:time
build=${1:-build}
shift || true
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON "$@" > /dev/null
cmake --build "$build" -j "$(nproc)" > /dev/null
cd "$build"
ctest --output-on-failure -j "$(nproc)"
