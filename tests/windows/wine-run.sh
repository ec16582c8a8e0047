#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, quietly: no debug
# output, no offer to install Mono or Gecko, and the folders of the needed
# DLLs on Wine's search path.
#   wine-run.sh WINEPREFIX DLL-FOLDER[:DLL-FOLDER...] program [args...]
# The prefix is made on first use. The program's exit status is the script's.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 WINEPREFIX DLL-FOLDERS program [args...]" >&2; exit 2; }
export WINEPREFIX=$1
dlls=$2
shift 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
# Qt on Windows sends its messages, and QTest its results, to the debugger's
# log unless told to use standard error and output, which the caller reads.
export QT_FORCE_STDERR_LOGGING=1
path=""
IFS=: read -r -a folders <<<"$dlls"
for f in "${folders[@]}"; do
    [ -n "$f" ] && path="${path:+$path;}Z:${f//\//\\}"
done
export WINEPATH=$path
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
    "$wineserver" -w
fi
exec "$wine" "$@"
