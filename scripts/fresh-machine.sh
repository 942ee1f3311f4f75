#!/usr/bin/env bash
# Tries 文本to图片 as a new user would, on minimal Debian 12 systems made with debootstrap.
#
#   scripts/fresh-machine.sh DIR [build|install]
#
# build    DIR/a: minbase bookworm plus git and make. A clone of the current branch runs
#          `make test`, starts the window (offscreen, as `make run` does) and runs `make package`.
# install  DIR/b: another minbase bookworm installs DIR/a's packages with apt (Recommends too, as
#          apt does by default), converts text with /usr/bin/text2jpg-cli and with the Python
#          module, and checks the manual pages, metainfo, icons, copyright files and that a
#          font covers Chinese; then builds the README's C example against libtext2jpg-dev with
#          pkg-config and runs it.
# Without a step, both. A system that DIR already holds is reused. Needs root and debootstrap
# (scripts/install-deps.sh --fresh); the build takes a long while.
set -euo pipefail

dir=${1:?usage: fresh-machine.sh DIR [build|install]}
step=${2:-all}
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
branch=$(git -C "$repo" branch --show-current)
# The host's Debian mirror, else the default one.
mirror=$({ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
  /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
  sed -n 's/^URIs: *\([^ ]*debian\)$/\1/p; s/^deb \([^ ]*debian\) bookworm main.*/\1/p' | head -n 1)
mirror=${mirror:-http://deb.debian.org/debian}

mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -R "${mounted[i]}" 2>/dev/null || umount -lR "${mounted[i]}" || true
  done
}
trap cleanup EXIT

# Makes (or reuses) a minbase system and mounts what programs in it expect.
system() {
  local root=$1
  if [ ! -x "$root/bin/bash" ]; then
    debootstrap --variant=minbase bookworm "$root" "$mirror"
  fi
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  for m in proc sys dev; do
    if ! mountpoint -q "$root/$m"; then
      case $m in
        proc) mount -t proc proc "$root/proc" ;;
        sys) mount -t sysfs sys "$root/sys" ;;
        dev) mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev" ;;
      esac
      mounted+=("$root/$m")
    fi
  done
}

in_root() {
  local root=$1
  shift
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive /bin/bash -ec "$*" </dev/null
}

build_step() {
  local root=$dir/a
  system "$root"
  in_root "$root" 'apt-get update && apt-get install -y git make'
  rm -rf "$root/root/text2jpg"
  git clone --branch "$branch" "$repo" "$root/root/text2jpg"
  in_root "$root" 'cd /root/text2jpg && make test'
  # The window must come up and stay up until it is stopped.
  local status=0
  in_root "$root" 'cd /root/text2jpg && QT_QPA_PLATFORM=offscreen timeout 20 make run' || status=$?
  if [ "$status" -ne 124 ]; then
    echo "fresh-machine: the window did not stay up (status $status)" >&2
    exit 1
  fi
  echo "fresh-machine: the window started and ran until stopped"
  in_root "$root" 'cd /root/text2jpg && make package'
  ls -l "$root"/root/text2jpg/build/*.deb
}

install_step() {
  local root=$dir/b
  system "$root"
  mkdir -p "$root/tmp/debs"
  cp "$dir"/a/root/text2jpg/build/*.deb "$root/tmp/debs/"
  in_root "$root" 'apt-get update && apt-get install -y /tmp/debs/*.deb'
  in_root "$root" '
    cd /tmp
    printf "你好，世界\nHello, world\n" | /usr/bin/text2jpg-cli -s 24 -o hello.jpg
    test "$(head -c 3 hello.jpg | od -An -tx1 | tr -d " ")" = ffd8ff
    echo "converted: $(stat -c %s hello.jpg) bytes of JPEG"
    bytes=$(python3 -c "import text2jpg; print(len(text2jpg.render(\"你好\")))")
    echo "from Python: text2jpg.render(\"你好\") gave $bytes bytes"
    for f in /usr/share/man/man1/text2jpg-cli.1.gz /usr/share/man/man1/text2jpg.1.gz \
             /usr/share/metainfo/io.github.text2jpg.Text2Jpg.metainfo.xml \
             /usr/share/applications/io.github.text2jpg.Text2Jpg.desktop \
             /usr/share/icons/hicolor/scalable/apps/io.github.text2jpg.Text2Jpg.svg \
             /usr/share/doc/text2jpg-cli/copyright /usr/share/doc/text2jpg/copyright \
             /usr/share/doc/python3-text2jpg/copyright \
             /usr/share/bash-completion/completions/text2jpg-cli; do
      test -s "$f"
      echo "present: $f"
    done
    for s in 16 24 32 48 64 128 256; do
      test -s /usr/share/icons/hicolor/${s}x${s}/apps/io.github.text2jpg.Text2Jpg.png
    done
    echo "present: the icon at 16, 24, 32, 48, 64, 128 and 256 px"
    fonts=$(fc-list :lang=zh family)
    test -n "$fonts"
    echo "Chinese fonts:"; printf "%s\n" "$fonts" | sed "s/^/  /"
  '
  # The library: in the linker cache by its trigger, and usable from C as the README shows.
  cp "$dir"/a/root/text2jpg/examples/c/hello.c "$root/tmp/hello.c"
  in_root "$root" 'apt-get install -y gcc libc6-dev pkgconf'
  in_root "$root" '
    cd /tmp
    dpkg -s libtext2jpg1 libtext2jpg-dev >/dev/null
    ldconfig -p | grep -q "libtext2jpg.so.1 "
    echo "linker cache: $(ldconfig -p | grep "libtext2jpg.so.1 ")"
    cc hello.c $(pkg-config --cflags --libs text2jpg) -o hello
    rm -f hello.jpg
    ./hello
    test "$(head -c 3 hello.jpg | od -An -tx1 | tr -d " ")" = ffd8ff
    echo "libtext2jpg: the C example built with pkg-config and drew hello.jpg"
  '
}

case $step in
  build) build_step ;;
  install) install_step ;;
  all) build_step && install_step ;;
  *) echo "fresh-machine.sh: unknown step: $step" >&2; exit 2 ;;
esac
echo "fresh-machine: $step passed"
