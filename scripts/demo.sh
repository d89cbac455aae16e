#!/usr/bin/env bash
# The main job: the plug-in in our QtWebKit browser (nvhost) against the reference mail server
# (nvmaild). The demo page shows the plug-in's version, live checksums of typed text, uploads
# attachments with progress bars, composes a mail with an attachment and takes a sample mail apart,
# and downloads a mail archive that it unpacks into a folder.
#
#   scripts/demo.sh           headless: types a text, uploads two sample files chosen through a
#                             stand-in file dialog and a screenshot (xdotool drags the rectangle),
#                             composes a mail with the first (the stand-in answers the question
#                             yes), downloads and unpacks the archive into the folder a stand-in
#                             folder dialog picks, writes the screenshot out/demo.png
#   scripts/demo.sh --show    on your display: type and attach files yourself (zenity dialogs);
#                             close the window to end
#   scripts/demo.sh --show qutebrowser
#                             the same in qutebrowser (QtWebKit backend), a browser people use
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${NV_BUILD_ROOT:-$root/build}/release
show=0
browser=nvhost
if [[ "${1:-}" == "--show" ]]; then
    show=1
    browser=${2:-nvhost}
fi
[[ "$browser" == nvhost || "$browser" == qutebrowser ]] ||
    { echo "usage: scripts/demo.sh [--show [nvhost|qutebrowser]]" >&2; exit 2; }

"$root/scripts/deps.sh" build browser
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target nvplugin nvhost nvmaild -j "$(nproc)"

work=$(mktemp -d -t nvdemo.XXXXXX)
server=""
xvfb=""
dragger=""
cleanup() {
    for pid in "$dragger" "$server" "$xvfb"; do
        if [[ -n "$pid" ]]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$work"
}
trap cleanup EXIT

# The mail archive the page downloads, and the list of its entries the server gives beside it.
mkdir -p "$work/files" "$work/downloads"
python3 - "$work/files" <<'PYTHON'
import json, os, sys, zipfile
entries = [("inbox/2026-12-01 Quarterly report.eml", b"Subject: Quarterly report\r\n\r\nAttached.\r\n" * 200),
           ("inbox/Holiday photos/beach.jpg", os.urandom(3 << 20)),
           ("attachments/报告.txt", "季度报告\n".encode() * 5000)]
with zipfile.ZipFile(os.path.join(sys.argv[1], "mail-archive.zip"), "w", zipfile.ZIP_DEFLATED) as archive:
    for name, data in entries:
        archive.writestr(name, data)
with open(os.path.join(sys.argv[1], "mail-archive.json"), "w") as listing:
    json.dump([{"name": name, "size": len(data)} for name, data in entries], listing)
PYTHON

# The mail server on a free port; its first line says where.
"$build/tools/nvmaild/nvmaild" --port 0 --root "$root/demo" --files "$work/files" >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do
    url=$(grep -o 'http://127.0.0.1:[0-9]*/' "$work/server.log" || true)
    [[ -n "$url" ]] && break
    sleep 0.1
done
[[ -n "$url" ]] || { echo "demo: nvmaild did not start" >&2; cat "$work/server.log" >&2; exit 1; }

nvhost=("$build/tools/nvhost/nvhost" --plugin-dir "$build/plugin-dir")
if [[ "$browser" == qutebrowser ]]; then
    # A throwaway profile, so the user's own qutebrowser settings stay as they are.
    QTWEBKIT_PLUGIN_PATH="$build/plugin-dir" qutebrowser --temp-basedir --backend webkit \
        -s content.plugins true "${url}index.html"
    exit 0
fi
if ((show)); then
    exec_status=0
    "${nvhost[@]}" --show --timeout 0 "${url}index.html" || exec_status=$?
    exit $exec_status
fi

# Headless: two sample attachments, offered by the stand-in file dialog.
head -c $((12 << 20)) /dev/urandom >"$work/holiday-photos.bin"
head -c $((3 << 20)) < <(yes "NVPlugin uploads this quarterly report in blocks, deflated.") >"$work/report.txt"
mkdir -p "$root/out"
export NV_DIALOG_PROGRAM="$root/tests/plugin/platform/fake_dialog.py"
export NV_FAKE_DIALOG_ANSWER="{\"open\": {\"paths\": [\"$work/holiday-photos.bin\", \"$work/report.txt\"]}, \"folder\": {\"paths\": [\"$work/downloads\"]}, \"question\": {\"button\": \"Yes\"}}"
# The screenshot: a display of our own that xdotool shares, playing the user who drags a rectangle
# once the capture overlay is up (its title changes when it holds the keyboard). No session bus, so the capture takes the X11 way.
Xvfb -displayfd 3 -screen 0 1280x1240x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.1
done
[[ -s "$work/display" ]] || { echo "demo: Xvfb did not start" >&2; exit 1; }
# The picture lands in TMPDIR, which goes with the rest of the run.
export DISPLAY=":$(cat "$work/display")" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" TMPDIR="$work"
(
    xdotool search --sync --onlyvisible --name "^screencapture: " >/dev/null
    xdotool mousemove 40 60
    xdotool mousedown 1
    xdotool mousemove 400 300
    xdotool mousemove 760 520
    xdotool mouseup 1
) &
dragger=$!
HOME="$work" "${nvhost[@]}" --show --size 1024x1160 --timeout 120 --screenshot "$root/out/demo.png" "${url}index.html?auto=1"
echo "demo: the archive unpacked into the chosen folder:"
(cd "$work/downloads" && find . -type f | sort | sed 's/^/    /')
echo "demo: screenshot written to out/demo.png"
