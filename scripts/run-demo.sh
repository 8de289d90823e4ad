#!/bin/sh
# Starts the bundled test camera and the viewer showing it, with a demo camera
# list in a private data directory (never the user's own list).
#   scripts/run-demo.sh <build-dir>
# Without a display it runs everything on a virtual one and saves a screenshot.
set -eu
build_dir=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
state="$here/../run"
mkdir -p "$state"
state=$(cd "$state" && pwd)

camera_log="$state/test-camera.log"
camera_out="$state/test-camera.out"
rm -f "$camera_out"
"$build_dir/tools/rure-test-camera/rure-test-camera" --port 0 --width 1280 --height 720 \
    --fps 30 </dev/null >"$camera_out" 2>"$camera_log" &
camera_pid=$!
viewer_pid=""
cleanup() {
    [ -z "$viewer_pid" ] || kill "$viewer_pid" 2>/dev/null || true
    kill "$camera_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

for _ in $(seq 1 200); do
    grep -q '^ready$' "$camera_out" 2>/dev/null && break
    kill -0 "$camera_pid" 2>/dev/null || { echo "run: the test camera did not start:" >&2; cat "$camera_log" >&2; exit 1; }
    sleep 0.05
done
first=$(sed -n 1p "$camera_out")
second=$(sed -n 2p "$camera_out")
small=$(sed -n 3p "$camera_out")
echo "run: test camera serving $first (small stream $small) and $second"

export XDG_DATA_HOME="$state/data" XDG_CONFIG_HOME="$state/config"
mkdir -p "$XDG_DATA_HOME/rure" "$XDG_CONFIG_HOME"
cat >"$XDG_DATA_HOME/rure/cameras.json" <<JSON
{
  "cameras" : [
    {
      "name" : "Test Camera — Colour Bars",
      "url" : "$first",
      "subStreamUrl" : "$small"
    },
    {
      "name" : "Test Camera — Blue",
      "url" : "$second"
    }
  ]
}
JSON
chmod 600 "$XDG_DATA_HOME/rure/cameras.json"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "run: starting Rure (close its window or press Ctrl+C to stop)"
    "$build_dir/src/rure" &
    viewer_pid=$!
    wait "$viewer_pid" || true
    viewer_pid=""
    exit 0
fi

echo "run: no display found; running Rure on a virtual display"
shot="$state/rure-screenshot.png"
"$here/with-display.sh" sh -c '
    "$1" & viewer=$!
    sleep 8
    ffmpeg -loglevel error -y -f x11grab -video_size 1920x1080 -i "$DISPLAY" -frames:v 1 "$2"
    kill -TERM "$viewer"; wait "$viewer"
' run "$build_dir/src/rure" "$shot"
echo "run: screenshot of the viewer saved to $shot"
