#!/usr/bin/env bash
# Builds the whole tree with AddressSanitizer and UndefinedBehaviorSanitizer
# into a build directory of its own and runs every test there, under Xvfb.
#
#   scripts/sanitize.sh                 # build, then run the whole suite
#   scripts/sanitize.sh -R automation/  # extra arguments go to ctest
#   SANITIZE_CXX=clang++ scripts/sanitize.sh   # clang instead of g++
#   SANITIZE_BUILD_DIR=/tmp/asan scripts/sanitize.sh
#   scripts/sanitize.sh --build-only    # build, run nothing
#   XVFB_DISPLAY=93 scripts/sanitize.sh # a fixed X display instead of a free one
#
# Any memory error, undefined behaviour or leak fails the test it happens in.
# The only leaks forgiven are those inside Qt WebEngine, D-Bus, fontconfig and
# udev (scripts/sanitize.supp says why for each).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SANITIZE_BUILD_DIR:-$root/build-sanitize}
cxx=${SANITIZE_CXX:-g++}

"$root/scripts/install-deps.sh"

# Warnings are not errors here: the sanitizers' instrumentation makes g++
# report uninitialised values inside std::variant that are not there (the
# normal build keeps -Werror).
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
cmake -S "$root" -B "$build" \
    -DCMAKE_BUILD_TYPE=Sanitize \
    -DSCRIPTMAKER_WERROR=OFF \
    -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS_SANITIZE="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS_SANITIZE="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS_SANITIZE="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
if [ "${1:-}" = "--build-only" ]; then exit 0; fi

# Errors stop the process with a report (the test then fails); leaks are
# checked at exit. Child processes (the browsers) are not instrumented.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=0:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitize.supp:print_suppressions=0"
export QTWEBENGINE_DISABLE_SANDBOX=1
display=(-a)
[ -n "${XVFB_DISPLAY:-}" ] && display=(-n "$XVFB_DISPLAY")
exec xvfb-run "${display[@]}" -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$root/scripts/with-window-manager.sh" \
    ctest --test-dir "$build" --output-on-failure --timeout 1200 "$@"
