#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark and take screenshots
# (clang with its sanitizer and libFuzzer runtimes, and llvm-14's symbolizer, for the fuzz runs).
# Does nothing when all of them are already present.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libgl-dev qt6-translations-l10n
  libxml2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
  clang libclang-rt-14-dev llvm-14
  xvfb xauth x11-utils xdotool xclip imagemagick fonts-ipafont-gothic strace
  python3  # drives the command-line tool on a pseudo-terminal
  gdb  # scripts/scan-secrets.sh and its test
  at-spi2-core dbus-daemon dbus-x11 python3-pyatspi  # the accessibility bus test
  dbus-bin  # dbus-send: the lock's signals in its desktop test and scan (Qt DBus is in qt6-base-dev)
  dpkg-dev desktop-file-utils appstream groff-base file lintian  # the Debian package and its checks
  libwayland-dev sway wl-clipboard  # clip on a Wayland clipboard, tested under headless sway
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
