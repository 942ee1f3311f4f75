#!/usr/bin/env bash
# Screenshots of the window under a virtual display, as a user would see it.
#
#   scripts/screenshots.sh BUILD_DIR
#
# Starts BUILD_DIR/bin/text2jpg under xvfb-run (no window manager, so the window sits at its
# own position without a frame) and saves BUILD_DIR/screenshots/main.png. With xdotool
# installed it also ticks 预览, presses 转换 and saves BUILD_DIR/screenshots/preview.png and the
# picture it wrote, BUILD_DIR/screenshots/Picture0.jpg.
# Conversions write into a temporary directory, never into the tree.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
program="$build/bin/text2jpg"
out="$build/screenshots"
if [ ! -x "$program" ]; then
  echo "screenshots.sh: $program is missing; build first" >&2
  exit 1
fi
for tool in xvfb-run import; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "screenshots.sh: $tool is missing (scripts/install-deps.sh --look)" >&2
    exit 1
  fi
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The window's client area on the screen, with a margin around it.
left=759 top=252 width=502 normal_height=290 preview_height=442 margin=10

cat >"$work/shoot.sh" <<SHOOT
set -euo pipefail
cd "$work"
"$program" &
pid=\$!
trap 'kill \$pid 2>/dev/null || true' EXIT
sleep 3
import -window root "$work/screen.png"
convert "$work/screen.png" -crop $((width + 2 * margin))x$((normal_height + 2 * margin))+$((left - margin))+$((top - margin)) +repage "$out/main.png"
if command -v xdotool >/dev/null 2>&1; then
  xdotool mousemove $((left + 8 + 10)) $((top + 257 + 8)) click 1
  sleep 1
  xdotool mousemove $((left + 408 + 37)) $((top + 253 + 12)) click 1
  sleep 2
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop $((width + 2 * margin))x$((preview_height + 2 * margin))+$((left - margin))+$((top - margin)) +repage "$out/preview.png"
  cp "$work/Picture0.jpg" "$out/Picture0.jpg"
fi
SHOOT

xvfb-run -a -s "-screen 0 1600x1000x24" bash "$work/shoot.sh"
echo "screenshots.sh: saved in $out:"
ls -1 "$out"
