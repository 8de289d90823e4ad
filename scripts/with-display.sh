#!/bin/sh
# Runs a command with an X display, a private runtime directory and private
# data and configuration directories. Without a display (a server, CI) it
# starts a virtual one (Xvfb, 24-bit) for the command's lifetime.
#
# RURE_DISPLAYS=<n> starts n virtual displays instead of one, so that CTest
# can run GUI tests side by side, each on a display of its own (two test
# windows on one display take each other's focus). The command then finds:
#   DISPLAY                   the first display
#   RURE_TEST_DISPLAYS        all of them, separated by spaces
#   RURE_CTEST_RESOURCES      the file of CTest resources that run-tests.sh
#                             hands to ctest: one "displays" resource per
#                             display, whose id is the display's position in
#                             RURE_TEST_DISPLAYS; and one "playback" resource
#                             of RURE_PLAYBACK_SLOTS slots (default 1), which
#                             bounds how many tests play video at once
# On a real display there is only that one.
set -eu

scratch=$(mktemp -d "${TMPDIR:-/tmp}/rure-env.XXXXXX")
xvfb_pids=""
cleanup() {
    for pid in $xvfb_pids; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $xvfb_pids; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT INT TERM

mkdir -p "$scratch/runtime" && chmod 700 "$scratch/runtime"
export XDG_RUNTIME_DIR="$scratch/runtime"

if [ -z "${DISPLAY:-}" ] || [ "${RURE_VIRTUAL_DISPLAY:-0}" = 1 ]; then
    count=${RURE_DISPLAYS:-1}
    case "$count" in
        '' | *[!0-9]* | 0) echo "with-display: RURE_DISPLAYS must be a positive number" >&2; exit 1 ;;
    esac
    # Each server picks a free display number itself and writes it to its
    # file once it accepts connections (-displayfd): no guessing, and no race
    # with other servers starting at the same time. They start side by side.
    index=0
    while [ "$index" -lt "$count" ]; do
        Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset \
            3>"$scratch/display-$index" >"$scratch/xvfb-$index.log" 2>&1 &
        xvfb_pids="$xvfb_pids $!"
        eval "xvfb_pid_$index=$!"
        index=$((index + 1))
    done
    displays=""
    index=0
    while [ "$index" -lt "$count" ]; do
        eval "pid=\$xvfb_pid_$index"
        until grep -q '^[0-9][0-9]*$' "$scratch/display-$index"; do
            if ! kill -0 "$pid" 2>/dev/null; then
                echo "with-display: Xvfb did not start:" >&2
                cat "$scratch/xvfb-$index.log" >&2
                exit 1
            fi
            sleep 0.05
        done
        displays="$displays :$(cat "$scratch/display-$index")"
        index=$((index + 1))
    done
    displays=${displays# }
    export DISPLAY="${displays%% *}"
else
    displays=$DISPLAY
fi
export QT_QPA_PLATFORM=xcb
export RURE_TEST_DISPLAYS="$displays"

playback_slots=${RURE_PLAYBACK_SLOTS:-1}
case "$playback_slots" in
    '' | *[!0-9]* | 0) echo "with-display: RURE_PLAYBACK_SLOTS must be a positive number" >&2; exit 1 ;;
esac
export RURE_CTEST_RESOURCES="$scratch/ctest-resources.json"
{
    printf '{\n  "version": {"major": 1, "minor": 0},\n  "local": [\n    {\n      "displays": ['
    index=0
    for display in $displays; do
        [ "$index" -eq 0 ] || printf ','
        printf '\n        {"id": "%s", "slots": 1}' "$index"
        index=$((index + 1))
    done
    printf '\n      ],\n      "playback": [\n        {"id": "0", "slots": %s}\n      ]\n    }\n  ]\n}\n' "$playback_slots"
} >"$RURE_CTEST_RESOURCES"

"$@"
