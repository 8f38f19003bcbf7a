#!/usr/bin/env bash
# Installs what the build, the program and the tests need on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config git \
  qt6-base-dev libqt6opengl6-dev qt6-tools-dev qt6-qpa-plugins libqt6uitools6 libgl-dev \
  libudev-dev libglib2.0-dev gsettings-desktop-schemas dbus-daemon libgtest-dev libgmock-dev libbenchmark-dev \
  xvfb xauth xdotool openbox xterm x11-utils libxcb1-dev fonts-dejavu-core fonts-wqy-microhei fonts-inter \
  qt6-wayland weston desktop-file-utils appstream dpkg-dev python3-fonttools >/dev/null
