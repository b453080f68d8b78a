#!/usr/bin/env bash
# The multi-monitor end-to-end tests (MultiMonitor.*) on three simulated monitors, on an Xvfb and
# in a Wine prefix of their own (tools/wine-env.sh: kv_multimon_start): once at 96 DPI, then the
# DPI-bound cases again at 144. Run by ctest from the Windows build (KV_WIN_BUILD), or by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
KV_ROOT=$(pwd)
export KV_WIN_BUILD=${KV_WIN_BUILD:-$KV_ROOT/build/win}
source tools/wine-env.sh
# The tests read the Chinese interface, as in the main test run (its locale built once).
kv_locales
KV_XVFB_PID=
trap kv_multimon_stop EXIT
status=0
# KV_MULTIMON_FILTER (a gtest filter) runs only those, at 96 DPI.
for dpi in 96 144; do
    filter=${KV_MULTIMON_FILTER:-MultiMonitor.*}
    if [ "$dpi" = 144 ]; then
        [ -n "${KV_MULTIMON_FILTER:-}" ] && break
        filter='MultiMonitor.CommandLine*:MultiMonitor.AllMonitors*'
    fi
    export KV_MULTIMON_DPI=$dpi KV_EXPECT_DPI=$dpi
    kv_multimon_start
    # Through the test runner, so a Wine process that outlives the tests cannot hold our output.
    (cd "$KV_WIN_BUILD/bin" && sh "$KV_ROOT/tools/wine-run.sh" e2e_tests.exe --gtest_filter="$filter" "$@") || status=1
    kv_multimon_stop
done
exit $status
