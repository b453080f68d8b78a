#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs the benchmarks (the program itself
# arrives with the application shell).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
jobs=$(nproc)
cmake --preset native >/dev/null
cmake --build build/native -j "$jobs"
cmake --preset win >/dev/null
cmake --build build/win -j "$jobs"
./build/native/bench/bench_imaging "$@"
