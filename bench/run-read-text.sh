#!/usr/bin/env bash
# Builds and runs the readText round-trip benchmark. Installs playwright-core
# into bench/node_modules first when it is missing (never committed); the
# browser is always Debian's /usr/bin/chromium, nothing is downloaded for it.
# Usage: bench/run-read-text.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ ! -d "$root/bench/node_modules/playwright-core" ]; then
    (cd "$root/bench" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-save --no-package-lock \
        --no-audit --no-fund playwright-core >/dev/null)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target read_text_bench
exec "$build/bench/read_text_bench" "$@"
