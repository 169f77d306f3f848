#!/usr/bin/env bash
# Makes a private Wine prefix once: tools/wine-prefix.sh PREFIX [null|x11]
#   null  windows without a display (the unit tests: no window is ever seen)
#   x11   windows on $DISPLAY (the end-to-end test under Xvfb), with the
#         captions and frames that Wine draws itself: Xvfb has no window
#         manager to draw them
# Besides C:, the prefix has the drives A: and D:, the folders drive_a and
# drive_d inside it, for the tests of the working folder at start-up.
# Safe to call from tests that start together: the first one makes the
# prefix under a lock, the others wait for it and then find it made.
set -euo pipefail
prefix=$1
driver=${2:-null}
export WINEPREFIX=$prefix WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.lanvo-ready" ] && exit 0
rm -rf "$prefix"
wineboot -i >/dev/null 2>&1
mkdir -p "$prefix/drive_a" "$prefix/drive_d"
ln -sfn ../drive_a "$prefix/dosdevices/a:"
ln -sfn ../drive_d "$prefix/dosdevices/d:"
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f >/dev/null 2>&1
if [ "$driver" = x11 ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
fi
# The registry reaches the disk when the server ends.
wineserver -w
touch "$prefix/.lanvo-ready"
