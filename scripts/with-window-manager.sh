#!/usr/bin/env bash
# Runs a command on the current X display with a window manager beside it, so
# that maximising, minimising and window frames behave as on a desktop.
set -uo pipefail
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
"$@"
status=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit $status
