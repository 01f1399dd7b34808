#!/usr/bin/env bash
# Installs the Debian packages Quarzel builds, runs and tests with. Idempotent:
# apt is skipped entirely when everything is already there.
set -euo pipefail

packages=(
  cmake g++ pkg-config ccache
  qtbase5-dev qtbase5-dev-tools qtdeclarative5-dev qtdeclarative5-dev-tools
  qtquickcontrols2-5-dev qtpositioning5-dev libqt5sensors5-dev libqt5opengl5-dev libqt5svg5
  qml-module-qtquick2 qml-module-qtquick-window2 qml-module-qtquick-layouts
  qml-module-qtquick-controls qml-module-qtquick-controls2 qml-module-qtquick-templates2
  qml-module-qtquick-dialogs qml-module-qtqml-models2 qml-module-qtgraphicaleffects
  qml-module-qtpositioning qml-module-qtsensors qml-module-qttest qml-module-qtmultimedia
  libopenscenegraph-dev libopenthreads-dev
  libgdal-dev gdal-bin
  libsqlite3-dev sqlite3
  libprotobuf-dev protobuf-compiler
  libcurl4-openssl-dev libeigen3-dev
  xvfb xauth libgl1-mesa-dri libx11-dev fonts-dejavu-core python3
  unzip p7zip-full libarchive-tools zlib1g-dev geographiclib-tools
  python3-fonttools python3-munkres python3-defcon
  locales libxml2-utils
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
