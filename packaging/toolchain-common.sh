# The steps the toolchain scripts (packaging/*/build-toolchain.sh) share,
# sourced by them once they have set
#   toolchain  their name ("web", "windows")
#   cache      the user's cache folder for Quellmark
# It sets sources (the source packages and the private apt lists), work (the
# build folders), log (the build log, emptied), jobs and started, and gives
# say, fail and run (a step with its output in the log), dir_of and fetch for
# Debian's source packages, and copy_licences.

sources=$cache/$toolchain-sources
work=$cache/$toolchain-build
mkdir -p "$sources" "$work"
log=$work/build.log
: >"$log"
jobs=${QUELLMARK_JOBS:-2}
started=$(date +%s)

say() { echo "$toolchain toolchain: $*" | tee -a "$log" >&2; }
fail() {
    say "FAILED: $*"
    say "last lines of $log:"
    tail -n 40 "$log" >&2
    exit 1
}
run() { # step name, command...
    local name=$1
    shift
    say "$name"
    "$@" >>"$log" 2>&1 || fail "$name"
}

# Debian's source packages, through a private deb-src list made from the
# machine's own deb entries, used only through apt's options: the system's
# apt configuration stays as it is and no mirror is named here.
apt_dir=$sources/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
python3 - "$apt_dir/sources.list" <<'EOF'
import glob, re, sys
out = []
try:
    for line in open("/etc/apt/sources.list"):
        line = line.split("#", 1)[0].strip()
        if line.startswith("deb ") or line.startswith("deb\t"):
            out.append("deb-src" + line[3:])
except FileNotFoundError:
    pass
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for block in re.split(r"\n[ \t]*\n", open(path).read()):
        fields = {}
        for line in block.splitlines():
            if line.lstrip().startswith("#") or ":" not in line or line[0] in " \t":
                continue
            key, value = line.split(":", 1)
            fields[key.strip().lower()] = value.split()
        if "deb" not in fields.get("types", []) or fields.get("enabled", ["yes"])[0] == "no":
            continue
        options = ""
        if "signed-by" in fields:
            options = "[signed-by=%s] " % fields["signed-by"][0]
        for uri in fields.get("uris", []):
            for suite in fields.get("suites", []):
                out.append("deb-src %s%s %s %s" % (options, uri, suite, " ".join(fields.get("components", []))))
if not out:
    sys.exit("no deb entries in /etc/apt/sources.list or /etc/apt/sources.list.d/*.sources")
open(sys.argv[1], "w").write("\n".join(out) + "\n")
EOF
apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o Debug::NoLocking=1)

dir_of() { ls -d "$sources/$1"-[0-9]*/ 2>/dev/null | head -n 1; }
updated=no
fetch() { # source package
    [ -n "$(dir_of "$1")" ] && return 0
    if [ $updated = no ]; then
        run "reading the source package lists" apt-get "${apt_options[@]}" update
        updated=yes
    fi
    say "fetching $1"
    (cd "$sources" && apt-get "${apt_options[@]}" source "$1") >>"$log" 2>&1 && return 0
    # A mirror may list an update whose files it does not hold: then every
    # older version it lists is tried, newest first.
    local version
    for version in $(apt-cache "${apt_options[@]}" showsrc "$1" | sed -n 's/^Version: //p' | sort -urV); do
        say "fetching $1 $version"
        (cd "$sources" && apt-get "${apt_options[@]}" source "$1=$version") >>"$log" 2>&1 && return 0
    done
    return 1
}

# The licences of what the programs bundle as their source packages state
# them, into the prefix.
copy_licences() { # Qt's, GSL's, QCustomPlot's, zlib's, libxlsxwriter's source folders, prefix
    local qt=$1 gsl=$2 qcp=$3 zlib=$4 xlsx=$5 to=$6/licenses
    mkdir -p "$to"
    for f in LGPL-3.0-only GPL-2.0-only GPL-3.0-only; do
        [ -f "$qt/LICENSES/$f.txt" ] && cp "$qt/LICENSES/$f.txt" "$to/Qt-$f.txt"
    done
    cp "$qt/debian/copyright" "$to/Qt.copyright.txt"
    cp "$gsl/debian/copyright" "$to/GSL.copyright.txt"
    cp "$gsl/COPYING" "$to/GSL-COPYING.txt"
    cp "$qcp/debian/copyright" "$to/QCustomPlot.copyright.txt"
    cp "$qcp/GPL.txt" "$to/QCustomPlot-GPL.txt"
    cp "$zlib/debian/copyright" "$to/zlib.copyright.txt"
    cp "$xlsx/debian/copyright" "$to/libxlsxwriter.copyright.txt"
    cp "$xlsx/License.txt" "$to/libxlsxwriter-License.txt"
}
