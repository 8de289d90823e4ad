#!/bin/sh
# Fails when a module below the controller includes one of the controller's
# headers: every folder of src/ but viewer/ itself (common/, config/,
# discovery/, engine/, installer/, platform/, settings/, updates/, window/)
# never depends on viewer/.
#   scripts/check-layering.sh <source-dir>
set -eu
src=$1
found=$(find "$src" -mindepth 1 -maxdepth 1 -type d ! -name viewer -exec \
    grep -rnE '#include +"viewer/' {} + || true)
if [ -n "$found" ]; then
    echo "These files include the controller's headers from below it:" >&2
    echo "$found" >&2
    exit 1
fi
echo "No module below the controller includes its headers."
