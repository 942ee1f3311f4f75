#!/usr/bin/env bash
# Installs the build into a scratch directory and validates the desktop entry and the AppStream
# metainfo there with the desktop's own validators (appstreamcli also checks the icons and the
# desktop entry the metainfo names).
#   validate-installed.sh CMAKE BUILD_DIR APP_ID
# Exit status 77 (skipped) when neither validator is installed.
set -euo pipefail
cmake=$1
build=$2
id=$3
if ! command -v desktop-file-validate >/dev/null && ! command -v appstreamcli >/dev/null; then
  echo "neither desktop-file-validate nor appstreamcli is installed" >&2
  exit 77
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
"$cmake" --install "$build" --prefix "$root/usr" >/dev/null

status=0
if command -v desktop-file-validate >/dev/null; then
  # Hints count too: the entry should be clean.
  out=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) || status=1
  if [ -n "$out" ]; then
    printf '%s\n' "$out"
    status=1
  fi
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate-tree --no-net "$root" || status=1
fi
exit "$status"
