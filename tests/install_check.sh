#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a desktop and a packager need is there.
set -euo pipefail
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
id=org.orbtool.Orbtool
missing=0
for f in bin/orbtool bin/orbtool-cli share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
         share/icons/hicolor/256x256/apps/$id.png share/man/man1/orbtool.1.gz share/man/man1/orbtool-cli.1.gz \
         share/doc/orbtool/README.md share/doc/orbtool/copyright; do
    if [ ! -s "$dest/usr/$f" ]; then
        echo "missing: /usr/$f"
        missing=1
    fi
done
[ -x "$dest/usr/bin/orbtool-cli" ] && "$dest/usr/bin/orbtool-cli" --version | grep -q '^orbtool-cli ' || missing=1
# The installed tool finds its workbook module where the install put it.
if ! head -c 44500 /dev/zero | "$dest/usr/bin/orbtool-cli" dump - --format xlsx -o "$dest/book.xlsx" || [ ! -s "$dest/book.xlsx" ]; then
    echo "the installed orbtool-cli writes no workbook"
    missing=1
fi
# The icons are the sizes their folders say.
for size in 48 256; do
    head -c 24 "$dest/usr/share/icons/hicolor/${size}x${size}/apps/$id.png" | od -An -tu1 -j16 | \
        awk -v s=$size '{ if ($3 * 256 + $4 != s || $7 * 256 + $8 != s) { print "icon " s " has the wrong size"; exit 1 } }' \
        || missing=1
done
grep -q '<svg' "$dest/usr/share/icons/hicolor/scalable/apps/$id.svg" || missing=1
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$dest/usr/share/applications/$id.desktop" || missing=1
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$dest/usr/share/metainfo/$id.metainfo.xml" >/dev/null || missing=1
fi
if [ $missing -ne 0 ]; then
    echo "0 passed, 1 failed"
    exit 1
fi
echo "install layout: all files present and valid"
