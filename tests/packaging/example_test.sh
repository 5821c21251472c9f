#!/usr/bin/env bash
# Builds examples/fill_and_click as another project would, against the page
# library installed into a temporary prefix, and runs it on its page.
#
#   example_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$source/examples/fill_and_click" -B "$work/example" \
    -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log" >&2; exit 1; }
cmake --build "$work/example" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }

output=$("$work/example/fill_and_click" "file://$source/examples/fill_and_click/greeting.html" Ada)
echo "$output"
[ "$output" = "Hello, Ada!" ] || { echo "FAILED: expected 'Hello, Ada!'" >&2; exit 1; }
