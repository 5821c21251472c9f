#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ (libFuzzer, clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) into a build directory of their own and runs
# each for a given time, all side by side.
#
#   scripts/fuzz.sh                      # every target for 60 s
#   scripts/fuzz.sh 600                  # every target for 10 minutes
#   scripts/fuzz.sh 120 protocol_fuzz    # some targets only
#   FUZZ_BUILD_DIR=/tmp/fuzz scripts/fuzz.sh
#
# The corpus grows in <build>/corpus/<target> (seeded from fuzz/corpus), logs
# go to <build>/logs, and an input that crashes a target is kept as
# <build>/artifacts/<target>-crash-<hash>; run the target on that file to see
# the failure again. The summary gives each target's executions and findings;
# the script fails when any target found something.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] &&
    targets=(text_rules_fuzz code_page_fuzz protocol_fuzz pipe_transport_fuzz)

"$root/scripts/install-deps.sh"
# libFuzzer's runtime comes with clang's sanitizer runtimes.
missing=()
for p in clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
        missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
        --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"

mkdir -p "$build/logs" "$build/artifacts"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
pids=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    [ -d "$root/fuzz/corpus/$target" ] && cp -n "$root/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null
    "$build/$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=60 \
        -rss_limit_mb=4096 -artifact_prefix="$build/artifacts/$target-" "$corpus" \
        >"$build/logs/$target.log" 2>&1 &
    pids+=($!)
done
failed=0
for i in "${!targets[@]}"; do
    wait "${pids[$i]}" || failed=1
done

printf '%-22s %14s %10s %s\n' target executions corpus findings
for target in "${targets[@]}"; do
    log="$build/logs/$target.log"
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    corpus=$(find "$build/corpus/$target" -type f | wc -l)
    findings=$(find "$build/artifacts" -name "$target-*" -type f | wc -l)
    printf '%-22s %14s %10s %s\n' "$target" "${runs:-?}" "$corpus" "$findings"
done
exit $failed
