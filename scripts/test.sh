#!/bin/sh
# Installs what is missing, builds and runs the whole test suite headless.
#   scripts/test.sh [ctest options]             normal build in build/
#   scripts/test.sh --sanitize [ctest options]  AddressSanitizer and UBSan build in build-asan/
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [ "$1" = "--sanitize" ]; then
    shift
    # UBSan stops at its first report; leaks inside Qt itself are suppressed.
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    ASAN_OPTIONS=detect_leaks=1
    LSAN_OPTIONS=suppressions=$(pwd)/tests/lsan-qt.supp:print_suppressions=0
    export UBSAN_OPTIONS ASAN_OPTIONS LSAN_OPTIONS
    [ -f build-asan/CMakeCache.txt ] || \
        cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLVEX_SANITIZE=ON
    cmake --build build-asan -j"$(nproc)"
    cd build-asan
else
    scripts/build.sh
    cd build
fi
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
