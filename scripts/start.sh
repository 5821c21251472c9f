#!/usr/bin/env bash
# Installs what is missing, builds, and starts the script maker.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" --target scriptmaker
build=${BUILD_DIR:-$root/build}
# The embedded engine refuses to start as root unless its sandbox is off.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
exec "$build/app/scriptmaker" "$@"
