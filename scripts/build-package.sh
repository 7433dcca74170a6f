#!/bin/sh
# Builds the Debian package build/kolvexselvanto_<version>_<arch>.deb from
# build/ (configured and built by scripts/build.sh when missing) and prints
# its path.
set -e
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || scripts/build.sh
cmake --build build -j"$(nproc)"
rm -f build/kolvexselvanto_*.deb
(cd build && cpack -G DEB >cpack.log 2>&1) || { cat build/cpack.log >&2; exit 1; }
ls build/kolvexselvanto_*.deb
