#!/usr/bin/env bash
# Builds the application and runs it. Installs the stand-in engine first when no engine is
# installed in $HOME. With no display, runs it under Xvfb, saves a screenshot of the window
# once the page has loaded (artifacts/vorl-vorudi.png), and quits it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j2 --target vorl-vorudi vorl_test_driver

bash standin/install.sh "$HOME" # leaves an installed engine as it is

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/release/src/vorl-vorudi
fi
mkdir -p artifacts
GTK_A11Y=none GSETTINGS_BACKEND=memory exec xvfb-run -a -s "-screen 0 1920x1080x24" \
    python3 scripts/screenshot_run.py build/release/src/vorl-vorudi \
    build/release/tests/ui/driver/libvorl_test_driver.so artifacts/vorl-vorudi.png
