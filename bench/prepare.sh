#!/usr/bin/env bash
# Shared by the benchmark runners: installs playwright-core into
# bench/node_modules when it is missing (never committed; no browser is
# downloaded, the browser is always Debian's /usr/bin/chromium), then builds
# the benchmark target named as the first argument.
# Usage: source bench/prepare.sh <target>   (sets $build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ ! -d "$root/bench/node_modules/playwright-core" ]; then
    (cd "$root/bench" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-save --no-package-lock \
        --no-audit --no-fund playwright-core >/dev/null)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "$1"
