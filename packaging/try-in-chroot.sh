#!/usr/bin/env bash
# Installs a built package into a fresh Debian 12 root and starts both
# programs there under Xvfb, as a user of a clean system would get them.
# Needs root, debootstrap, Xvfb and xdotool on the host; not part of the
# test command (it downloads a base system).
#
# usage: packaging/try-in-chroot.sh DEB [ROOT] [DISPLAY_NUMBER]
set -euo pipefail
deb=$(realpath "$1")
root=${2:-/work/chroot-pkg}
display=${3:-61}
mirror=${MIRROR:-http://deb.debian.org/debian}

if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase bookworm "$root" "$mirror"
fi

mounted=()
xvfb=""
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}" || true; done
}
trap cleanup EXIT
bind() { # host path, mount point inside the root
    mkdir -p "$root$2"
    mount --bind "$1" "$root$2"
    mounted+=("$root$2")
}
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
bind /dev /dev
bind /dev/shm /dev/shm
mkdir -p /tmp/.X11-unix
bind /tmp/.X11-unix /tmp/.X11-unix
cp /etc/resolv.conf "$root/etc/resolv.conf"

# The package as a user installs it: apt finds everything it depends on.
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")"
in_root dpkg -s quellmark | grep -E '^(Status|Version)'

# An X server outside, reached through the shared socket folder.
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp &
xvfb=$!
for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

work=/root/try
in_root rm -rf "$work"
in_root mkdir -p "$work"
start() { # program and arguments; prints its process id
    chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 DISPLAY=":$display" \
        sh -c "cd $work && exec $*" >"/tmp/try-$1.log" 2>&1 &
    echo $!
}
x() { DISPLAY=":$display" "$@"; }
window_named() { # title; waits up to 20 s for such a window and prints its id
    x timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -1
}

# The main program: a short measurement from real key presses.
pid=$(start quellmark)
# The first start in a folder says that it made DATA; Enter closes the message.
note=$(window_named Quellmark)
echo "quellmark: message window $note"
x xdotool windowfocus --sync "$note" key Return
win=$(window_named QMK)
echo "quellmark: main window $win"
x xdotool windowfocus --sync "$win"
for _ in 1 2 3 4 5 6; do
    x xdotool key Return
    sleep 0.7
done
kill -TERM "$pid"
while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
ls -l "$root$work/DATA"
file=$(ls -t "$root$work"/DATA/QMK*.csv | head -1)
echo "data file: ${file#"$root"}"

# The companion: its window, following that folder, and its report.
if [ ! -x "$root/usr/bin/quellmark-graph" ]; then
    echo "quellmark-graph is not in this package" >&2
    exit 1
fi
pid=$(start quellmark-graph)
sleep 3
echo "quellmark-graph: windows:"
for w in $(x xdotool search --onlyvisible --classname quellmark-graph); do
    echo "  $w $(x xdotool getwindowname "$w")"
done
kill -0 "$pid"
kill -TERM "$pid"
while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
in_root sh -c "cd $work && quellmark-graph --report '${file#"$root$work/"}'"
echo
in_root ls /usr/share/man/man1/quellmark.1.gz /usr/share/man/man1/quellmark-graph.1.gz \
    /usr/share/man/ja/man1/quellmark.1.gz /usr/share/man/ja/man1/quellmark-graph.1.gz
echo "both programs started"
