#!/usr/bin/env bash
# Installs the library and its development files under a scratch DESTDIR and PREFIX, then builds
# and runs the README's C example against them through pkg-config, as a user of the library would.
# Also checks that only the text2jpg_* functions leave the library.
set -euo pipefail
cmake=$1 build=$2 source=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=/opt/text2jpg-check

DESTDIR=$scratch "$cmake" --install "$build" --prefix "$prefix" --component lib >/dev/null
DESTDIR=$scratch "$cmake" --install "$build" --prefix "$prefix" --component dev >/dev/null

pc=$(find "$scratch$prefix" -name text2jpg.pc)
test -n "$pc" || { echo "no text2jpg.pc installed"; exit 1; }
export PKG_CONFIG_PATH=$(dirname "$pc")
libdir=$(pkg-config --variable=libdir text2jpg)
test -f "$(pkg-config --variable=includedir text2jpg)/text2jpg/text2jpg.h"
test "$(readlink "$libdir/libtext2jpg.so")" = libtext2jpg.so.1
test "$(readlink "$libdir/libtext2jpg.so.1")" = libtext2jpg.so.1.0.0

exported=$(nm -D --defined-only "$libdir/libtext2jpg.so.1" | awk '{print $3}' | sort)
stray=$(grep -v -e '^text2jpg_[a-z_]*@@TEXT2JPG_1$' -e '^TEXT2JPG_1$' <<<"$exported" || true)
if [ -n "$stray" ]; then
  echo "symbols beyond the C interface leave the library:"; echo "$stray"; exit 1
fi

# The README shows the example as it is in examples/c/.
diff <(sed -n '/^```c$/,/^```$/p' "$source/README.md" | sed '1d;$d') \
     <(sed -n '/^#include <stdio.h>/,$p' "$source/examples/c/hello.c") \
  || { echo "README.md's C example differs from examples/c/hello.c"; exit 1; }

# The packaged symbols file lists exactly what the library exports.
listed=$(sed -n 's/^ \([^ ]*\) .*/\1/p' "$source/packaging/libtext2jpg1/symbols" | sort)
versioned=$(sed -e 's/@@/@/' -e 's/^TEXT2JPG_1$/TEXT2JPG_1@TEXT2JPG_1/' <<<"$exported" | sort)
if [ "$listed" != "$versioned" ]; then
  echo "packaging/libtext2jpg1/symbols does not list what the library exports:"
  diff <(echo "$listed") <(echo "$versioned"); exit 1
fi

cc -std=c99 -Wall -Wextra -Werror -pedantic "$source/examples/c/hello.c" \
  $(pkg-config --cflags --libs text2jpg) -o "$scratch/hello"
cd "$scratch"
LD_LIBRARY_PATH=$libdir ./hello
test "$(head -c 3 hello.jpg | od -An -tx1 | tr -d ' ')" = ffd8ff
echo "installed library and example: fine"
