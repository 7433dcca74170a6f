#!/bin/sh
# Builds the Debian package build-package/kolvexselvanto_<version>_<arch>.deb
# and prints its path. The package tree is configured without tests,
# benchmark and screenshot tool (BUILD_TESTING=OFF), so only the library
# and the two programs are compiled.
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Debian's hardening flags (stack protector, fortified functions, read-only
# relocations bound at start); only this tree gets them, the test and
# sanitizer builds keep their own.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags="$(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build-package -j"$(nproc)"
rm -f build-package/kolvexselvanto_*.deb
(cd build-package && cpack -G DEB >cpack.log 2>&1) || { cat build-package/cpack.log >&2; exit 1; }
ls build-package/kolvexselvanto_*.deb
