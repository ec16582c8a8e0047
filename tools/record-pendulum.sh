#!/usr/bin/env bash
# Makes a pendulum data file the way a pupil does: the real main program on a
# private X server (Xvfb + openbox), pressed with `xdotool key` once per swing
# of a pendulum whose period the script knows. Each press is scheduled at
# swing·PERIOD plus a human scatter (normal, sd 30 ms, at most ±80 ms) drawn
# from a fixed seed, so the same options give the same schedule. One swing can
# be left unpressed (--skip) and one pressed a second time 0.15 s later
# (--double), as a hand does.
#
#   tools/record-pendulum.sh [--period S] [--swings N] [--seed N] [--skip K]
#                            [--double K] BUILD_DIR OUT.csv
#
# Writes OUT.csv, the data file byte for byte as the program left it, and
# OUT.schedule beside it: the true period and, per press, the swing, the time
# it was scheduled for and the time xdotool was started (s after the first
# press was due). As a pupil would, the script answers the first-start message
# of a fresh folder, types a subject line and the name of the value, sets the
# increment to 1 (the value counts the presses), and ends the measurement with
# one click on "保存/クリア". Used to make the fixtures in tests/data; not part
# of the tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${QUELLMARK_RECORD_X:-}" ]; then
    exec "$here/../tests/x11/with-x-server.sh" --wm openbox -- env QUELLMARK_RECORD_X=1 "$0" "$@"
fi

period=1.6 swings=24 seed=16 skip=-1 double=-1
while [ $# -gt 2 ]; do
    case "$1" in
    --period) period=$2 ;;
    --swings) swings=$2 ;;
    --seed) seed=$2 ;;
    --skip) skip=$2 ;;
    --double) double=$2 ;;
    *) break ;;
    esac
    shift 2
done
[ $# -eq 2 ] || { echo "usage: $0 [--period S] [--swings N] [--seed N] [--skip K] [--double K] BUILD_DIR OUT.csv" >&2; exit 2; }
build=$(cd "$1" && pwd)
out=$(realpath "$2")
export LC_ALL=C.UTF-8

work=$(mktemp -d)
program=""
cleanup() {
    if [ -n "$program" ]; then kill "$program" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    cat "$work/program.log" >&2
    echo "record-pendulum: $*" >&2
    exit 1
}
window_named() { # title: the first visible window with exactly that title
    timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}

subject="振り子 糸の長さ 64 cm"
value_name="押した回数"
# Every Japanese character to be typed gets an unused key of its own before
# the program starts. Otherwise xdotool maps a spare key to each character in
# turn, and a program that reads the key map a little late sees another
# character or none.
python3 - "$subject$value_name" <<'EOF'
import ctypes, ctypes.util, sys

x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                 ctypes.POINTER(ctypes.c_int)]
x11.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
x11.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                    ctypes.POINTER(ctypes.c_int)]
x11.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                       ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
display = x11.XOpenDisplay(None)
low, high, per = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
x11.XDisplayKeycodes(display, ctypes.byref(low), ctypes.byref(high))
count = high.value - low.value + 1
keysyms = x11.XGetKeyboardMapping(display, low.value, count, ctypes.byref(per))
free = [low.value + i for i in range(count)
        if not any(keysyms[i * per.value + j] for j in range(per.value))]
chars = sorted({c for c in sys.argv[1] if ord(c) > 0x7E})
if len(free) < len(chars):
    sys.exit("record-pendulum: too few unused keys")
for code, c in zip(free, chars):
    keysym = ctypes.c_ulong(0x01000000 + ord(c))
    x11.XChangeKeyboardMapping(display, code, 1, ctypes.byref(keysym), 1)
x11.XSync(display, 0)
EOF
mkdir -m 700 "$work/runtime" "$work/run"
(cd "$work/run" && XDG_RUNTIME_DIR=$work/runtime exec "$build/quellmark") >"$work/program.log" 2>&1 &
program=$!
note=$(window_named Quellmark) || fail "no message that DATA was made"
xdotool windowactivate --sync "$note" key Return
main=$(window_named QMK) || fail "no main window"
xdotool windowmove --sync "$main" 0 0
xdotool windowactivate --sync "$main"
sleep 1
# Positions in the main window's client area, in pixels (its layout is fixed):
# the first subject line, the name of the value, the increment box, then
# "測定対象等入力on/off" to be ready to start.
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.4; }
click 267 67
xdotool type --delay 150 -- "$subject"
click 432 97
xdotool key ctrl+a
xdotool type --delay 150 -- "$value_name"
click 414 170
prompt=$(window_named "測定待受け値に対する増分") || fail "no prompt for the increment"
xdotool windowactivate --sync "$prompt" key ctrl+a type -- 1
xdotool key Return
sleep 0.5
click 260 45
sleep 0.5

python3 - "$period" "$swings" "$seed" "$skip" "$double" "${out%.csv}.schedule" <<'EOF'
import random, subprocess, sys, time

period, swings, seed, skip, double = float(sys.argv[1]), *map(int, sys.argv[2:6])
rng = random.Random(seed)
presses = []  # (swing, s after the first press)
for k in range(swings):
    t = k * period + max(-0.08, min(0.08, rng.gauss(0.0, 0.03)))
    if k == skip:
        continue
    presses.append((k, t))
    if k == double:
        presses.append((k, t + 0.15))
# The first press is the start: everything is timed from it.
origin = presses[0][1]
presses = [(k, t - origin) for k, t in presses]

# A first run of xdotool, so that the first press does not wait for it to load.
subprocess.run(["xdotool", "getmouselocation"], check=True, stdout=subprocess.DEVNULL)
start = time.monotonic() + 0.5
sent = []
for k, t in presses:
    while (wait := start + t - time.monotonic()) > 0:
        time.sleep(min(wait, 0.05) if wait > 0.06 else wait)
    sent.append(time.monotonic() - start)
    subprocess.run(["xdotool", "key", "space"], check=True)

with open(sys.argv[6], "w", encoding="utf-8") as f:
    f.write("# true_period_s %r\n" % period)
    f.write("# seed %d, skipped swing %d, doubled swing %d (-1: none)\n" % (seed, skip, double))
    f.write("# swing scheduled_s sent_s (s after the first press was due)\n")
    for (k, t), s in zip(presses, sent):
        f.write("%d %.4f %.4f\n" % (k, t, s))
print("record-pendulum: %d presses, the latest %.1f ms after its time"
      % (len(sent), 1000 * max(s - t for (_, t), s in zip(presses, sent))))
EOF
sleep 1.2
# The end click: the first click on "保存/クリア" writes the last reading and
# the end subject row.
click 392 16
sleep 1
files=("$work"/run/DATA/QMK*.csv)
if [ ${#files[@]} -ne 1 ] || [ ! -f "${files[0]}" ]; then fail "expected one data file, found: ${files[*]}"; fi
# The texts as typed: a key that went astray would leave another file.
rows=$(iconv -f CP932 -t UTF-8 "${files[0]}" | sed -n 2,3p | tr -d '\r')
[[ $rows == *"\"$subject\""*"\"$value_name\""* ]] || fail "the texts did not arrive as typed: $rows"
kill -TERM "$program"
wait "$program" || true
program=""
cp "${files[0]}" "$out"
echo "record-pendulum: wrote $out ($(basename "${files[0]}")) and ${out%.csv}.schedule"
