#!/usr/bin/env bash
# Installs the plug-in for yourself: builds a release when needed (build/bundle) and installs the
# bundle into ~/.mozilla/plugins, where browsers that load NPAPI plug-ins look:
#   ~/.mozilla/plugins/NVPlugin/          the plug-in, its companion programs, the uninstaller
#   ~/.mozilla/plugins/libnvplugin.so     the link browsers find it by
# An earlier copy is replaced. ~/.mozilla/plugins/NVPlugin/uninstall removes it again.
# Usage: scripts/install.sh [--build-dir DIR]   (an existing build tree is used as configured)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build-bundle.sh" scripts/install.sh "$@")
plugins=${HOME:?HOME is not set}/.mozilla/plugins

# Files an earlier version had and this one has not must not stay behind.
rm -rf "$plugins/NVPlugin"
cmake --install "$build" --component bundle --prefix "$plugins" >/dev/null
echo "installed into $plugins"
