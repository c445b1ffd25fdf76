#!/usr/bin/env bash
# Builds the toolset and certifies the bundled example: the core proof that
# DepQBF wrote for a false planning formula is replayed by cerox, which
# writes the countermodel examples/TOILET2.1.iv.3.qrp.blif.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/need_packages.sh
need_packages cmake:cmake g++:g++
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build -j "$(nproc)" > /dev/null
./build/cerox -m 3 examples/TOILET2.1.iv.3.qrp
echo "countermodel written to examples/TOILET2.1.iv.3.qrp.blif:"
cat examples/TOILET2.1.iv.3.qrp.blif
echo
