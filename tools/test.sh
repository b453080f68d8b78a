#!/usr/bin/env bash
# Installs what is missing, builds both trees and runs every test: native under ASan/UBSan,
# then the Windows tests under Wine on a private Xvfb display. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
KV_ROOT=$(pwd)
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
trap kv_wine_stop EXIT
kv_wine_start
kv_wine_dpi_prefix
kv_wine_pkg_prefix
# A small disk for the full-disk tests (root only; they skip without it).
small="$KV_ROOT/build/win/smalldisk"
mkdir -p "$small"
if mountpoint -q "$small" || mount -t tmpfs -o size=96k tmpfs "$small" 2>/dev/null; then
    export KV_SMALL_DISK="Z:$(echo "$small" | tr / '\\')"
    trap 'umount "$small" 2>/dev/null; kv_wine_stop' EXIT
fi
ctest --test-dir build/win --output-on-failure --timeout 600 ${KV_CTEST_ARGS:-}
