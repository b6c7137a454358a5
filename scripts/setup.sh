#!/usr/bin/env bash
# Installs what building, running and testing need (only what is missing),
# then configures and builds into build/ (or $VISTREL_BUILD_DIR).
#   scripts/setup.sh [extra cmake arguments...]
# Environment: VISTREL_EXTRA_PACKAGES adds Debian packages to the list,
# VISTREL_BUILD_TARGETS limits the build to the named targets.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev libgl-dev
  libjpeg62-turbo-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev ffmpeg libyuv-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libglib2.0-bin xvfb xauth fonts-liberation fonts-dejavu-core
  clang-format clang-tidy
  libcli11-dev
  desktop-file-utils appstream dpkg-dev file man-db lintian
  gstreamer1.0-tools gstreamer1.0-plugins-good mediainfo
)
# shellcheck disable=SC2206
packages+=(${VISTREL_EXTRA_PACKAGES:-})

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: installing packages needs root (run with sudo)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

build=${VISTREL_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G Ninja "$@"
# shellcheck disable=SC2086
cmake --build "$build" -j "$(nproc)" ${VISTREL_BUILD_TARGETS:+--target $VISTREL_BUILD_TARGETS}
