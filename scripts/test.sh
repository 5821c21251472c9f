#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test inside a private X
# server (Xvfb with a window manager), as CI does.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
export QTWEBENGINE_DISABLE_SANDBOX=1
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$root/scripts/with-window-manager.sh" \
    ctest --test-dir "$build" --output-on-failure --timeout 600 "$@"
