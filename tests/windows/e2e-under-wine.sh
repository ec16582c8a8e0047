#!/usr/bin/env bash
# The Windows packages end to end under Wine, on a private X server:
#  - the MSI installs silently into a fresh Wine prefix;
#  - the installed program, started through its Start-menu entry, says it made
#    DATA below Documents\Quellmark and records three presses, a BackSpace and
#    the end click; its data file has the rows the Linux program writes for
#    the same keys (the same kinds and texts, CP932, CR LF; times differ);
#  - the installed companion's --report --fit cooling on a fixed file, typed
#    in cmd as a teacher types it (so that the console launcher
#    quellmark-graph.com runs), gives the Linux build's JSON, numbers equal to
#    12 significant digits, and cmd gets its exit status;
#  - the installed companion writes a workbook whose chart has its two series
#    and a page that carries its figure, and --help names only what it can
#    write;
#  - the key stamps' resolution is measured and printed;
#  - the uninstall removes every file of the program and keeps the user's data.
#   e2e-under-wine.sh BUILD-WINDOWS BUILD-LINUX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${QUELLMARK_E2E_X:-}" ]; then
    exec "$here/../x11/with-x-server.sh" --wm openbox -- env QUELLMARK_E2E_X=1 "$0" "$@"
fi
[ $# -eq 2 ] || { echo "usage: $0 BUILD-WINDOWS BUILD-LINUX" >&2; exit 2; }
win_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
msi=$(ls "$win_build"/quellmark-*-x64.msi)
work=$win_build/e2e
rm -rf "$work"
mkdir -p "$work/home/Documents" "$work/linux"
# A home of its own: Wine links the prefix's Documents to the home's.
export HOME=$work/home
prefix=$work/wine
wine_run() { "$here/wine-run.sh" "$prefix" "" "$@"; }
wineserver=$(dirname "$(command -v wine64 || echo /usr/lib/wine/wine64)")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
step() { echo "e2e: $*"; }
fail() {
    echo "e2e: FAILED: $*" >&2
    exit 1
}
cleanup() {
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
}
trap cleanup EXIT
window_named() { # title: the first visible window with exactly that title
    # Polled rather than --sync: a window that vanishes while xdotool reads
    # its properties (Wine's short-lived helper windows) makes it give up.
    local until=$((SECONDS + 120)) id
    while [ $SECONDS -lt $until ]; do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}
# Sends Return to a message until it goes. Wine hands a window that has just
# appeared the keyboard only after a moment, so the first Return may be lost
# like the start key below; each is confirmed by the message going.
dismiss() { # title window
    local attempt waited
    for attempt in 1 2 3 4 5; do
        xdotool windowactivate --sync "$2" >/dev/null 2>&1 || xdotool windowfocus --sync "$2" >/dev/null 2>&1 || true
        xdotool key Return
        for waited in $(seq 30); do
            xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -qx "$2" || return 0
            sleep 0.1
        done
        echo "e2e: the Return for \"$1\" was lost (attempt $attempt), sending it again"
    done
    fail "the message \"$1\" did not go"
}
# The keys of the measurement, the same on both systems: the first Return
# starts, three more are readings, BackSpace rejects the last one; then the
# end button "保存/クリア" (at 5280,0 twips, 1215 x 495, 15 twips a pixel).
measure() { # window data-folder
    start_key "$1" "$2"
    for key in Return Return Return BackSpace; do
        xdotool key "$key"
        sleep 0.6
    done
    end_click "$1"
    sleep 2
}
# The start writes a new data file. Wine hands a window that has just appeared
# the keyboard only after a moment, so a key sent too soon is lost: the start
# is sent again only while no new file has appeared.
start_key() { # window data-folder
    local before attempt waited
    before=$(find "$2" -name 'QMK*.csv' | wc -l)
    for attempt in 1 2 3; do
        xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
        xdotool key Return
        for waited in $(seq 50); do
            [ "$(find "$2" -name 'QMK*.csv' | wc -l)" -gt "$before" ] && { sleep 0.6; return; }
            sleep 0.1
        done
        echo "e2e: the start key was lost (attempt $attempt), sending it again"
    done
    fail "the program did not start a measurement"
}
end_click() { # window
    xdotool mousemove --window "$1" $(( (5280 + 1215 / 2) / 15 )) $(( 495 / 2 / 15 )) click 1
}
# The second click on the end button clears the form for the next start;
# three presses then make a second measurement, which the end of the session
# (Windows) or SIGTERM (Linux) ends.
second_measurement() { # window data-folder
    end_click "$1"
    sleep 1
    start_key "$1" "$2"
    for key in Return Return; do
        xdotool key "$key"
        sleep 0.6
    done
}

step "a fresh Wine prefix"
wine_run cmd /c exit 0
# Japanese text in every window: Wine finds Debian's Noto CJK fonts itself;
# the families Windows programs ask for are mapped onto them.
cat >"$work/fonts.reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS UI Gothic"="Noto Sans CJK JP"
"MS Gothic"="Noto Sans Mono CJK JP"
"MS PGothic"="Noto Sans CJK JP"
"Meiryo"="Noto Sans CJK JP"
"Meiryo UI"="Noto Sans CJK JP"
"Yu Gothic UI"="Noto Sans CJK JP"
EOF
wine_run regedit /S "Z:${work//\//\\}\\fonts.reg"

step "silent install of $(basename "$msi")"
wine_run msiexec /i "Z:${msi//\//\\}" /qn || fail "msiexec /i returned $?"
WINEPREFIX=$prefix "$wineserver" -w
installed="$prefix/drive_c/Program Files/Quellmark"
for f in quellmark.exe quellmark-graph.exe Qt6Core.dll platforms/qwindows.dll translations/qtbase_ja.qm LICENSE.txt; do
    [ -f "$installed/$f" ] || fail "$f was not installed"
done
entry=$(find "$prefix/drive_c" -name 'クエルマーク.lnk' | head -n 1)
[ -n "$entry" ] || fail "no Start-menu entry クエルマーク"
find "$prefix/drive_c" -name 'クエルマーク グラフ.lnk' | grep -q . || fail "no Start-menu entry クエルマーク グラフ"
wine_run regedit /E "Z:${work//\//\\}\\open-with.reg" \
    'HKEY_LOCAL_MACHINE\Software\Classes\Applications\quellmark-graph.exe'
iconv -f UTF-16 -t UTF-8 "$work/open-with.reg" | grep -q '"FriendlyAppName"="クエルマーク グラフ"' ||
    fail "\"Open with\" does not name the companion クエルマーク グラフ"

step "the installed program, started through its Start-menu entry"
entry_win=$(wine_run winepath -w "$entry" 2>/dev/null | tr -d '\r')
wine_run start /wait "$entry_win" &
starter=$!
note=$(window_named Quellmark) || fail "no message that DATA was made"
dismiss Quellmark "$note"
window=$(window_named QMK) || fail "no main window"
data_dir=$(find -L "$prefix/drive_c/users" -maxdepth 4 -path '*/Documents/Quellmark/DATA' -type d | head -n 1)
[ -n "$data_dir" ] || fail "no DATA below Documents\\Quellmark"
measure "$window" "$data_dir"
windows_file=$(ls "$data_dir"/QMK*.csv | head -n 1)

step "the end of the Windows session during a measurement"
sleep 1 # the next data file's name is to the second
second_measurement "$window" "$data_dir"
wine_run wineboot --end-session || fail "wineboot --end-session returned $?"
timeout 30 tail --pid="$starter" -f /dev/null || fail "the program did not end with the session"
session_file=$(ls -t "$data_dir"/QMK*.csv | head -n 1)
[ "$session_file" != "$windows_file" ] || fail "no data file for the second measurement"
WINEPREFIX=$prefix "$wineserver" -k || true

step "the Linux program with the same keys"
(cd "$work/linux" && exec "$linux_build/quellmark") >"$work/linux.log" 2>&1 &
linux=$!
note=$(window_named Quellmark) || fail "the Linux program showed no message"
dismiss Quellmark "$note"
window=$(window_named QMK) || fail "the Linux program showed no window"
measure "$window" "$work/linux/DATA"
linux_file=$(ls "$work"/linux/DATA/QMK*.csv | head -n 1)
sleep 1
second_measurement "$window" "$work/linux/DATA"
kill -TERM "$linux"
wait "$linux" || true
linux_session_file=$(ls -t "$work"/linux/DATA/QMK*.csv | head -n 1)

step "the data files against the Linux program's"
cat >"$work/compare.py" <<'EOF'
import csv, io, re, sys

def rows(path):
    data = open(path, "rb").read()
    if not data.endswith(b"\r\n") or b"\n" in data.replace(b"\r\n", b""):
        sys.exit("%s: not every line ends with CR LF" % path)
    text = data.decode("cp932")  # fails on anything but CP932
    return list(csv.reader(io.StringIO(text, newline="")))

def shape(row):
    # Times, counts and seconds differ from run to run; texts do not.
    return [re.sub(r"\d+(\.\d+)?", "#", f) for f in row]

windows, linux = rows(sys.argv[1]), rows(sys.argv[2])
if len(windows) != len(linux):
    sys.exit("Windows wrote %d rows, Linux %d" % (len(windows), len(linux)))
for n, (w, l) in enumerate(zip(windows, linux), 1):
    if shape(w) != shape(l):
        sys.exit("row %d differs:\n  Windows %r\n  Linux   %r" % (n, w, l))
print("e2e: %d rows alike, e.g. %r" % (len(windows), windows[-2]))
EOF
python3 "$work/compare.py" "$windows_file" "$linux_file" || fail "the end click's data files differ"
python3 "$work/compare.py" "$session_file" "$linux_session_file" ||
    fail "the session's end and SIGTERM left different data files"

step "the companion's report on a fixed file, typed in cmd"
fixed=$here/QMK26_1_15_100000.csv
cp "$fixed" "$work/"
# The folder on cmd's search path, as a teacher's PATH may have it: the name
# without extension finds quellmark-graph.com before quellmark-graph.exe.
in_cmd() { (cd "$work" && "$here/wine-run.sh" "$prefix" "$installed" cmd /c quellmark-graph "$@"); }
in_cmd --report --fit cooling "$(basename "$fixed")" >"$work/report-windows.json" ||
    fail "the Windows report failed"
status=0
in_cmd --report missing.csv >/dev/null 2>&1 || status=$?
[ $status -eq 2 ] || fail "cmd got exit status $status for a missing file, not 2"
(cd "$work" && "$linux_build/quellmark-graph" --report --fit cooling "$(basename "$fixed")") \
    >"$work/report-linux.json"
python3 - "$work/report-windows.json" "$work/report-linux.json" <<'EOF'
import json, math, sys

def same(a, b, where):
    if isinstance(a, dict) and isinstance(b, dict):
        if a.keys() != b.keys():
            sys.exit("%s: keys differ: %s / %s" % (where, sorted(a), sorted(b)))
        for k in a:
            same(a[k], b[k], where + "." + k)
    elif isinstance(a, list) and isinstance(b, list) and len(a) == len(b):
        for i, (x, y) in enumerate(zip(a, b)):
            same(x, y, "%s[%d]" % (where, i))
    elif isinstance(a, (int, float)) and isinstance(b, (int, float)) and not isinstance(a, bool):
        if a != b and not math.isclose(a, b, rel_tol=5e-12, abs_tol=1e-300):
            sys.exit("%s: %r against %r" % (where, a, b))
    elif a != b:
        sys.exit("%s: %r against %r" % (where, a, b))

windows, linux = (json.load(open(p, encoding="utf-8")) for p in sys.argv[1:3])
same(windows, linux, "report")
print("e2e: reports agree:", json.dumps(windows["fit"]["parameters"]))
EOF

step "the installed companion's workbook and page"
companion() { (cd "$work" && wine_run "C:\\Program Files\\Quellmark\\quellmark-graph.exe" "$@"); }
companion --export book.xlsx --fit cooling "$(basename "$fixed")" || fail "no workbook"
companion --export page.html --fit cooling "$(basename "$fixed")" || fail "no page"
companion --help >"$work/help.txt" || fail "--help returned $?"
# The system's Python, which has the packages dev.sh installs.
/usr/bin/python3 - "$work/book.xlsx" "$work/page.html" "$work/help.txt" <<'EOF' || fail "exports"
import base64, re, sys
import openpyxl
book = openpyxl.load_workbook(sys.argv[1])
charts = [c for sheet in book.worksheets for c in sheet._charts]
if not charts or len(charts[0].series) != 2:
    sys.exit("e2e: the workbook's chart has not the readings and the fit: %r" % charts)
page = open(sys.argv[2], encoding="utf-8").read()
figure = re.search(r'<figure>\s*<img src="data:image/png;base64,([^"]+)" alt="([^"]+)"', page)
if not figure or not base64.b64decode(figure.group(1)).startswith(b"\x89PNG"):
    sys.exit("e2e: the page has no figure")
# In the ANSI code page, as Qt writes a window program's help: only the names count.
help = open(sys.argv[3], encoding="latin-1").read()
if ".svg" in help or ".xlsx" not in help:
    sys.exit("e2e: --help names what this build cannot write, or not what it can:\n" + help)
print("e2e: workbook chart with %d series; page figure of %d bytes, \"%s…\""
      % (len(charts[0].series), len(base64.b64decode(figure.group(1))), figure.group(2)[:30]))
EOF

step "press stamps under Wine"
[ -f "$win_build/stamp_probe.exe" ] || fail "stamp_probe.exe was not built"
{
    # Beside the installed programs, where it finds Qt's DLLs and plugins.
    probe=$installed/stamp_probe.exe
    cp "$win_build/stamp_probe.exe" "$probe"
    wine_run "C:\\Program Files\\Quellmark\\stamp_probe.exe" >"$work/stamps.txt" &
    prober=$!
    window=$(window_named "stamp probe") || fail "no probe window"
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
    for pause in 0.013 0.007 0.021 0.003 0.017 0.011 0.005 0.019 0.009 0.015 0.002 0.023 0.006 0.014 0.01 \
        0.004 0.012 0.018 0.001 0.022 0.008 0.016 0.02 0.005 0.011 0.003 0.014 0.009 0.017 0.006; do
        xdotool key Return
        sleep "$pause"
    done
    sleep 1
    xdotool key Escape
    wait "$prober" || true
    rm -f "$probe"
    python3 - "$work/stamps.txt" <<'EOF'
import math, sys
rows = [list(map(int, l.split())) for l in open(sys.argv[1]) if l.strip() and l[0].isdigit()]
if len(rows) < 10:
    sys.exit("e2e: the probe saw only %d presses" % len(rows))
# Stamps that follow a system tick (Windows' 15.625 ms, or any from 10 to
# 20 ms) step by whole ticks, give or take a millisecond; finer stamps taken
# at uneven pauses miss every tick by more.
def best_tick(ms):
    steps = [b - a for a, b in zip(ms, ms[1:])]
    miss = lambda tick: max(abs(s - round(s / tick) * tick) for s in steps)
    return min(((miss(t), t) for t in (10 + k / 8 for k in range(81))))
for name, i, unit in (("Qt key stamp", 0, 1.0), ("GetMessageTime", 1, 1.0), ("QElapsedTimer", 2, 1e-6)):
    miss, tick = best_tick([r[i] * unit for r in rows])
    if miss <= 1:
        verdict = "its steps fit a %g ms tick within %.1f ms" % (tick, miss)
    else:
        verdict = "no tick from 10 to 20 ms fits its steps closer than %.1f ms" % miss
        # Whole-millisecond stamps whose steps share no divisor resolve 1 ms.
        if unit == 1 and math.gcd(*(b[i] - a[i] for a, b in zip(rows, rows[1:]))) == 1:
            verdict += ": resolves 1 ms"
    print("e2e: %-14s over %d presses: %s" % (name, len(rows), verdict))
    # The program reads Qt's stamp: laps to 0.01 s need it finer than a tick.
    if i == 0 and miss <= 1:
        sys.exit("e2e: FAILED: Qt's key stamps follow a tick")
EOF
}

step "uninstall"
wine_run msiexec /x "Z:${msi//\//\\}" /qn || fail "msiexec /x returned $?"
WINEPREFIX=$prefix "$wineserver" -w
[ ! -e "$installed" ] || fail "left behind: $(find "$installed" | head -n 5)"
find "$prefix/drive_c" -name 'クエルマーク*.lnk' | grep -q . && fail "a Start-menu entry was left behind"
[ -f "$windows_file" ] || fail "the user's data file was removed"
step "passed"
