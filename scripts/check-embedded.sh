#!/bin/sh
# Checks that the project builds unchanged inside another one: a parent
# project in a temporary folder adds this one with add_subdirectory, then
# the library's include paths and the demo data must lie in this project's
# folders, and the demo data must build there. "--alles" also builds the
# manufacturer edition (the whole library: takes minutes).
set -e
cd "$(dirname "$0")/.."
repo="$(pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/parent"
cat >"$work/parent/CMakeLists.txt" <<PARENT
cmake_minimum_required(VERSION 3.16)
project(Parent LANGUAGES CXX)
add_subdirectory("$repo" kolvex)
PARENT
cmake -S "$work/parent" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$work/configure.log" 2>&1 \
    || { cat "$work/configure.log" >&2; exit 1; }
# Every include path of the library lies in this project or in its build.
if grep -o -- '-I[^ ]*' "$work/build/compile_commands.json" | sort -u \
    | grep -v -e "^-I$repo/" -e "^-I$work/build/kolvex/" -e '^-I/usr/'; then
    echo "check-embedded: Include-Pfade außerhalb des Projekts (oben)" >&2
    exit 1
fi
# The tests look for the demo data where the build puts it.
grep -q -- "-DKOLVEX_DEMO_DIR=.*$work/build/kolvex/demo" "$work/build/compile_commands.json" \
    || { echo "check-embedded: KOLVEX_DEMO_DIR zeigt nicht in den Unterprojekt-Build" >&2; exit 1; }
targets="demo"
built="kolvex/demo/kolvexDB3.glo kolvex/demo/images/Bild1_scaled.png"
if [ "$1" = "--alles" ]; then
    targets="demo KolvexSelvanto"
    built="$built kolvex/KolvexSelvanto"
fi
cmake --build "$work/build" -j"$(nproc)" --target $targets >"$work/build.log" 2>&1 \
    || { tail -40 "$work/build.log" >&2; exit 1; }
for built in $built; do
    [ -e "$work/build/$built" ] || { echo "check-embedded: $built fehlt" >&2; exit 1; }
done
echo "check-embedded: baut als Unterprojekt"
