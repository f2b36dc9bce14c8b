#!/bin/sh
# Checks the built feldmoor-cli.exe as Windows will load it: a console-subsystem
# program, so that a shell or a make waits for it, sees its output and its
# exit code, and one that needs Qt Core but neither Qt Gui nor Qt Widgets.
# Usage: pefacts.sh <objdump> <feldmoor-cli.exe>
set -eu
objdump="$1" exe="$2"
status=0
fail() { echo "FAIL: $*"; status=1; }

headers="$("$objdump" -p "$exe")"
echo "$headers" | grep -q "^Subsystem.*(Windows CUI)" || fail "not a console-subsystem program"
dlls="$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p')"
echo "$dlls" | grep -qx "Qt6Core.dll" || fail "does not import Qt6Core.dll"
if echo "$dlls" | grep -Eqx "Qt6(Gui|Widgets).dll"; then
    fail "imports $(echo "$dlls" | grep -Ex 'Qt6(Gui|Widgets).dll' | tr '\n' ' ')"
fi

[ "$status" = 0 ] && echo "PASS: console subsystem, Qt Core without Qt Gui or Qt Widgets"
exit "$status"
