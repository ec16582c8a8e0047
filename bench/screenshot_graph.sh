#!/usr/bin/env bash
# Takes docs/graph-companion.png: the graph companion following a real
# measurement of the main program under a real X server (Xvfb + openbox),
# both driven by real key presses and clicks through xdotool.
#
#   bench/screenshot_graph.sh [BUILD_DIR] [DISPLAY_NUMBER]   default: build/ and 51
#
# Needs xvfb, openbox, xdotool, x11-xserver-utils (xmodmap) and imagemagick
# (installed through apt when missing). Not part of the tests.
set -euo pipefail
export LC_ALL=C.UTF-8

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
display=:${2:-51}
out=$repo/docs/graph-companion.png

missing=()
for tool in Xvfb:xvfb openbox:openbox xdotool:xdotool xmodmap:x11-xserver-utils import:imagemagick; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

subjects=("理科室 2班 湯の冷え方" "ビーカー 200 mL 水" "かき混ぜない" "室温 20 ℃" "デジタル温度計")
# Every Japanese character typed gets a key of its own (an unused one, or a
# multimedia key) before the programs start. Otherwise xdotool maps a spare
# key to each character in turn, and a program that reads the key map a
# little late sees the wrong character or none.
free_keys=($(xmodmap -pke | awk 'NF == 3 || $4 ~ /^XF86/ { print $2 }'))
k=0
while read -r char; do
    xmodmap -e "keycode ${free_keys[k]} = U$(printf '%04X' "'$char")"
    k=$((k + 1))
done < <(printf '%s' "${subjects[@]}" | LC_ALL=C.UTF-8 grep -o '[^ -~]' | sort -u)

export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$work/runtime"
# The folder exists already, so the main program starts without its message.
mkdir "$work/DATA"
cd "$work"

wait_window() { # name -> window id
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || { echo "no window named $1" >&2; exit 1; }
    echo "$id"
}

"$build/quellmark" >/dev/null 2>&1 &
pids+=($!)
main=$(wait_window "^QMK$")
xdotool windowmove --sync "$main" 0 0
sleep 0.5

# Positions in the main window's client area, in pixels (its layout is fixed).
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
type_slowly() {
    xdotool type --delay 80 -- "$1"
    sleep 1
}
subject_line() { # y of the line, text
    click 267 "$1"
    type_slowly "$2"
}
for i in 0 1 2 3 4; do
    subject_line $((67 + 19 * i)) "${subjects[i]}"
done
# The orange boxes: first target value 80 ℃, then 2 ℃ less each time.
prompt() { # x, y of the box, answer
    click "$1" "$2"
    sleep 0.5
    xdotool key ctrl+a
    xdotool type -- "$3"
    xdotool key Return
    sleep 0.3
}
prompt 408 149 80
prompt 414 170 -2
# "測定対象等入力on/off": ready to start (sky blue).
click 260 45

"$build/quellmark-graph" >/dev/null 2>&1 &
pids+=($!)
graph=$(wait_window "クエルマーク グラフ")
xdotool windowsize --sync "$graph" 1080 900
xdotool windowmove --sync "$graph" 515 0
sleep 0.5
# The fit chooser takes the focus first; two steps down choose the cooling fit.
xdotool windowactivate --sync "$graph"
xdotool key Down Down
sleep 0.3
xdotool windowactivate --sync "$main"
sleep 0.3

# A cup cooling toward 20 ℃ with a 12 s time constant (quick, to keep the
# script short): the user presses when the thermometer reaches 80, 78, 76, …
# ℃, that is at t = 12·ln(60 / (y − 20)) s.
xdotool key Return
started=$(date +%s.%N)
for i in $(seq 1 24); do
    at=$(awk -v i="$i" 'BEGIN { printf "%.3f", 12 * log(60 / (60 - 2 * i)) }')
    now=$(awk -v s="$started" -v n="$(date +%s.%N)" 'BEGIN { print n - s }')
    sleep "$(awk -v a="$at" -v n="$now" 'BEGIN { d = a - n; print (d > 0 ? d : 0) }')"
    xdotool key space
    # The seventh reading was misread: BackSpace marks it NG.
    [ "$i" -eq 7 ] && { sleep 0.3; xdotool key BackSpace; }
done
sleep 1.5

# Only a screenshot of the measurement as typed: the file's subject row must
# hold every line exactly.
subject=$(iconv -f CP932 -t UTF-8 DATA/QMK*.csv | sed -n 2p)
expected='"理科室 2班 湯の冷え方","ビーカー 200 mL 水","かき混ぜない","室温 20 ℃","デジタル温度計","←対象等"'
if [[ ${subject%$'\r'} != "$expected" ]]; then
    echo "the subject typed did not arrive as typed: $subject" >&2
    exit 1
fi

# The window's own area on the screen (xdotool's position can be the frame's).
info=$(xwininfo -id "$graph")
x=$(awk '/Absolute upper-left X/ { print $4 }' <<<"$info")
y=$(awk '/Absolute upper-left Y/ { print $4 }' <<<"$info")
w=$(awk '/Width:/ { print $2 }' <<<"$info")
h=$(awk '/Height:/ { print $2 }' <<<"$info")
import -window root -crop "${w}x${h}+${x}+${y}" +repage -resize '1000x>' -colors 128 "PNG8:$work/shot.png"
mv "$work/shot.png" "$out"
echo "wrote $out"
