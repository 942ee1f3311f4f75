#!/usr/bin/env bash
# Installs the library and the Python package under a scratch DESTDIR for the prefixes /usr and
# /usr/local, checks that the package lands where Debian's python3 looks for that prefix, and
# imports it from there (the library found through LD_LIBRARY_PATH, as ldconfig would).
set -euo pipefail
cmake=$1 build=$2 python=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for prefix in /usr /usr/local; do
  root=$scratch$prefix
  DESTDIR=$scratch "$cmake" --install "$build" --prefix "$prefix" --component lib >/dev/null
  DESTDIR=$scratch "$cmake" --install "$build" --prefix "$prefix" --component python >/dev/null
  # Where the system's python3 reads packages of this prefix.
  site=$("$python" -c "import site; print('\n'.join(site.getsitepackages()))" |
    grep -x "$prefix/lib/python3[^/]*/dist-packages" | head -n 1)
  test -n "$site" || { echo "python3 reads no dist-packages of $prefix"; exit 1; }
  for f in __init__.py __init__.pyi py.typed; do
    test -f "$scratch$site/text2jpg/$f" || { echo "$site/text2jpg/$f not installed"; exit 1; }
  done
  libdir=$(dirname "$(find "$root" -name 'libtext2jpg.so.1' | head -n 1)")
  size=$(cd "$scratch" && LD_LIBRARY_PATH=$libdir PYTHONPATH=$scratch$site "$python" -c \
    'import text2jpg; assert text2jpg.__file__.startswith("'"$scratch$site"'"); print(text2jpg.size("你好"))')
  echo "$prefix: text2jpg from $site draws, size $size"
done
