#!/bin/sh
# Runs every fuzz target of a fuzz build at once for the given seconds, so the
# targets share the cores and the whole run takes that long however many
# targets there are; fails when any of them finds a crash, a sanitizer report
# or a broken invariant.
#   fuzz/run-fuzzers.sh <build-dir> <seconds> <target>...
# Each target starts from its seed corpus (fuzz/corpus/<target>), copied into
# <build-dir>/corpus/<target> so that what it learns stays out of the checkout
# and is reused by the next run. Findings go to <build-dir>/artifacts/<target>/,
# the full output to <build-dir>/logs/<target>.log.
set -eu
build_dir=$(cd "$1" && pwd)
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/../tests/lsan.supp:print_suppressions=0"

start() {
    target=$1
    corpus="$build_dir/corpus/$target"
    artifacts="$build_dir/artifacts/$target"
    mkdir -p "$corpus" "$artifacts" "$build_dir/logs"
    cp "$here/corpus/$target/"* "$corpus/"
    dict=""
    if [ -f "$here/$target.dict" ]; then
        dict="-dict=$here/$target.dict"
    fi
    echo "fuzz: $target for $seconds s"
    # shellcheck disable=SC2086
    "$build_dir/fuzz/rure-fuzz-$target" $dict -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$corpus" >"$build_dir/logs/$target.log" 2>&1
}

report() {
    target=$1
    status=$2
    log="$build_dir/logs/$target.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    if [ "$status" -eq 0 ]; then
        echo "fuzz: $target passed: ${runs:-?} runs, ${rate:-?} per second"
        return 0
    fi
    echo "fuzz: $target FAILED (exit $status); input in $build_dir/artifacts/$target/, log $log" >&2
    grep -E -A 30 'ERROR: |Broken invariant|runtime error' "$log" | head -60 >&2 || tail -40 "$log" >&2
    return 1
}

# Target names never hold spaces.
targets="$*"
pids=""
for target in $targets; do
    start "$target" &
    pids="$pids $!"
done
# shellcheck disable=SC2086
set -- $pids
failed=0
for target in $targets; do
    status=0
    wait "$1" || status=$?
    shift
    report "$target" "$status" || failed=1
done
exit "$failed"
