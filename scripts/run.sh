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
echo "Built in build/release: the program folder program/ (the configurator Borvanta5600 and the"
echo "tray companion BorvantaSysTray with their skin, language files, fonts and help page), the"
echo "virtual mouse's command line (tools/mousectl/mousectl show) and a platform demo"
echo "(tools/demo_window/demo_window)."

program=build/release/program/Borvanta5600
# The installer's registry values (install folder, English), written only where missing.
"$program" --install-defaults

if [ -n "${DISPLAY:-}" ] && [ "${BORVANTA_DISPLAY:-}" != "headless" ]; then
    echo
    echo "Starting the configurator on $DISPLAY (drag it by any free spot; Cancel or OK ends it)."
    echo "It starts the tray companion, whose icon shows in the desktop panel's tray and which"
    echo "stays after the configurator ends (its menu's \"Close Tray Icon\" ends it). Try"
    echo "build/release/tools/mousectl/mousectl dpi-up to see its on-screen display."
    exec "$program"
fi

echo
echo "No X display (DISPLAY is not set): the configurator needs one to be used. It now runs"
echo "for three seconds on the in-memory display and saves what it showed."
"$program" --screenshot build/release/configurator.png --seconds 3
echo "Run ./scripts/run.sh from a desktop session (or with DISPLAY set) to use it."
