#!/usr/bin/env bash
# A screenshot (PNG) of the graph companion showing the period fit of a data
# file, on a private X server (Xvfb + openbox):
#
#   tools/screenshot-period.sh [--steps N] DATA.csv OUT.png [BUILD_DIR]
#
# e.g. tools/screenshot-period.sh tests/data/pendulum-real-run.csv docs/graph-period.png
# The fit chooser has the focus first; "周期" is chosen by N presses of Down
# from "なし" (default 3). The file is read from a copy in a temporary folder,
# and the companion's settings go to a temporary home. Not part of the tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${QUELLMARK_SHOT_X:-}" ]; then
    exec "$here/../tests/x11/with-x-server.sh" --wm openbox --screen 1600x1200x24 -- \
        env QUELLMARK_SHOT_X=1 "$0" "$@"
fi
steps=3
if [ "${1:-}" = --steps ]; then
    steps=$2
    shift 2
fi
[ $# -ge 2 ] || { echo "usage: $0 [--steps N] DATA.csv OUT.png [BUILD_DIR]" >&2; exit 2; }
data=$(realpath "$1")
out=$(realpath "$2")
build=$(cd "${3:-$here/../build}" && pwd)
export LC_ALL=C.UTF-8

work=$(mktemp -d)
graph=""
cleanup() {
    if [ -n "$graph" ]; then kill "$graph" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/runtime"
mkdir -p "$work/home/.config"
cp "$data" "$work/$(basename "$data")"
(cd "$work" && HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime \
    exec "$build/quellmark-graph" "$(basename "$data")") >"$work/graph.log" 2>&1 &
graph=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name 'クエルマーク グラフ$' | head -n 1) ||
    { cat "$work/graph.log" >&2; echo "no companion window" >&2; exit 1; }
xdotool windowsize --sync "$window" 1080 860
xdotool windowmove --sync "$window" 0 0
xdotool windowactivate --sync "$window"
sleep 1
xdotool key Home
for _ in $(seq "$steps"); do xdotool key Down; done
sleep 1.5

# The window's own area, read off the root window through Xlib and written
# as a PNG with the standard library alone.
read -r x y w h < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
python3 - "$out" "$x" "$y" "$w" "$h" <<'EOF'
import ctypes, ctypes.util, struct, sys, zlib

out, x, y, w, h = sys.argv[1], *map(int, sys.argv[2:6])

class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]

x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.POINTER(XImage)
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                          ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
display = x11.XOpenDisplay(None)
ZPixmap, AllPlanes = 2, 0xFFFFFFFF
image = x11.XGetImage(display, x11.XDefaultRootWindow(display), x, y, w, h, AllPlanes, ZPixmap)
if not image or image.contents.bits_per_pixel != 32 or image.contents.byte_order != 0:
    sys.exit("screenshot: expected a 32-bit little-endian image")
stride = image.contents.bytes_per_line
raw = ctypes.string_at(image.contents.data, stride * h)
rows = bytearray()
for r in range(h):
    bgrx = raw[r * stride:r * stride + 4 * w]
    rgb = bytearray(3 * w)
    rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
    rows += b"\0" + rgb

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

with open(out, "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
print("screenshot: wrote %s (%dx%d)" % (out, w, h))
EOF
