#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those missing, so a warm machine pays nothing.
# Usage: scripts/deps.sh build|browser|capture|fuzz|bench|dialogs ...
set -euo pipefail

declare -A groups=(
    [build]="cmake ninja-build g++ clang-format pkg-config python3 openssl gettext dpkg-dev file libboost-dev libboost-thread-dev libboost-system-dev zlib1g-dev libminizip-dev libutfcpp-dev libgtest-dev media-types libssl-dev"
    [browser]="libqt5webkit5-dev qtbase5-dev xvfb xauth curl qutebrowser qutebrowser-qtwebkit xdotool xclip dbus-daemon fonts-wqy-microhei"
    [fuzz]="clang libclang-rt-14-dev"
    [capture]="qtbase5-dev"
    [bench]="libssl-dev libgmime-3.0-dev unzip gzip openssl curl coreutils"
    [dialogs]="zenity xdg-utils x11-apps imagemagick"
)

wanted=()
for group in "$@"; do
    [[ -n "${groups[$group]+x}" ]] || { echo "deps.sh: unknown group '$group'" >&2; exit 2; }
    for pkg in ${groups[$group]}; do
        status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
        [[ "$status" == "install ok installed" ]] || wanted+=("$pkg")
    done
done
((${#wanted[@]})) || exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
echo "deps.sh: installing ${wanted[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# A fresh machine may have stale or empty package lists; refresh once and retry.
$sudo apt-get install -y --no-install-recommends "${wanted[@]}" ||
    { $sudo apt-get update && $sudo apt-get install -y --no-install-recommends "${wanted[@]}"; }
