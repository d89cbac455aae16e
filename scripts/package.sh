#!/usr/bin/env bash
# Builds the Debian package of the machine-wide copy (/usr/lib/mozilla/plugins/NVPlugin and the
# link beside it) from a release build (build/bundle, made when missing) and prints its path.
# Install it with `sudo apt install ./<path>`, remove it with `sudo apt remove nvplugin` (or run
# /usr/lib/mozilla/plugins/NVPlugin/uninstall).
# Usage: scripts/package.sh [--build-dir DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${NV_BUILD_ROOT:-$root/build}/bundle
if [[ $# -eq 2 && $1 == --build-dir ]]; then
    build=$2
elif [[ $# -ne 0 ]]; then
    echo "usage: scripts/package.sh [--build-dir DIR]" >&2
    exit 2
fi

"$root/scripts/build-bundle.sh" "$build"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/package/nvplugin_*.deb
