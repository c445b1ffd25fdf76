#!/usr/bin/env bash
# Builds the toolset and certifies the bundled false example: cerox replays
# the core proof that DepQBF wrote and writes the countermodel, then
# cerox-certify proves that countermodel with ABC.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/need_packages.sh
need_packages cmake:cmake g++:g++ berkeley-abc:berkeley-abc /usr/include/zlib.h:zlib1g-dev \
  /usr/include/lzma.h:liblzma-dev /usr/include/zstd.h:libzstd-dev /usr/include/cadical.hpp:libcadical-dev
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build build -j "$(nproc)" > /dev/null
./build/cerox -m 3 examples/TOILET2.1.iv.3.qrp
echo "countermodel (examples/TOILET2.1.iv.3.qrp.blif):"
cat examples/TOILET2.1.iv.3.qrp.blif
printf '\n\n'
./build/cerox-certify examples/TOILET2.1.iv.3.qdimacs examples/TOILET2.1.iv.3.qrp
