#!/bin/sh
# Runs a command with an X display, a private runtime directory and private
# data and configuration directories. Without a display (a server, CI) it
# starts a virtual one (Xvfb, 24-bit) for the command's lifetime.
set -eu

scratch=$(mktemp -d "${TMPDIR:-/tmp}/rure-env.XXXXXX")
xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT INT TERM

mkdir -p "$scratch/runtime" && chmod 700 "$scratch/runtime"
export XDG_RUNTIME_DIR="$scratch/runtime"

if [ -z "${DISPLAY:-}" ] || [ "${RURE_VIRTUAL_DISPLAY:-0}" = 1 ]; then
    display=""
    for number in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$number" ] && [ ! -e "/tmp/.X$number-lock" ]; then
            display=":$number"
            break
        fi
    done
    [ -n "$display" ] || { echo "with-display: no free X display number" >&2; exit 1; }
    Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp -noreset >"$scratch/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X${display#:}" ] && break
        sleep 0.05
    done
    export DISPLAY="$display"
fi
export QT_QPA_PLATFORM=xcb

"$@"
