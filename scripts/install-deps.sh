#!/bin/sh
# Installs the Debian/Ubuntu packages the build, the demo and the tests need.
set -e
PACKAGES="python3 build-essential cmake qtbase5-dev libqt5sql5-sqlite zlib1g-dev sqlite3 xvfb xauth qttranslations5-l10n desktop-file-utils dpkg-dev fakeroot file lintian"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
