#!/usr/bin/env bash
# Installs what is missing, builds a debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs all tests, each once.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

# Paths below the checkout are hashed relative to it, and the working directory not at all, so a
# clone in another folder (as CI makes) finds what this one compiled.
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"
export CCACHE_NOHASHDIR=1
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKENDRAWELL_SANITIZE=ON
cmake --build build/test

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build/test
ctest --output-on-failure --parallel "$(nproc)"

# The fuzz targets of fuzz/ in a second tree, built with clang: each replays its seed corpus and is
# fuzzed for a few seconds with a fixed seed, so that a regression shows here and reproduces.
cd ../..
CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKENDRAWELL_FUZZ=ON
cmake --build build/fuzz
fuzz/run_fuzzers.sh build/fuzz 10 "$(( $(nproc) < 4 ? $(nproc) : 4 ))"
