#!/usr/bin/env bash
# Starts a script maker program as a user would, types an address into the
# script box, saves it under a name through the real dialog, and checks that
# the file arrived where it should, with exactly the typed bytes.
#
#   save_with_program.sh PROGRAM EXPECTED_DAT_DIR [NAME]
#
# Needs an X display with a window manager (the test runner provides both)
# and xdotool. Every wait is for a window or a file, bounded by a deadline.
set -euo pipefail
program=$1
expected_dir=$2
name=${3:-saved-by-test}
text="http://127.0.0.1/saved-by-test"
target="$expected_dir/$name.ini"
rm -f "$target"

export QTWEBENGINE_DISABLE_SANDBOX=1
log=$(mktemp)
"$program" >"$log" 2>&1 &
pid=$!
cleanup() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -f "$log"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    echo "--- program output ---" >&2
    cat "$log" >&2
    exit 1
}

# Waits until "$@" succeeds, at most 30 s.
wait_for() {
    local deadline=$((SECONDS + 30))
    until "$@" >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || fail "the program exited while waiting for: $*"
        [ $SECONDS -lt $deadline ] || fail "timed out waiting for: $*"
        sleep 0.1
    done
}
# A search fails with BadWindow when some window of the program goes away
# while it runs (the engine makes and drops windows at start): that is
# "not found yet", never the end of the test.
window_named() { xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -1 || true; }
has_window() { [ -n "$(window_named "$1")" ]; }
# Waits for a window named $1 and prints its id.
find_window() {
    local id=
    wait_for has_window "$1"
    until [ -n "$id" ]; do
        id=$(window_named "$1")
        kill -0 "$pid" 2>/dev/null || fail "the program exited while looking for $1"
    done
    echo "$id"
}

# Raises and focuses a window: through the window manager when it offers
# that, else by giving the window the input focus directly.
activate() {
    xdotool windowactivate --sync "$1" 2>/dev/null ||
        timeout 10 xdotool windowfocus --sync "$1" ||
        fail "cannot focus window $1"
}

main=$(find_window "脚本制作")
activate "$main"
# The script box has the focus at start; click it anyway (form position).
xdotool mousemove --window "$main" 300 60 click 1
xdotool type --delay 5 "$text"
# "保存" at (624, 229, 56, 24) in the window's client area.
xdotool mousemove --window "$main" 652 241 click 1

dialog=$(find_window "请输入：")
activate "$dialog"
xdotool type --delay 5 "$name"
xdotool key Return

wait_for test -f "$target"
box=$(find_window "信息：")
actual=$(cat "$target")
[ "$actual" = "$text" ] || fail "the file holds '$actual', expected '$text'"
activate "$box"
xdotool key Return
echo "saved $target"
