#!/usr/bin/env bash
# Installs the plug-in for yourself: builds a release when needed (build/bundle) and installs the
# bundle into ~/.mozilla/plugins, where browsers that load NPAPI plug-ins look:
#   ~/.mozilla/plugins/NVPlugin/          the plug-in, its companion programs, the uninstaller
#   ~/.mozilla/plugins/libnvplugin.so     the link browsers find it by
# An earlier copy is replaced. ~/.mozilla/plugins/NVPlugin/uninstall removes it again.
# Usage: scripts/install.sh [--build-dir DIR]   (an existing build tree is used as configured)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${NV_BUILD_ROOT:-$root/build}/bundle
if [[ $# -eq 2 && $1 == --build-dir ]]; then
    build=$2
elif [[ $# -ne 0 ]]; then
    echo "usage: scripts/install.sh [--build-dir DIR]" >&2
    exit 2
fi
plugins=${HOME:?HOME is not set}/.mozilla/plugins

"$root/scripts/build-bundle.sh" "$build"
# Files an earlier version had and this one has not must not stay behind.
rm -rf "$plugins/NVPlugin"
cmake --install "$build" --component bundle --prefix "$plugins" >/dev/null
echo "installed into $plugins"
