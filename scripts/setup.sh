#!/bin/sh
# Installs every Debian package that building, running and testing Rure needs.
# Safe to run again: only missing packages are installed. Debian 12 or newer.
set -eu

packages="
build-essential
cmake
ninja-build
ccache
pkg-config
clang-format
clang
lld
libclang-rt-14-dev
qt6-base-dev
qt6-base-dev-tools
libqt6opengl6-dev
libxcb1-dev
libmpv-dev
libsystemd-dev
libssl-dev
openssl
googletest
libgtest-dev
libgmock-dev
libgstreamer1.0-dev
libgstrtspserver-1.0-dev
libgstreamer-plugins-base1.0-dev
gstreamer1.0-plugins-base
gstreamer1.0-plugins-good
gstreamer1.0-plugins-bad
gstreamer1.0-plugins-ugly
gstreamer1.0-libav
gstreamer1.0-tools
gstreamer1.0-x
xvfb
xauth
libgl1-mesa-dri
mesa-utils
dbus
dbus-x11
ffmpeg
mpv
libqt6svg6
file
lintian
desktop-file-utils
appstream
iproute2
"

# One query for all of them (make test runs this before every stage); a package
# dpkg has never heard of is not in its answer, so it counts as missing too.
# shellcheck disable=SC2086
installed=$(dpkg-query -W -f='${Package} ${Status}\n' $packages 2>/dev/null |
    awk '/ install ok installed$/ { printf " %s ", $1 }' || true)
missing=""
for package in $packages; do
    case "$installed" in
        *" $package "*) ;;
        *) missing="$missing $package" ;;
    esac
done

if [ -z "$missing" ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    echo "setup: these packages are missing and neither root nor sudo is available:$missing" >&2
    exit 1
fi

echo "setup: installing$missing"
$as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
