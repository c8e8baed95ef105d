#!/usr/bin/env bash
# Builds everything and runs every test: the unit and end-to-end tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
borvanta_install_deps

jobs=$(nproc)
status=0

echo "== Build (Debug, ASan + UBSan)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBORVANTA_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"

echo "== Tests"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build/asan && ctest -j "$jobs" --output-on-failure --timeout 300) || status=1

echo "== Fuzz targets (clang, libFuzzer)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBORVANTA_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs"
if [ -n "$(cd build/fuzz && ctest -N | grep -E '^ +Test +#')" ]; then
    (cd build/fuzz && ctest -j "$jobs" --output-on-failure --timeout 300) || status=1
else
    echo "no fuzz targets yet"
fi

exit $status
