#!/bin/sh
# Runs the test suite of one build directory through CTest on a display.
#   scripts/run-tests.sh <build-dir> [ctest arguments...]
set -eu
build_dir=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/rure-tests.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# Tests never touch the user's own camera list or settings.
export XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache"
export HOME="$scratch/home"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$HOME"
export RURE_VIRTUAL_DISPLAY=1
# Update checks of the viewers that tests start go to a closed loopback port.
export RURE_UPDATE_SERVER="https://127.0.0.1:9"
# Leaks inside system libraries (Mesa, fontconfig, GStreamer...) are not ours.
export LSAN_OPTIONS="suppressions=$here/../tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Tests run side by side: most wait on sockets, timers and child processes
# rather than compute, so more of them than cores keeps the cores busy. GUI
# tests each take one of as many virtual displays. Twice as many as cores
# (RURE_TEST_JOBS overrides): beyond that the cores are the limit (2 cores:
# 4 and 8 at a time take the same time, 2 a third longer).
cores=$(nproc 2>/dev/null || echo 2)
jobs=${RURE_TEST_JOBS:-$((cores * 2 > 16 ? 16 : cores * 2))}
export RURE_DISPLAYS="$jobs"
# Integration tests play real video and check how soon pictures come: as many
# of them at once as there are cores (RURE_PLAYBACK_SLOTS overrides).
export RURE_PLAYBACK_SLOTS="${RURE_PLAYBACK_SLOTS:-$cores}"
cd "$build_dir"
# shellcheck disable=SC2016
"$here/with-display.sh" sh -c 'exec ctest --resource-spec-file "$RURE_CTEST_RESOURCES" "$@"' \
    ctest --output-on-failure --timeout 300 -j"$jobs" "$@"
