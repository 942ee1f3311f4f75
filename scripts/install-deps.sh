#!/usr/bin/env bash
# Installs the Debian packages that 文本to图片 needs.
#
#   scripts/install-deps.sh            build, tests and fonts
#   scripts/install-deps.sh --bench    also what the benchmark compares against
#   scripts/install-deps.sh --look     also what screenshots under a virtual display need (with
#                                      a window manager for the title bars), and rsvg-convert for
#                                      a look at the SVG icon
#   scripts/install-deps.sh --fuzz     also clang with libFuzzer and its sanitizer runtimes
#   scripts/install-deps.sh --package  also what building and checking the Debian packages needs
#   scripts/install-deps.sh --fresh    also what scripts/fresh-machine.sh needs (debootstrap)
#   scripts/install-deps.sh --print [OPTION...]
#                                      prints the packages, one a line, and installs nothing
#
# Does nothing when every package is present; runs apt-get update only when
# something is missing; uses sudo when not root; fails loudly otherwise.
set -euo pipefail

packages=(
  cmake g++ make pkg-config python3 dpkg-dev gettext libc-l10n
  qt6-base-dev libxcb1-dev libfreetype-dev libfontconfig-dev libharfbuzz-dev libjpeg62-turbo-dev
  libpng-dev
  libicu-dev
  python3-dev python3-distributed
  libgtest-dev libgmock-dev
  xvfb xauth dbus-daemon at-spi2-core python3-pyatspi
  qt6-translations-l10n
  fonts-arphic-uming fonts-arphic-ukai fonts-wqy-zenhei fonts-liberation2 fonts-dejavu-core
  fonts-noto-color-emoji fonts-hanazono fonts-lohit-deva
  desktop-file-utils appstream
)
print=0

for arg in "$@"; do
  case "$arg" in
    --bench) packages+=(libjpeg-turbo-progs python3-pil python3-minimal time python3-xlib) ;;
    --look) packages+=(xvfb xauth imagemagick xdotool x11-utils openbox librsvg2-bin) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --package) packages+=(file lintian man-db) ;;
    --fresh) packages+=(debootstrap) ;;
    --print) print=1 ;;
    *) echo "install-deps.sh: unknown option: $arg" >&2; exit 2 ;;
  esac
done

if [ "$print" -eq 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  if [ "$status" != "installed" ]; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps.sh: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps.sh: missing packages (${missing[*]}) and neither root nor sudo" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ! "${as_root[@]}" apt-get update; then
  echo "install-deps.sh: apt-get update failed" >&2
  exit 1
fi
if ! "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  echo "install-deps.sh: could not install: ${missing[*]}" >&2
  exit 1
fi

for p in "${missing[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  if [ "$status" != "installed" ]; then
    echo "install-deps.sh: package $p is still not installed" >&2
    exit 1
  fi
done
