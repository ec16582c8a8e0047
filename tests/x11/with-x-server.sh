#!/usr/bin/env bash
# Runs one command against a private X server (Xvfb), optionally with a window
# manager that draws frames, and stops both afterwards:
#   with-x-server.sh [--wm openbox] [--screen WxHxD] -- command [args...]
# The server picks a free display itself, so parallel runs never collide.
# The command's exit status is the script's.
set -euo pipefail

wm=""
screen="1280x1024x24"
while [ $# -gt 0 ]; do
    case "$1" in
    --wm) wm=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--wm openbox] [--screen WxHxD] -- command [args...]" >&2; exit 2; }

need() {
    command -v "$1" >/dev/null || { echo "$0: $1 is missing (./dev.sh installs it: $2)" >&2; exit 1; }
}
need Xvfb xvfb
if [ -n "$wm" ]; then
    need "$wm" "$wm"
    need xprop x11-utils
fi

work=$(mktemp -d)
server=""
manager=""
cleanup() {
    local status=$?
    # The window manager first, so that it does not complain about a lost server.
    for pid in $manager $server; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb writes the display number to the file once it accepts connections.
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    kill -0 "$server" 2>/dev/null || { cat "$work/xvfb.log" >&2; echo "$0: Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done
[ -s "$work/display" ] || { echo "$0: Xvfb gave no display number" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

if [ -n "$wm" ]; then
    # A home of its own, so that no user settings or caches take part.
    mkdir -p "$work/home"
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
        "$wm" --sm-disable >"$work/wm.log" 2>&1 &
    manager=$!
    # A window manager that manages the screen names itself on the root window.
    managed=""
    for _ in $(seq 200); do
        if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            managed=yes
            break
        fi
        kill -0 "$manager" 2>/dev/null || break
        sleep 0.05
    done
    [ -n "$managed" ] || { cat "$work/wm.log" >&2; echo "$0: $wm did not take over the screen" >&2; exit 1; }
fi

export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit "$status"
