#!/usr/bin/env bash
# Replays the seed corpus of every fuzz target and then fuzzes it for a bounded time with a fixed
# seed per target, so that a finding reproduces. Runs a few targets at a time.
#
#   fuzz/run_fuzzers.sh BUILD_DIR SECONDS [PARALLEL] [TARGET_REGEX]
#
# New inputs go to WORK/<target>/corpus (emptied first, so every run starts from the committed
# seeds alone); a crash leaves its input in WORK/<target>/ and the script fails. WORK is
# $FUZZ_WORK, by default BUILD_DIR/fuzz-work. Prints the number of runs of each target.
set -euo pipefail

build=$(realpath "$1")
seconds=$2
parallel=${3:-2}
filter=${4:-.}
corpora=$(realpath "$(dirname "$0")/corpus")
workRoot=${FUZZ_WORK:-$build/fuzz-work}

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_one()
{
	local name=$1 program=$2
	local work=$workRoot/$name
	local seed
	seed=$(echo -n "$name" | cksum | cut -d' ' -f1)
	rm -rf "$work"
	mkdir -p "$work/corpus"

	# Every seed once on its own: a seed that fails is a regression in plain sight.
	if ! "$program" "$corpora/$name"/* > "$work/replay.log" 2>&1; then
		echo "$name: FAILED replaying its corpus, see $work/replay.log"
		tail -n 30 "$work/replay.log"
		return 1
	fi

	if ! "$program" -seed="$seed" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
			-print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$corpora/$name" > "$work/fuzz.log" 2>&1; then
		echo "$name: FAILED (seed $seed), see $work/fuzz.log"
		grep -m 40 -E "ERROR|SUMMARY|#[0-9]+ in |Test unit written" "$work/fuzz.log" || tail -n 30 "$work/fuzz.log"
		return 1
	fi
	local runs
	runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log")
	echo "$name: ok, $runs runs in ${seconds}s (seed $seed)"
}

export -f run_one
export build seconds corpora workRoot

grep -E "^[^ ]*($filter)" "$build/fuzzers.txt" \
	| xargs -P "$parallel" -L 1 bash -c 'run_one "$0" "$1"' \
	|| { echo "Fuzzing found a fault (see above)"; exit 1; }
