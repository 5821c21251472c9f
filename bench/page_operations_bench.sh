#!/usr/bin/env bash
# Builds and runs the page operations benchmark beside Playwright.
# Usage: bench/page_operations_bench.sh [repetitions]
set -euo pipefail
source "$(dirname "$0")/prepare.sh" page_operations_bench
exec "$build/bench/page_operations_bench" "$@"
