#!/usr/bin/env bash
# Assembles the page from a WebAssembly build of the program:
#   make-site.sh BUILD_DIR
# BUILD_DIR/site/ gets our own index.html, the program's .js and .wasm, a cut
# of Noto Sans Mono CJK JP (kana, every character of code page 932 -- JIS X
# 0208 and the Windows extensions a data file may hold -- ASCII, and every
# character of the program's own texts), the manifest, the icons and the
# service worker; BUILD_DIR/quellmark-web-VERSION.zip holds the same. The
# sizes, raw and as a server sends them compressed, are printed.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "$0: no project version in $build/CMakeCache.txt" >&2; exit 1; }
site=$build/site
rm -rf "$site"
mkdir -p "$site"

cp "$build/quellmark.js" "$build/quellmark.wasm" "$site/"
cp "$here/site/index.html" "$here/site/manifest.webmanifest" "$site/"
sed "s/@VERSION@/$version/" "$here/site/sw.js" >"$site/sw.js"
for size in 192 512; do
    rsvg-convert -w $size -h $size "$root/packaging/quellmark.svg" -o "$site/icon-$size.png"
done

# The font: the program's main window is drawn in a fixed-pitch gothic.
font=/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc
chars=$build/font-characters.txt
/usr/bin/python3 - "$root/src" "$chars" <<'EOF'
import pathlib, sys
chars = {chr(c) for c in range(0x20, 0x7F)}
chars |= {chr(c) for c in [*range(0x3041, 0x3097), *range(0x309B, 0x3100), *range(0xFF61, 0xFFA0)]}
for lead in [*range(0x81, 0xA0), *range(0xE0, 0xFD)]:
    for trail in range(0x40, 0xFD):
        try:
            chars.add(bytes([lead, trail]).decode("cp932"))
        except UnicodeDecodeError:
            pass
for path in pathlib.Path(sys.argv[1]).rglob("*"):
    if path.suffix in (".cpp", ".h"):
        chars |= {c for c in path.read_text(encoding="utf-8") if ord(c) > 0x7E}
open(sys.argv[2], "w", encoding="utf-8").write("".join(sorted(chars)))
EOF
font_number=$(/usr/bin/python3 -c '
import sys
from fontTools.ttLib import TTCollection
names = [f["name"].getDebugName(1) for f in TTCollection(sys.argv[1]).fonts]
print(names.index("Noto Sans Mono CJK JP"))' "$font")
# Without the hints and with its subroutines spelt out, the font is a fifth
# smaller as a server sends it compressed; FreeType hints it by itself. Of
# its layout features only the composition of marks is kept: the vertical,
# width and older-form variants the others reach are half its glyphs, and
# the program writes horizontally in the forms its characters name.
/usr/bin/python3 -m fontTools.subset "$font" --font-number="$font_number" \
    --text-file="$chars" --no-hinting --desubroutinize --layout-features=ccmp \
    --output-file="$site/quellmark-jp.otf"

zip_file=$build/quellmark-web-$version.zip
rm -f "$zip_file"
(cd "$site" && zip -q -r -X "$zip_file" .)

echo "site: $site"
total=0
total_gz=0
for f in "$site"/*; do
    raw=$(stat -c %s "$f")
    gz=$(gzip -9 -c "$f" | wc -c)
    total=$((total + raw))
    total_gz=$((total_gz + gz))
    printf '  %-22s %9d bytes, %9d compressed\n' "$(basename "$f")" "$raw" "$gz"
done
printf '  %-22s %9d bytes, %9d compressed\n' "all" "$total" "$total_gz"
echo "zip: $zip_file ($(stat -c %s "$zip_file") bytes)"
