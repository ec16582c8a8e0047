#!/usr/bin/env bash
# Packs the Windows programs of a build folder with everything they need from
# the toolchain into BUILD/quellmark-VERSION-x64.zip (a portable folder that
# runs from wherever it is unpacked) and BUILD/quellmark-VERSION-x64.msi.
#   make-packages.sh BUILD-FOLDER TOOLCHAIN-PREFIX
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD-FOLDER TOOLCHAIN-PREFIX" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
prefix=$2
triple=x86_64-w64-mingw32
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "$0: no project version in $build/CMakeCache.txt" >&2; exit 1; }
name=quellmark-$version-x64
stage=$build/stage/$name
rm -rf "$build/stage" "$build/$name.zip" "$build/$name.msi"
mkdir -p "$stage"

cp "$build/quellmark.exe" "$build/quellmark-graph.exe" "$build/quellmark-graph.com" "$stage/"
# Qt's plugins beside the programs, where Qt looks first: the platform (and
# the minimal one the companion's --export draws with), the styles, the
# image formats.
for kind in platforms styles imageformats; do
    mkdir -p "$stage/$kind"
done
cp "$prefix/plugins/platforms/qwindows.dll" "$prefix/plugins/platforms/qminimal.dll" "$stage/platforms/"
cp "$prefix"/plugins/styles/*.dll "$stage/styles/"
cp "$prefix"/plugins/imageformats/*.dll "$stage/imageformats/"
mkdir -p "$stage/translations"
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"
printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$stage/qt.conf"

# Every DLL the programs and plugins load, and the ones those load, taken
# from the toolchain or MinGW's runtime. A DLL found in neither is Windows'
# own.
runtime_dirs=("$prefix/bin" "$(dirname "$($triple-g++-posix -print-file-name=libstdc++-6.dll)")"
    "$(dirname "$($triple-g++-posix -print-file-name=libwinpthread-1.dll)")")
find_dll() {
    local d
    for d in "${runtime_dirs[@]}"; do
        local f
        f=$(find "$d" -maxdepth 1 -iname "$1" -print -quit 2>/dev/null)
        [ -n "$f" ] && { echo "$f"; return 0; }
    done
    return 1
}
queue=("$stage"/*.exe "$stage"/*/*.dll)
declare -A seen=()
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    while read -r dll; do
        key=${dll,,}
        [ -n "${seen[$key]:-}" ] && continue
        seen[$key]=1
        if found=$(find_dll "$dll"); then
            cp "$found" "$stage/"
            queue+=("$stage/$(basename "$found")")
        fi
    done < <($triple-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
for needed in Qt6Core.dll Qt6Widgets.dll; do
    [ -f "$stage/$needed" ] || { echo "$0: $needed is missing from the package" >&2; exit 1; }
done

# Our licence and the licence of every library that comes along.
cp "$here/../../LICENSE" "$stage/LICENSE.txt"
mkdir -p "$stage/licenses"
cp "$prefix"/licenses/* "$stage/licenses/"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/GCC-runtime.copyright.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/MinGW-w64-winpthreads.copyright.txt"

(cd "$build/stage" && zip -q -r -9 "$build/$name.zip" "$name")

# The installer: the template plus one component per file of the folder.
# wixl takes its sources by paths relative to where it runs.
cd "$build/stage"
cp "$here/quellmark.wxs" "$build/quellmark.ico" .
python3 - "$name" files.wxs <<'EOF'
import hashlib, os, sys
from xml.sax.saxutils import quoteattr
root, out = sys.argv[1], sys.argv[2]
def ident(kind, path):
    return kind + hashlib.sha1(path.encode()).hexdigest()[:24].upper()
lines = ['<?xml version="1.0" encoding="utf-8"?>',
         '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi"><Fragment>',
         '<DirectoryRef Id="INSTALLDIR">']
components = []
def walk(rel):
    folder = os.path.join(root, rel)
    for entry in sorted(os.listdir(folder)):
        path = os.path.join(rel, entry) if rel else entry
        full = os.path.join(root, path)
        if os.path.isdir(full):
            lines.append('<Directory Id=%s Name=%s>' % (quoteattr(ident("d", path)), quoteattr(entry)))
            walk(path)
            lines.append('</Directory>')
        else:
            c = ident("c", path)
            components.append(c)
            lines.append('<Component Id=%s Guid="*" Win64="yes"><File Id=%s KeyPath="yes" Source=%s/></Component>'
                         % (quoteattr(c), quoteattr(ident("f", path)), quoteattr(full)))
walk("")
lines.append('</DirectoryRef></Fragment><Fragment><ComponentGroup Id="ProgramFiles">')
lines += ['<ComponentRef Id=%s/>' % quoteattr(c) for c in components]
lines.append('</ComponentGroup></Fragment></Wix>')
open(out, "w").write("\n".join(lines) + "\n")
EOF
"$here/installer-texts.py" hide quellmark.wxs japanese.tsv
msi=$build/$name.msi
wixl -a x64 -D Version="$version" -D Icon=quellmark.ico -o "$msi" quellmark.wxs files.wxs
# The code page first, then every table with a placeholder again, its texts
# back in place.
printf '\r\n\r\n932\t_ForceCodepage\r\n' >_ForceCodepage.idt
msibuild "$msi" -i _ForceCodepage.idt
mkdir tables
for table in $(msiinfo tables "$msi"); do
    case $table in _*) continue ;; esac
    (cd tables && msiinfo export "$msi" "$table" >"$table.idt")
    grep -q QMJA "tables/$table.idt" || continue
    "$here/installer-texts.py" restore japanese.tsv "tables/$table.idt"
    msibuild "$msi" -i "tables/$table.idt"
done
for table in Property Shortcut Registry Feature LaunchCondition; do
    if msiinfo export "$msi" $table | grep -q QMJA; then
        echo "$0: a Japanese text of the installer's $table table was not put back" >&2
        exit 1
    fi
done

for f in "$build/$name.zip" "$build/$name.msi"; do
    echo "Built $f ($(du -k "$f" | cut -f1) KiB)"
done
