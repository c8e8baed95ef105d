#!/usr/bin/env bash
# Builds everything and runs every test: the unit and end-to-end tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
borvanta_install_deps

jobs=$(nproc)
status=0
passed=0
failed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Runs ctest in a build folder and adds its counts to the totals.
run_ctest() {
    local dir=$1
    shift
    local rc=0
    (cd "$dir" && ctest -j "$jobs" --output-on-failure --timeout 300 "$@") 2>&1 | tee "$log" || rc=1
    local line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
    if [ -n "$line" ]; then
        bad=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/')
        total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
    [ $rc -eq 0 ] || status=1
}

echo "== Build (Debug, ASan + UBSan)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBORVANTA_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"

echo "== Tests"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_ctest build/asan

echo "== Threaded tests (ThreadSanitizer)"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBORVANTA_TSAN=ON -DBORVANTA_BENCH=OFF \
    >/dev/null
cmake --build build/tsan -j "$jobs" --target threaded_tests
if [ -n "$(cd build/tsan && ctest -N -L threaded | grep -E '^ +Test +#')" ]; then
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest build/tsan -L threaded
else
    echo "no threaded tests yet"
fi

echo "== Fuzz targets (clang, libFuzzer)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBORVANTA_FUZZ=ON -DBORVANTA_WERROR=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs"
if [ -n "$(cd build/fuzz && ctest -N | grep -E '^ +Test +#')" ]; then
    run_ctest build/fuzz
else
    echo "no fuzz targets yet"
fi

echo
echo "Summary: $passed passed, $failed failed"
exit $status
