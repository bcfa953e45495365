#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
# With --fuzz it adds clang, which the libFuzzer targets need; with --bench what only the benchmarks need:
# f3d to measure beside, and libXext for bench/finalframe.c.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    zlib1g-dev libssl-dev libfast-float-dev libassimp-dev libtinyobjloader-dev
    qt6-base-dev libqt6opengl6-dev libgl-dev libglx-dev libegl-dev libgl1-mesa-dri
    libfreetype-dev fonts-dejavu-core
    xvfb xauth x11-utils imagemagick xdotool libx11-dev
    libopenmesh-dev
    mingw-w64 libz-mingw-w64-dev wine wine64
)
for option in "$@"; do
    case $option in
        --fuzz) packages+=(clang) ;;
        --bench) packages+=(f3d libxext-dev) ;;
        *) echo "usage: install-deps.sh [--fuzz] [--bench]" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
