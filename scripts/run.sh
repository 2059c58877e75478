#!/usr/bin/env bash
# Installs what is missing, builds, and runs the installer under Wine: on
# $DISPLAY when there is one, otherwise under Xvfb in a Wine virtual desktop,
# where it answers the welcome question and saves a screenshot of what shows.
#   scripts/run.sh               build and run
#   scripts/run.sh --build-only  build only
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh
[ "${1:-}" = "--build-only" ] && exit 0

. scripts/wine-session.sh
trap wine_session_stop EXIT
headless=""
[ -z "${DISPLAY:-}" ] && headless=1
if [ -n "$headless" ]; then
    wine_session_start "$PWD/build/wine-run" 1024x768
else
    wine_session_start "$PWD/build/wine-run"
fi

# The shipped setup.exe is a 32-bit program, which cannot start on this
# machine; the x86_64 build of the same sources runs in its place.
stage=$PWD/build/run
mkdir -p "$stage"
cp dist/x64/setup.exe dist/x64/Setup.Dat "$stage/"
setup_exe=$(winepath -w "$stage/setup.exe" 2>/dev/null)

if [ -z "$headless" ]; then
    "$WINE64" "$setup_exe"
    exit 0
fi

robot() { "$WINE64" "$PWD/dist/x64/uirobot.exe" "$@"; }
"$WINE64" "$setup_exe" </dev/null >/dev/null 2>&1 &
robot answer --caption "TOLVA Mail Server Setup" --button yes --process-name setup.exe --timeout-ms 60000
robot wait-window --caption "TOLVA Mail Server Setup" --class TMainForm --process-name setup.exe >/dev/null
sleep 2  # the background window posts its message, the windows paint
mkdir -p build/screenshots
shot=$PWD/build/screenshots/setup.png
import -window root -display "$DISPLAY" "$shot"
echo "Screenshot of the running installer: $shot"
