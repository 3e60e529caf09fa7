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
               fonts-dejavu-core)

jobs=$(nproc 2>/dev/null || echo 2)
