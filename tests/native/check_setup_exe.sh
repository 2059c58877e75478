#!/usr/bin/env bash
# The shipped setup.exe: a 32-bit GUI program for Intel 80386 that carries its
# application icon and needs no DLL beside the system's.
set -u
exe=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

[ -f "$exe" ] || { echo "FAIL: $exe does not exist"; exit 1; }

kind=$(file -b "$exe")
echo "file: $kind"
[[ "$kind" == "PE32 executable (GUI) Intel 80386"* ]] || fail "not a PE32 GUI executable for Intel 80386"

# Windows shows the icon group with the lowest id as the program's icon.
groups=$(wrestool -l --type=14 "$exe")
echo "icon groups: $groups"
first=$(printf '%s\n' "$groups" | head -n 1 | sed -n 's/.*--name=\([^ ]*\).*/\1/p')
[ "$first" = "1" ] || fail "the first icon group is '$first', not 1"
icon=$(wrestool -x --type=14 --name=1 "$exe" | file -b -)
echo "application icon: $icon"
[[ "$icon" == "MS Windows icon resource - 1 icon, 32x32, 16 colors"* ]] || fail "the application icon is not one 32 x 32 image with 16 colours"

# Linked statically: only DLLs that every Windows has.
system_dlls=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll mpr.dll msvcrt.dll ole32.dll shell32.dll user32.dll "
for dll in $(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }' | sort -u); do
    echo "imports: $dll"
    [[ "$system_dlls" == *" $dll "* ]] || fail "imports $dll, which does not come with Windows"
done

[ $failed = 0 ] && echo "setup.exe is as shipped"
exit $failed
