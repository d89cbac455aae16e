#!/usr/bin/env bash
# Builds the MIME fuzz targets with clang, libFuzzer, ASan and UBSan in their own build
# directory and runs each one briefly over its committed seed corpus. Exits non-zero on any
# finding (crash, sanitizer report, timeout, memory blow-up) or build failure.
# Usage: scripts/fuzz-short.sh [BUILD_DIR]   (default: build/fuzz)
# Environment: FUZZ_SECONDS per target (default 17).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build/fuzz}
seconds=${FUZZ_SECONDS:-17}
targets=(message field qp base64)

CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNV_BUILD_FUZZ=ON -DNV_SANITIZE=address \
    -DNV_BUILD_BROWSER=OFF -DNV_BUILD_CAPTURE=OFF -DBUILD_TESTING=OFF -DNV_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_mime_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in "${targets[@]}"; do
    # New inputs go into a scratch corpus so the committed seeds stay as they are.
    mkdir -p "$work/$target"
    echo "fuzz-short: fuzz_mime_$target for ${seconds}s"
    if ! "$build/fuzz/fuzz_mime_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/$target-" \
        "$work/$target" "$repo/fuzz/corpus/$target" >"$work/$target.log" 2>&1; then
        status=1
        echo "fuzz-short: fuzz_mime_$target found a problem:" >&2
        tail -n 40 "$work/$target.log" >&2
        for artifact in "$work/$target"-*; do
            [[ -e "$artifact" ]] && cp "$artifact" "$build/" &&
                echo "fuzz-short: reproducer kept as $build/$(basename "$artifact")" >&2
        done
    else
        grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$work/$target.log" || true
    fi
done
exit $status
