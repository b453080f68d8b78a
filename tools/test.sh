#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: native under ASan/UBSan,
# then the Windows tests under Wine on a private Xvfb display. Exits non-zero on any failure.
# With --under-load, two CPU-bound processes run beside the whole of it, as on a busy machine.
set -euo pipefail
cd "$(dirname "$0")/.."
KV_ROOT=$(pwd)
load_pids=()
small=""
kv_cleanup() {
    [ ${#load_pids[@]} -gt 0 ] && kill "${load_pids[@]}" 2>/dev/null
    [ -n "$small" ] && umount "$small" 2>/dev/null
    if declare -F kv_wine_stop >/dev/null; then kv_wine_stop; fi
    return 0
}
trap kv_cleanup EXIT
case "${1:-}" in
    --under-load)
        for _ in 1 2; do
            (while :; do :; done) &
            load_pids+=($!)
        done
        echo "== two CPU-bound processes beside the run: ${load_pids[*]}" ;;
    "") ;;
    *) echo "usage: $0 [--under-load]" >&2; exit 2 ;;
esac
bash tools/deps.sh
jobs=$(nproc)

echo "== native (ASan + UBSan)"
cmake --preset native-asan >/dev/null
cmake --build build/native-asan -j "$jobs"
ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 ctest --test-dir build/native-asan --output-on-failure

echo "== fuzz pass over the settings corpus (about a minute)"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j "$jobs"
fuzzwork=$(mktemp -d)
cp tests/fuzz/corpus/* "$fuzzwork/"
(cd "$fuzzwork" && "$KV_ROOT/build/fuzz/tests/fuzz/settings_fuzz" -max_total_time="${KV_FUZZ_SECONDS:-60}" -max_len=16384 \
    -timeout=10 -rss_limit_mb=4096 -dict="$KV_ROOT/tests/fuzz/xml.dict" -print_final_stats=1 . 2>&1 | tail -4)
rm -rf "$fuzzwork"

echo "== windows build"
cmake --preset win >/dev/null
cmake --build build/win -j "$jobs"

echo "== packages (portable ZIP and installer)"
cmake --build build/win --target packages
rm -rf build/win/portable-test
mkdir -p build/win/portable-test
kv_version=$(sed -n 's/^project(Karvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
unzip -q "build/win/Karvo-$kv_version-win64.zip" -d build/win/portable-test

echo "== windows tests under Wine"
source tools/wine-env.sh
kv_wine_start
kv_wine_dpi_prefix
kv_wine_pkg_prefix
# A small disk for the full-disk tests (root only; they skip without it).
disk="$KV_ROOT/build/win/smalldisk"
mkdir -p "$disk"
if mountpoint -q "$disk" || mount -t tmpfs -o size=96k tmpfs "$disk" 2>/dev/null; then
    export KV_SMALL_DISK="Z:$(echo "$disk" | tr / '\\')"
    small="$disk"
fi
ctest --test-dir build/win --output-on-failure --timeout 600 ${KV_CTEST_ARGS:-}
