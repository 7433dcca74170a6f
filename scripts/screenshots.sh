#!/bin/sh
# Redraws the README's screenshots docs/hauptseite.png and docs/import.png:
# the maintenance edition on a copy of the demo data, under Xvfb, with a
# temporary home so that no settings of the user are read or written.
# Needs a built build/ (scripts/build.sh); builds nothing itself.
set -e
cd "$(dirname "$0")/.."
repo="$(pwd)"
driver="$repo/build/kolvex_screenshots"
for needed in "$driver" build/demo/kolvexDB3.glo build/demo/kolvex3.glo build/demo/quarnel; do
    if [ ! -e "$needed" ]; then
        echo "screenshots: $needed fehlt, zuerst scripts/build.sh ausführen" >&2
        exit 1
    fi
done
# A fixed place, because the pictures show the paths of the database and
# of the export directory.
work="${TMPDIR:-/tmp}/KolvexSelvanto-Demo"
rm -rf "$work"
mkdir "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out" "$work/data/Tirma/KOLVEX/images4"
cp build/demo/kolvexDB3.glo build/demo/kolvex3.glo "$work/"
cp -r build/demo/quarnel "$work/quarnel"
cp build/demo/images/*.png "$work/data/Tirma/KOLVEX/images4/"

HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1400x900x24" \
    "$driver" "$work/kolvexDB3.glo" "$work/quarnel" "$work/out"
mkdir -p docs
cp "$work/out/hauptseite.png" "$work/out/import.png" docs/
echo "docs/hauptseite.png docs/import.png neu gezeichnet"
