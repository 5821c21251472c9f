#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed layout:
# the programs, the desktop entry (desktop-file-validate), the icon, the
# library's CMake package; then starts the installed script maker from a
# read-only program directory and saves a script, which must land in the
# user's data folder ($XDG_DATA_HOME/scriptmaker/dat).
#
#   installed_layout_test.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/scriptmaker share/applications/scriptmaker.desktop \
    share/icons/hicolor/32x32/apps/scriptmaker.png \
    lib/cmake/PageAutomation/PageAutomationConfig.cmake \
    include/pageautomation/page/web_page.h; do
    [ -e "$prefix/$file" ] || { echo "FAILED: $file is not installed" >&2; exit 1; }
done
if [ -e "$build/player/scriptplayer" ]; then
    [ -x "$prefix/bin/scriptplayer" ] || { echo "FAILED: bin/scriptplayer is not installed" >&2; exit 1; }
fi
[ ! -e "$prefix/bin/dat" ] || { echo "FAILED: an installed program must not carry dat" >&2; exit 1; }
desktop-file-validate "$prefix/share/applications/scriptmaker.desktop"

chmod -R a-w "$prefix/bin"
export XDG_DATA_HOME=$work/data
"$here/save_with_program.sh" "$prefix/bin/scriptmaker" "$XDG_DATA_HOME/scriptmaker/dat" installed
echo "installed layout ok"
