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
echo "Built in build/release: the program folder program/ (skins, language files, fonts and the"
echo "help page), the virtual mouse's command line (tools/mousectl/mousectl show) and a platform"
echo "demo (tools/demo_window/demo_window shot.png writes a screenshot; --x11 opens real windows)."
echo "The configurator Borvanta5600 and the tray companion BorvantaSysTray are not built as"
echo "programs yet: their libraries (configurator/, tray/) are in progress; the test command"
echo "exercises them with every other library."
