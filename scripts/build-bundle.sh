#!/usr/bin/env bash
# Builds what the installed bundle holds (the plug-in, its companion programs, the uninstaller and
# its translations) as a release in BUILD_DIR, configuring it first when it is new; an existing
# tree is used as configured. Shared by install.sh and package.sh.
# Usage: scripts/build-bundle.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:?usage: scripts/build-bundle.sh BUILD_DIR}

"$root/scripts/deps.sh" build capture
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DNV_BUILD_BROWSER=OFF >/dev/null
fi
cmake --build "$build" --target nv_bundle -j "$(nproc)"
