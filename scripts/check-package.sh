#!/bin/sh
# Checks a built Debian package (default: the one in build-package/): lintian
# (no error, no warning), its control data, its file list, the desktop
# entries, and that the installed programs start headless on the demo
# database and end cleanly. Unpacks into a temporary folder; installs nothing.
set -e
cd "$(dirname "$0")/.."
deb="${1:-$(ls build-package/kolvexselvanto_*.deb 2>/dev/null | head -n 1)}"
[ -f "$deb" ] || { echo "check-package: kein Paket gefunden, zuerst scripts/build-package.sh" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FEHLER: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

echo "== $deb"
dpkg-deb -I "$deb" >"$work/info"
dpkg-deb -c "$deb" >"$work/contents"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for package in libqt5core5a libqt5gui5 libqt5widgets5 libqt5sql5 libqt5sql5-sqlite sqlite3 qttranslations5-l10n; do
    echo "$depends" | grep -Eq "(^|, )$package( |,|$)" && ok "hängt ab von $package" || fail "Depends ohne $package"
done
grep -q "Pflege der Kolvex-Gerätedatenbank" "$work/info" && ok "deutsche Beschreibung" || fail "keine deutsche Beschreibung"

# Every error and warning of lintian counts; notes and pedantic hints do not.
if command -v lintian >/dev/null 2>&1; then
    lintian --no-tag-display-limit "$deb" >"$work/lintian" 2>&1 || true
    if grep -Eq '^[EW]: ' "$work/lintian"; then
        fail "lintian: $(grep -Ec '^[EW]: ' "$work/lintian") Fehler/Warnungen"; grep -E '^[EW]: ' "$work/lintian" >&2
    else
        ok "lintian ohne Fehler und Warnungen"
    fi
else
    fail "lintian nicht installiert (scripts/install-deps.sh)"
fi

for path in ./usr/bin/KolvexSelvanto ./usr/bin/KolvexSelvantoPflege ./usr/bin/kolvexselvanto-demo \
    ./usr/share/applications/com.tirma.KolvexSelvanto.desktop \
    ./usr/share/applications/com.tirma.KolvexSelvantoPflege.desktop \
    ./usr/share/applications/com.tirma.KolvexSelvantoDemo.desktop \
    ./usr/share/icons/hicolor/48x48/apps/kolvexselvanto.png \
    ./usr/share/icons/hicolor/128x128/apps/kolvexselvanto.png \
    ./usr/share/icons/hicolor/256x256/apps/kolvexselvanto.png \
    ./usr/share/icons/hicolor/scalable/apps/kolvexselvanto.svg \
    ./usr/share/man/man1/KolvexSelvanto.1.gz ./usr/share/man/man1/KolvexSelvantoPflege.1.gz \
    ./usr/share/man/man1/kolvexselvanto-demo.1.gz \
    ./usr/share/doc/kolvexselvanto/copyright ./usr/share/doc/kolvexselvanto/changelog.gz \
    ./usr/share/mime/packages/kolvexselvanto.xml \
    ./usr/share/kolvexselvanto/demo/kolvexDB3.glo ./usr/share/kolvexselvanto/demo/kolvex3.glo \
    ./usr/share/kolvexselvanto/demo/images/Bild1_scaled.png \
    ./usr/share/kolvexselvanto/demo/quarnel/WAERMEDB.txt \
    ./etc/xdg/Tirma/KolvexSelvanto.conf; do
    grep -Eq " $path\$" "$work/contents" && ok "enthält $path" || fail "$path fehlt im Paket"
done
if grep -Eq '/(tst_[a-z_]*|kolvex_bench|kolvex_demo_pictures|kolvex_make_icons|kolvex_screenshots|testsupport)$' "$work/contents"; then
    fail "Tests, Benchmark oder Generatoren im Paket"
else
    ok "keine Tests, kein Benchmark, keine Generatoren"
fi
dpkg-deb -e "$deb" "$work/control"
grep -qx /etc/xdg/Tirma/KolvexSelvanto.conf "$work/control/conffiles" && ok "Systemeinstellungen als conffile" || fail "conffiles ohne KolvexSelvanto.conf"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" && ok "desktop-file-validate $(basename "$entry")" || fail "$(basename "$entry") ungültig"
    grep -qx 'Categories=Office;Database;' "$entry" || fail "$(basename "$entry"): Categories"
done
for edition in KolvexSelvanto KolvexSelvantoPflege; do
    grep -qx "Exec=$edition %f" "$root/usr/share/applications/com.tirma.$edition.desktop" \
        && ok "$edition startet mit %f" || fail "$edition: Exec ohne %f"
done
# A *.glo file opens the maintenance edition: only its entry claims the type.
claims="$(grep -l '^MimeType=.*application/x-kolvex-database' "$root"/usr/share/applications/*.desktop | xargs -n1 basename)"
[ "$claims" = "com.tirma.KolvexSelvantoPflege.desktop" ] \
    && ok "*.glo öffnet die Pflegeausgabe" || fail "*.glo beansprucht von: $claims"
for edition in KolvexSelvanto KolvexSelvantoPflege; do
    out="$(env QT_QPA_PLATFORM=offscreen "$root/usr/bin/$edition" --version)" \
        && echo "$out" | grep -q "^$edition [0-9]" && ok "$edition --version: $out" \
        || fail "$edition --version"
    env QT_QPA_PLATFORM=offscreen "$root/usr/bin/$edition" --help | grep -q "^Aufruf: $edition" \
        && ok "$edition --help" || fail "$edition --help"
done
if ldd "$root/usr/bin/KolvexSelvantoPflege" | grep -q "not found"; then
    fail "fehlende Bibliotheken: $(ldd "$root/usr/bin/KolvexSelvantoPflege" | grep 'not found')"
fi

# Starts a program headless in a fresh home, with the package's system store;
# it opens the given database,
# closes its window as soon as the event loop runs and must end with 0,
# having saved its window state into the user store (its normal exit path).
run_headless() {
    name="$1"; shift
    home="$work/home-$name"
    mkdir -p "$home"
    if env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
        XDG_CONFIG_DIRS="$root/etc/xdg" \
        XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen KOLVEX_CLOSE_AFTER_START=1 \
        timeout 120 "$@" >"$home/log" 2>&1; then
        if grep -q "Datenbankverbindung fehlgeschlagen" "$home/log"; then
            fail "$name: Datenbank nicht geöffnet"; cat "$home/log" >&2
        elif [ -f "$home/config/Tirma/KolvexSelvanto.conf" ]; then
            ok "$name startet und endet sauber"
        else
            fail "$name: Benutzereinstellungen nicht geschrieben"; cat "$home/log" >&2
        fi
    else
        fail "$name endet mit Code $?"; cat "$home/log" >&2
    fi
}
demo="$work/demo"
mkdir -p "$demo"
cp "$root/usr/share/kolvexselvanto/demo/kolvexDB3.glo" "$root/usr/share/kolvexselvanto/demo/kolvex3.glo" "$demo/"
chmod u+w "$demo"/*.glo
run_headless KolvexSelvanto "$root/usr/bin/KolvexSelvanto" "$demo/kolvexDB3.glo"
run_headless KolvexSelvantoPflege "$root/usr/bin/KolvexSelvantoPflege" "$demo/kolvexDB3.glo"
run_headless kolvexselvanto-demo "$root/usr/bin/kolvexselvanto-demo"
[ -f "$work/home-kolvexselvanto-demo/data/KolvexSelvanto-demo/kolvexDB3.glo" ] \
    && ok "kolvexselvanto-demo legt die eigene Kopie an" || fail "kolvexselvanto-demo ohne Kopie der Demo-Datenbank"

if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures Fehler" >&2
    exit 1
fi
echo "check-package: alles in Ordnung"
