#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache python3
  qt6-base-dev qt6-svg-dev libgl-dev
  libhpdf-dev libqrencode-dev libjsoncpp-dev libcurl4-openssl-dev
  libudev-dev libturbojpeg0-dev libxtst-dev libx11-dev libcpp-httplib-dev libssl-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev
  xvfb xauth xdotool x11-utils trayer wmctrl openbox xfwm4 xfce4-panel metacity weston sway xwayland qt6-wayland grim jq x11-xserver-utils zbar-tools qpdf poppler-utils imagemagick img2pdf curl
  dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin
  fonts-dejavu-core fonts-wqy-microhei
  at-spi2-core python3-pyatspi
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
