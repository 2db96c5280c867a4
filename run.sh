#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Kendrawell. Whether the session is
# interactive (and without a display the "offscreen" platform) is the program's own decision.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKENDRAWELL_TESTS=OFF
cmake --build build/release --target Kendrawell

build/release/src/init/Kendrawell "$@" &
pid=$!
# The script stands in for the program: stop requests go on to it.
trap 'kill -INT "$pid" 2>/dev/null || true' INT
trap 'kill -TERM "$pid" 2>/dev/null || true' TERM

status=0
while :; do
	wait "$pid" && status=0 || status=$?
	kill -0 "$pid" 2>/dev/null || break
done
if [ "$status" -ne 0 ]; then
	echo "run.sh: Kendrawell ended with exit code $status; the log lines above tell why." >&2
fi
exit "$status"
