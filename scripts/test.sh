#!/usr/bin/env bash
# The test command: installs the Debian packages that are missing, then builds and runs every test:
#   1. AddressSanitizer + UndefinedBehaviorSanitizer build (halt on the first report): all unit tests;
#   2. ThreadSanitizer build: the tests of the threaded parts;
#   3. a plain build of the plug-in, nvhost and nvmaild: the browser end-to-end tests. QtWebKit loads
#      plug-ins with RTLD_DEEPBIND, which the sanitizer runtimes refuse, so the plug-in runs in the
#      real browser without them (the bridge's own tests run under both sanitizers above);
#   4. the MIME fuzz targets (clang, libFuzzer, ASan+UBSan), each briefly over its seed corpus.
# Before building, a file that clang-format would change fails the run; every build treats
# compiler warnings as errors.
# Build trees go to build/ (override with NV_BUILD_ROOT).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${NV_BUILD_ROOT:-$root/build}
jobs=$(nproc)

"$root/scripts/deps.sh" build browser fuzz

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_stack_use_after_return=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

step() { printf '\n=== %s\n' "$*"; }
# Sanitizer builds: light optimisation and line tables only keep the builds quick on two cores while
# reports still name files and lines.
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
       "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1" -DNV_WERROR=ON)

step "code style (clang-format)"
"$root/scripts/check-format.sh"

step "ASan+UBSan build"
cmake -S "$root" -B "$out/asan" -G Ninja -DNV_SANITIZE=address -DNV_BUILD_BROWSER=OFF -DNV_BUILD_CAPTURE=OFF "${flags[@]}" \
    >/dev/null
cmake --build "$out/asan" -j "$jobs"
step "unit tests (ASan+UBSan)"
ctest --test-dir "$out/asan" -j "$jobs" --output-on-failure --no-tests=error

step "TSan build"
cmake -S "$root" -B "$out/tsan" -G Ninja -DNV_SANITIZE=thread -DNV_BUILD_BROWSER=OFF -DNV_BUILD_CAPTURE=OFF "${flags[@]}" \
    >/dev/null
cmake --build "$out/tsan" --target thread_tests -j "$jobs"
step "threaded tests (TSan)"
ctest --test-dir "$out/tsan" -L threads -j "$jobs" --output-on-failure --no-tests=error

step "browser build"
cmake -S "$root" -B "$out/e2e" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNV_WERROR=ON >/dev/null
cmake --build "$out/e2e" --target nv_bundle nvhost nvmaild portal_standin -j "$jobs"
step "browser end-to-end tests"
ctest --test-dir "$out/e2e" -L e2e --output-on-failure --no-tests=error

step "fuzz targets, short runs"
"$root/scripts/fuzz-short.sh" "$out/fuzz"

step "all tests passed"
