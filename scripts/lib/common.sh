# Shared by the scripts: where the repository is, and installing what is missing from Debian.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

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
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "need root (or sudo) to install: ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building the programs needs.
build_packages=(g++ cmake ninja-build pkg-config libcli11-dev qt6-base-dev qt6-qpa-plugins libarchive-dev)
# What the whole suite needs beside that: tests, benchmarks, fuzzers.
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev)

jobs=$(nproc 2>/dev/null || echo 2)
