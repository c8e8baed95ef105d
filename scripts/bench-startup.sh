#!/usr/bin/env bash
# Builds the programs optimised (build/bench) and prints their start-up cost on a private Xvfb
# beside the floor of a bare Xlib program.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
borvanta_install_deps

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBORVANTA_TESTS=OFF \
    -DBORVANTA_BENCH=ON -DBORVANTA_WERROR=OFF >/dev/null
# At most four jobs: the machine is usually shared.
cmake --build build/bench -j 4 --target bench_startup
build/bench/tests/bench/bench_startup "$@"
