#!/usr/bin/env bash
# Holds the files of a built package against the list of files it must hold,
# and says which are missing or unexpected. Usage: check-package-files.sh DEB LIST
set -euo pipefail
deb=$1
expected=$2
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
# Plain files and links only, without the leading "./": folders follow from them.
dpkg-deb --fsys-tarfile "$deb" | tar -t --no-recursion -v |
    awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$actual"
if ! diff -u <(sort "$expected") "$actual"; then
    echo "$deb: files differ from $expected (- missing, + unexpected)" >&2
    exit 1
fi
echo "$deb: $(wc -l <"$actual") files as expected"
