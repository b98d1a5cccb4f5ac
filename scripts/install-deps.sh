#!/usr/bin/env bash
# Installs what building and testing Glimmora needs on Debian 12, if anything is missing.
# Runs apt-get (as root) only when a package is absent.
set -euo pipefail

packages=(
    cmake ninja-build make
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    clang libclang-rt-14-dev
    # The program's second compiler links with lld; the download is packed with zip, the setup
    # built with NSIS.
    lld zip nsis
    googletest
    wine wine64
    xvfb x11-utils xauth imagemagick
    # Keys sent through the X server as a person's come; the multi-monitor session: a window
    # manager with a task bar and tray, and the host compiler for its Xinerama stand-in.
    xdotool icewm gcc libc6-dev
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run this as root, or install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q "${missing[@]}"
