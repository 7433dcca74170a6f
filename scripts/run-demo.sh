#!/bin/sh
# Installs what is missing, builds, prepares the demo data and starts the
# maintenance edition on the demo database (a copy in ~/KolvexSelvanto-demo).
# Pass "--hersteller" to start the manufacturer edition instead.
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
program=build/KolvexSelvantoPflege
[ "$1" = "--hersteller" ] && program=build/KolvexSelvanto
demo="$HOME/KolvexSelvanto-demo"
mkdir -p "$demo"
[ -f "$demo/kolvexDB3.glo" ] || cp build/demo/kolvexDB3.glo build/demo/kolvex3.glo "$demo/"
# The pictures live in the Kolvex program directory (default on Linux: below ~/.local/share).
images="${XDG_DATA_HOME:-$HOME/.local/share}/Tirma/KOLVEX/images4"
mkdir -p "$images"
cp -n build/demo/images/*.png "$images/" 2>/dev/null || true
exec "$program" "$demo/kolvexDB3.glo"
