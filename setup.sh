#!/usr/bin/env bash
# Installs what a Debian 12 machine is missing, builds, then starts the program ("run") or runs
# every test ("test").
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build pkg-config python3 qt6-base-dev libgl-dev libsodium-dev libisal-dev libfec-dev
          libssl-dev libbenchmark-dev fonts-liberation desktop-file-utils appstream groff-base
          pandoc clang-14 libclang-rt-14-dev llvm-14 lintian bash-completion dbus-daemon
          xdg-utils libfile-mimeinfo-perl shared-mime-info)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
        "${missing[@]}"
}

build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build
}

case "${1:-}" in
run)
    install_missing
    build
    exec build/bin/zr7e
    ;;
test)
    install_missing
    build
    cd build
    exec ctest --output-on-failure -j "$(nproc)"
    ;;
*)
    echo "usage: ./setup.sh run | test" >&2
    exit 2
    ;;
esac
