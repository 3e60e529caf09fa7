# Shared by the scripts: where the repository is, and installing what is missing from Debian.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Runs a command as root, through sudo when we are not; fails when neither is possible.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "need root (or sudo) for: $*" >&2
        return 1
    fi
}

# Installs the named Debian packages that are not installed yet; nothing when all are there.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing from Debian: ${missing[*]}"
    as_root apt-get update -qq || return 1
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Whether the system has the named UTF-8 locale; locale -a spells it de_DE.utf8.
has_locale() {
    locale -a 2>/dev/null | grep -qx "$1.utf8"
}

# Generates the named UTF-8 locale (e.g. de_DE) unless the system already has it.
ensure_locale() {
    has_locale "$1" && return 0
    # localedef exits non-zero on mere warnings, so whether the locale is there is what counts.
    as_root localedef -i "$1" -f UTF-8 "$1.UTF-8" >/dev/null 2>&1
    has_locale "$1" || { echo "could not generate the $1.UTF-8 locale" >&2; return 1; }
}

# What building the programs needs.
build_packages=(g++ cmake ninja-build pkg-config libcli11-dev qt6-base-dev qt6-qpa-plugins libarchive-dev)
# What the whole suite needs beside that: tests, benchmarks, fuzzers; the window tests render
# in German with a fixed font.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev locales
               fonts-dejavu-core poppler-utils)

jobs=$(nproc 2>/dev/null || echo 2)

# The window program, the command-line twin and the Release build they come from.
release_dir="$root/build/release"
app="$release_dir/bin/ticksmith"
cli="$release_dir/bin/ticksmith-cli"

# build_release TARGETS...: configures and builds the Release programs, showing the build as one
# status line that updates in place; cmake's and ninja's output goes to a log. When the build
# fails it prints the compiler's errors from the log, keeps the log and returns non-zero.
build_release() {
    local log
    log=$(mktemp "${TMPDIR:-/tmp}/ticksmith-build.XXXXXX")
    # pipefail scoped to this function: the build's status is ninja's, not the reader's.
    local -
    set -o pipefail
    # A build directory the test command set up keeps its tests: only the named targets are
    # built either way.
    local options=(-DCMAKE_BUILD_TYPE=Release)
    [ -f "$release_dir/CMakeCache.txt" ] || options+=(-DTICKSMITH_TESTS=OFF -DTICKSMITH_BENCH=OFF)
    if ! cmake -S "$root" -B "$release_dir" -G Ninja "${options[@]}" >"$log" 2>&1; then
        echo "Configuring Ticksmith failed (full output in $log):" >&2
        tail -n 30 "$log" >&2
        return 1
    fi
    local status=0
    nice ninja -C "$release_dir" -j "$jobs" "$@" 2>&1 | show_build_progress "$log" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "Building Ticksmith failed (full log in $log):" >&2
        if grep -q 'error:' "$log"; then
            grep -B 3 -A 5 'error:' "$log" | head -n 80 >&2
        else
            tail -n 30 "$log" >&2
        fi
        return "$status"
    fi
    rm -f "$log"
}

# Appends ninja's output (on stdin) to LOG and turns its "[n/m]" lines into one status line,
# rewritten in place on a terminal and printed once at the end otherwise.
show_build_progress() {
    local log=$1 line progress="" shown=""
    while IFS= read -r line; do
        printf '%s\n' "$line" >>"$log"
        if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
            progress="Building Ticksmith: ${BASH_REMATCH[1]}/${BASH_REMATCH[2]}"
            if [ -t 1 ]; then
                printf '\r\033[K%s' "$progress"
                shown=yes
            fi
        fi
    done
    if [ -n "$shown" ]; then
        printf '\n'
    else
        echo "${progress:-Building Ticksmith: up to date}"
    fi
}

# make_scratch_sample NAME: copies the bundled sample into a new scratch directory and prints
# its path. The scratch directory is the working directory of the programs run on it (profiles,
# AUDIT.TXT, Lasttime).
make_scratch_sample() {
    local scratch
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/ticksmith-$1.XXXXXX")
    cp -r "$root/sample/Portfolio" "$root/sample/Sample" "$scratch/"
    echo "$scratch"
}

# render_window SETTINGS DIR: starts the window program without a display in the current
# directory and has it write the main window and its dialogs into DIR as PNG files. The fixed
# font makes the pictures the same on every machine.
render_window() {
    local settings=$1 dir=$2
    mkdir -p "$dir"
    # The files are listed by the callers; the offscreen platform's remarks about window
    # hints are no news.
    QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu \
        "$app" --settings "$settings" --screenshots "$dir" 2>&1 >/dev/null |
        grep -v -e 'propagateSizeHints' -e 'XDG_RUNTIME_DIR' >&2 || true
    if [ ! -s "$dir/main-window.png" ]; then
        echo "ticksmith wrote no $dir/main-window.png" >&2
        return 1
    fi
}
