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
# A test that fails is run once more: a real fault fails twice, a thread that a loaded machine kept
# waiting does not throw the whole run away.
ctest --output-on-failure --parallel "$(nproc)" --repeat until-pass:2
