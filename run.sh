#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Kendrawell.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKENDRAWELL_TESTS=OFF
cmake --build build/release --target Kendrawell

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
	export QT_QPA_PLATFORM=offscreen
fi
exec build/release/src/init/Kendrawell "$@"
