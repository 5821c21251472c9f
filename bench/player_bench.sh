#!/usr/bin/env bash
# Builds the script player and runs its whole-process benchmark beside
# Playwright (bench/player_bench.py).
# Usage: bench/player_bench.sh [runs]
set -euo pipefail
source "$(dirname "$0")/prepare.sh" scriptplayer
exec python3 "$root/bench/player_bench.py" "$build/player/scriptplayer" "$@"
