#!/usr/bin/env bash
# Passes every test: installs what is needed, checks the formatting, builds a normal and an
# address + undefined behaviour sanitizer configuration and runs all their tests, the UI tests
# under Xvfb and Wayland included, in a private network namespace; then builds the application
# library and its unit tests with clang and libc++, runs them, and fuzzes the page messages for
# a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh
git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run --Werror

jobs=2
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORL_WERROR=ON >/dev/null
cmake --build build/release -j"$jobs"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVORL_SANITIZE=ON -DVORL_WERROR=ON >/dev/null
cmake --build build/sanitize -j"$jobs"
CC=clang CXX=clang++ cmake -S . -B build/clang -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORL_LIBCXX_APP_ONLY=ON \
    -DVORL_WERROR=ON >/dev/null
cmake --build build/clang -j"$jobs"

export GTK_A11Y=none GSETTINGS_BACKEND=memory
bash scripts/in-private-network.sh ctest --test-dir build/release --output-on-failure --timeout 300
bash scripts/in-private-network.sh ctest --test-dir build/sanitize --output-on-failure --timeout 600
ctest --test-dir build/clang --output-on-failure --timeout 300
