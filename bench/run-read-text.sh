#!/usr/bin/env bash
# Builds and runs the readText round-trip benchmark beside Playwright.
# Usage: bench/run-read-text.sh [rounds]
set -euo pipefail
source "$(dirname "$0")/prepare.sh" read_text_bench
exec "$build/bench/read_text_bench" "$@"
