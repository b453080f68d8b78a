#!/bin/sh
# Runs a Windows test program under Wine for CTest. Wine starts its server, the desktop and its
# services on demand, as children of the first program that needs them, and they inherit that
# program's output; when one of them outlives the test, CTest waits for the end of that output
# until its timeout although the test itself has ended. The output goes to a file of its own
# instead, which CTest is given when the program has ended; its exit code is the program's.
out=$(mktemp) || exit 125
/usr/lib/wine/wine64 "$@" >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
