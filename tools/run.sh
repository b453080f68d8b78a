#!/usr/bin/env bash
# Installs what is missing, builds both trees, and runs the program under Wine. With a display
# (DISPLAY set and reachable) Karvo runs on it until it is closed. Without one it runs on a
# private Xvfb screen: the program starts, its own command-line capture takes a screenshot of
# the screen (build/karvo-screenshot.png, its JSON line printed), and the program is closed again.
set -euo pipefail
cd "$(dirname "$0")/.."
KV_ROOT=$(pwd)
bash tools/deps.sh
jobs=$(nproc)
cmake --preset native >/dev/null
cmake --build build/native -j "$jobs"
cmake --preset win >/dev/null
cmake --build build/win -j "$jobs"

bin="$KV_ROOT/build/win/bin"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && [ -z "${KV_HEADLESS:-}" ]; then
    source tools/wine-env.sh
    kv_wine_prefix
    cd "$bin" && exec "$KV_WINE" Karvo.exe
fi

source tools/wine-env.sh
trap kv_wine_stop EXIT
kv_wine_start
cd "$bin"
"$KV_WINE" Karvo.exe &
for _ in $(seq 50); do
    sleep 0.2
    xwininfo -root -tree 2>/dev/null | grep -q 'Velmor' && break
done
# The pointer away from the window, so no tooltip stands in the picture.
xdotool mousemove 1279 400 >/dev/null 2>&1 || true
sleep 1.5
echo "Karvo is running on $DISPLAY; taking a screenshot with its own command line:"
"$KV_WINE" Karvo.exe /capture screen /quiet /out "$(winepath -w "$KV_ROOT/build/karvo-screenshot.png" 2>/dev/null)"
echo "screenshot: build/karvo-screenshot.png"
sleep "${KV_RUN_SECONDS:-3}"
