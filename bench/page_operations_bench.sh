#!/usr/bin/env bash
# Builds and runs the page operations benchmark beside Playwright. Installs
# playwright-core into bench/node_modules first when it is missing (never
# committed); the browser is always Debian's /usr/bin/chromium.
# Usage: bench/page_operations_bench.sh [repetitions]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ ! -d "$root/bench/node_modules/playwright-core" ]; then
    (cd "$root/bench" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-save --no-package-lock \
        --no-audit --no-fund playwright-core >/dev/null)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target page_operations_bench
exec "$build/bench/page_operations_bench" "$@"
