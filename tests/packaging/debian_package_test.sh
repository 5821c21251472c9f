#!/usr/bin/env bash
# Builds the Debian package with CPack and checks what it declares and holds.
# As root (CI), it also installs the package, runs the installed programs'
# help, and removes the package again.
#
#   debian_package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
installed=
cleanup() {
    [ -n "$installed" ] && dpkg -r scriptmaker >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack did not make the package"; }
deb=$(ls "$work"/*.deb)
info=$(dpkg-deb --info "$deb")
contents=$(dpkg-deb --contents "$deb")
echo "$info"

grep -q '^ Package: scriptmaker$' <<<"$info" || fail "package name"
grep -Eq '^ Depends: .*libqt6webenginecore6' <<<"$info" || fail "Depends lacks the Qt WebEngine runtime"
grep -Eq '^ Depends: .*libqt6websockets6' <<<"$info" || fail "Depends lacks Qt WebSockets"
grep -Eq '^ Recommends: .*chromium' <<<"$info" || fail "Recommends lacks chromium"
for path in ./usr/bin/scriptmaker ./usr/share/applications/scriptmaker.desktop \
    ./usr/share/icons/hicolor/32x32/apps/scriptmaker.png \
    ./usr/include/pageautomation/page/web_page.h \
    ./usr/lib/cmake/PageAutomation/PageAutomationConfig.cmake; do
    grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done
has_player=
if [ -e "$build/player/scriptplayer" ]; then
    has_player=1
    grep -q ' ./usr/bin/scriptplayer$' <<<"$contents" || fail "the package lacks the player"
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "not root: the package was checked but not installed"
    exit 0
fi
if dpkg-query -W -f='${Status}' scriptmaker 2>/dev/null | grep -q 'ok installed'; then
    echo "a scriptmaker package is installed already: left alone, not installed over"
    exit 0
fi
installed=1
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i"; }
[ -x /usr/bin/scriptmaker ] || fail "/usr/bin/scriptmaker after dpkg -i"
if [ -n "$has_player" ]; then
    /usr/bin/scriptplayer --help | grep -qi 'usage' || fail "scriptplayer --help"
fi
echo "package ok: $(basename "$deb")"
