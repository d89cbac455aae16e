#!/usr/bin/env bash
# Builds what the installed bundle holds (the plug-in, its companion programs, the uninstaller and
# its translations) as a release, configuring the tree first when it is new; an existing tree is
# used as configured. Shared by install.sh and package.sh, whose options it reads: it prints the
# build tree's path on standard output and everything else on standard error.
# Usage: scripts/build-bundle.sh CALLER [--build-dir DIR]   (default build/bundle)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
caller=${1:?usage: scripts/build-bundle.sh CALLER [--build-dir DIR]}
shift
build=${NV_BUILD_ROOT:-$root/build}/bundle
if [[ $# -eq 2 && $1 == --build-dir ]]; then
    build=$2
elif [[ $# -ne 0 ]]; then
    echo "usage: $caller [--build-dir DIR]" >&2
    exit 2
fi

"$root/scripts/deps.sh" build capture >&2
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DNV_BUILD_BROWSER=OFF >/dev/null
fi
cmake --build "$build" --target nv_bundle -j "$(nproc)" >&2
echo "$build"
