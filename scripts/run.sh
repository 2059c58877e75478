#!/usr/bin/env bash
# Installs what is missing, builds, and runs the installer under Wine: on
# $DISPLAY when there is one, for you to click through; otherwise under Xvfb in
# a Wine virtual desktop, where the UI robot performs a whole installation of
# the demo payload, saves screenshots of what shows and prints what is installed.
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
shots=$PWD/build/screenshots
mkdir -p "$shots"
shoot() {
    import -window root -display "$DISPLAY" "$shots/$1.png"
    echo "Screenshot: $shots/$1.png"
}
caption="TOLVA Mail Server Setup"
log=$stage/progress.log
rm -f "$log" "$stage/recorder.out"

# A clean machine for the demo: no earlier installation of it.
"$WINE64" reg delete 'HKLM\Software\TOLVA' /f >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX/drive_c/Program Files/Tolva"

"$WINE64" "$setup_exe" </dev/null >/dev/null 2>&1 &
setup_pid=$!
echo "Welcome question: $(robot answer --caption "$caption" --button yes --process-name setup.exe --timeout-ms 60000)"
robot wait-window --caption "$caption" --class TMainForm --process-name setup.exe >/dev/null
sleep 2  # the background window posts its message, the windows paint
shoot 1-main-window

# Every progress text is recorded; the program holds still for a moment at
# the copy of the web files, for the screenshot of the progress window.
robot record --process-name setup.exe --class TMainForm --log "$(winepath -w "$log" 2>/dev/null)" \
    --pause-class TPanel --pause-prefix "Copying File 'C:\\Program Files\\Tolva\\html\\" --pause-ms 3000 \
    --timeout-ms 120000 >"$stage/recorder.out" 2>&1 &
recorder_pid=$!
until grep -q recording "$stage/recorder.out" 2>/dev/null; do sleep 0.2; done
robot click --caption "$caption" --class TMainForm --process-name setup.exe --button "&Install"
echo "Agreement question: $(robot answer --caption "$caption" --button yes --process-name setup.exe)"
for _ in $(seq 300); do grep -q '^pause' "$log" 2>/dev/null && break; sleep 0.1; done
sleep 0.3
shoot 2-progress-window
echo "Final message: $(robot wait-box --caption Information --process-name setup.exe --timeout-ms 120000)"
sleep 0.5
shoot 3-final-message
robot answer --caption Information --button ok --process-name setup.exe >/dev/null
wait "$setup_pid" && echo "setup.exe ended with exit code 0"
wait "$recorder_pid" || true

echo
echo "== Progress texts, as the progress window received them"
awk -F'\t' '$2 == "TPanel" { print "  " $3 }' "$log" | tr -d '\r' | sed 's/\\\\/\\/g'
echo
echo "== What is installed"
target="$WINEPREFIX/drive_c/Program Files/Tolva"
echo "C:\\Program Files\\Tolva: $(find "$target" -type f | wc -l) files"
ls "$target"
"$WINE64" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolva' 2>/dev/null | tr -d '\r'
"$WINE64" reg query 'HKLM\Software\TOLVA' 2>/dev/null | tr -d '\r'
programs=$("$WINE64" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' /v Programs \
    2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
echo "Start-menu group: $programs\\TOLVA Mail Server"
ls "$(winepath -u "$programs\\TOLVA Mail Server" 2>/dev/null)"
for service in TOLVASMTP TOLVAPOP3 TOLVAControl; do
    echo "$service: $("$WINE64" sc query "$service" 2>/dev/null | tr -d '\r' | sed -n 's/^ *STATE *: *//p')"
done
