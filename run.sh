#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Kendrawell. Whether the session is
# interactive (and without a display the "offscreen" platform) is the program's own decision.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKENDRAWELL_TESTS=OFF
cmake --build build/release --target Kendrawell

# The program's error output passes through and is kept, so that a failed start can be explained.
errors="$(mktemp)"
trap 'rm -f "$errors"' EXIT
build/release/src/init/Kendrawell "$@" 2> >(tee "$errors" >&2) &
pid=$!
# The script stands in for the program: stop requests go on to it.
trap 'kill -INT "$pid" 2>/dev/null || true' INT
trap 'kill -TERM "$pid" 2>/dev/null || true' TERM

status=0
while :; do
	wait "$pid" && status=0 || status=$?
	kill -0 "$pid" 2>/dev/null || break
done
# Let tee write the last lines before they are searched.
sleep 0.2

if [ "$status" -ne 0 ]; then
	echo >&2
	if grep -q "Cannot start without active UI" "$errors"; then
		echo "run.sh: Kendrawell did not start: no active front end is built in yet (\"Cannot start without active UI\")." >&2
		echo "run.sh: this is expected until the web-service front end lands; the program then serves browsers on its local port." >&2
	else
		echo "run.sh: Kendrawell ended with exit code $status; the log lines above tell why." >&2
	fi
fi
exit "$status"
