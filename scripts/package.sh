#!/usr/bin/env bash
# Builds the Debian package of the machine-wide copy (/usr/lib/mozilla/plugins/NVPlugin and the
# link beside it) from a release build (build/bundle, made when missing) and prints its path.
# Install it with `sudo apt install ./<path>`, remove it with `sudo apt remove nvplugin` (or run
# /usr/lib/mozilla/plugins/NVPlugin/uninstall).
# Usage: scripts/package.sh [--build-dir DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build-bundle.sh" scripts/package.sh "$@")

(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/package/nvplugin_*.deb
