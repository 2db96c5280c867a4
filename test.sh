#!/usr/bin/env bash
# Installs what is missing, builds a debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs all tests.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKENDRAWELL_SANITIZE=ON
cmake --build build/test

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build/test
ctest --output-on-failure --parallel "$(nproc)"
