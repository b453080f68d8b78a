#!/usr/bin/env bash
# The benchmarks: pixel kernels and chains (native) beside OpenCV's on the same frames, the engine under Wine, and a whole-screen
# capture to a PNG file by Karvo's command line against scrot, maim and ImageMagick's import on
# the same virtual screen, with Wine's own start-up measured beside them. Writes
# bench/results/latest.md.
set -euo pipefail
cd "$(dirname "$0")/.."
KV_ROOT=$(pwd)
bash tools/deps.sh
if ! command -v hyperfine >/dev/null || ! command -v scrot >/dev/null || ! command -v maim >/dev/null ||
    ! dpkg -s libopencv-dev >/dev/null 2>&1; then
    # libopencv-dev: the imaging benchmark times OpenCV on the same frames (found by CMake when
    # present; the normal build and the tests never need it).
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends hyperfine scrot maim libopencv-dev >/dev/null
fi
jobs=$(nproc)
# Nothing a benchmark writes may stay in the checkout: what git did not know before the run and
# knows as untracked after it is removed, and the run fails.
untracked() { git -C "$KV_ROOT" ls-files --others --exclude-standard | sort; }
before_files=$(mktemp)
untracked > "$before_files"
check_checkout() {
    local stray
    stray=$(untracked | comm -13 "$before_files" - || true)
    rm -f "$before_files"
    if [ -n "$stray" ]; then
        echo "bench.sh: the run left files in the checkout (removed):" >&2
        echo "$stray" >&2
        echo "$stray" | while IFS= read -r f; do rm -f -- "$KV_ROOT/$f"; done
        exit 1
    fi
}
cmake --preset native >/dev/null && cmake --build build/native -j "$jobs"
cmake --preset win >/dev/null && cmake --build build/win -j "$jobs"
out="$KV_ROOT/bench/results/latest.md"
mkdir -p bench/results
{
    echo "# Benchmarks"
    echo
    echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs))."
    echo "Pixel steps: the median of 7 runs with the spread (fastest–slowest), on one thread and on all cores; chains and refreshes: the median of the runs and, apart, the first run (new buffers); the screen grab and the whole process: the best of the runs. Ratios are to a memcpy of the same frame in the same run."
    echo
    echo "## Pixel processors and chains (native build)"
} > "$out"
./build/native/bench/bench_imaging --out /tmp/kv-imaging.md >/dev/null
cat /tmp/kv-imaging.md >> "$out"
# The mark-up editor's repaint while a shape is dragged (lib/markup, one thread).
./build/native/bench/bench_markup --out /tmp/kv-markup.md >/dev/null
{ echo; echo "## Mark-up editor: one drag step (native build, one thread)"; echo
  echo "A shape moved by 5 px over a picture that already carries a dozen marks of every kind, then the"
  echo "area that changed composed again from the picture (what the editor's repaint draws before it"
  echo "copies that area to the window). The percentage is that area's share of the frame."
  cat /tmp/kv-markup.md; } >> "$out"

source tools/wine-env.sh
trap 'kv_wine_stop; check_checkout' EXIT
kv_wine_start
bin="$KV_ROOT/build/win/bin"
tmp=$(mktemp -d)
(cd "$bin" && "$KV_WINE" bench_capture.exe --out "$(winepath -w "$tmp/capture.md")" >/dev/null)
{ echo; echo "## Engine under Wine"; cat "$tmp/capture.md"; } >> "$out"
# The hot key as pressed, Karvo.exe driven by input (20 presses).
(cd "$bin" && "$KV_WINE" bench_hotkey.exe --presses 20 --out "$(winepath -w "$tmp/hotkey.md")" >/dev/null)
cat "$tmp/hotkey.md" >> "$out"

# Whole process: one full-screen capture to a PNG file. hyperfine -N splits its commands as a
# shell would, so the Windows path is single-quoted (unquoted, its backslashes were dropped and
# the file landed in the current folder); the commands also run from the scratch folder.
png="$(winepath -w "$tmp/karvo.png")"
cd "$tmp"
hyperfine -N --warmup 2 --runs 10 --export-markdown "$tmp/cli.md" \
    -n "wine start-up alone (cmd /c exit)" "$KV_WINE cmd /c exit" \
    -n "Karvo.exe /capture screen /out x.png" "$KV_WINE $bin/Karvo.exe /capture screen /quiet /out '$png'" \
    -n "scrot x.png" "scrot -o $tmp/scrot.png" \
    -n "maim x.png" "maim $tmp/maim.png" \
    -n "import -window root x.png" "import -window root $tmp/import.png" >/dev/null
{ echo; echo "## Screen to PNG file, whole process (hyperfine, 1280×800 Xvfb)"; echo; cat "$tmp/cli.md"; } >> "$out"
cd "$KV_ROOT"
test -s "$tmp/karvo.png" || { echo "bench.sh: Karvo wrote no $tmp/karvo.png" >&2; exit 1; }
rm -rf "$tmp"

# The monitors' capture types on the three simulated monitors (an Xvfb and a prefix of their own).
kv_wine_stop
tmp=$(mktemp -d)
kv_multimon_start
(cd "$bin" && "$KV_WINE" bench_monitors.exe --out "$(winepath -w "$tmp/monitors.md")" >/dev/null)
kv_multimon_stop
{ echo; echo "## Several monitors (three simulated monitors, a 3200×1800 virtual screen, under Wine)"; cat "$tmp/monitors.md"; } >> "$out"
rm -rf "$tmp"
cat "$out"
