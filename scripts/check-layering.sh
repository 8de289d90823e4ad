#!/bin/sh
# Fails when a module below the controller includes one of the controller's
# headers: common/, config/, platform/, engine/, window/, settings/ and
# updates/ never depend on viewer/.
#   scripts/check-layering.sh <source-dir>
set -eu
src=$1
found=$(grep -rnE '#include +"viewer/' \
    "$src/common" "$src/config" "$src/platform" "$src/engine" "$src/window" \
    "$src/settings" "$src/updates" || true)
if [ -n "$found" ]; then
    echo "These files include the controller's headers from below it:" >&2
    echo "$found" >&2
    exit 1
fi
echo "No module below the controller includes its headers."
