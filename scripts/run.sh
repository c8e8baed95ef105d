#!/usr/bin/env bash
# Builds the programs and runs what exists of the system so far.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
borvanta_install_deps

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBORVANTA_TESTS=OFF \
    -DBORVANTA_BENCH=OFF -DBORVANTA_WERROR=OFF >/dev/null
cmake --build build/release -j "$(nproc)"

echo
echo "Built in build/release: the program folder program/ (the configurator Borvanta5600 with its"
echo "skin, language files, fonts and help page), the virtual mouse's command line"
echo "(tools/mousectl/mousectl show) and a platform demo (tools/demo_window/demo_window)."
echo "The tray companion BorvantaSysTray is not built as a program yet."

program=build/release/program/Borvanta5600
# The installer's registry values (install folder, English), written only where missing.
"$program" --install-defaults

if [ -n "${DISPLAY:-}" ] && [ "${BORVANTA_DISPLAY:-}" != "headless" ]; then
    echo
    echo "Starting the configurator on $DISPLAY (drag it by any free spot; Cancel or OK ends it)."
    exec "$program"
fi

echo
echo "No X display (DISPLAY is not set): the configurator needs one to be used. It now runs"
echo "for three seconds on the in-memory display and saves what it showed."
"$program" --screenshot build/release/configurator.png --seconds 3
echo "Run ./scripts/run.sh from a desktop session (or with DISPLAY set) to use it."
