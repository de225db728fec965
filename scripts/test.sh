#!/usr/bin/env bash
# Builds and runs the whole test suite. Usage: scripts/test.sh [preset...] (default: dev asan, then
# every fuzz target for VANTOREL_FUZZ_SECONDS seconds, default 60; 0 skips the fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

presets=("$@")
fuzz=0
if [ ${#presets[@]} -eq 0 ]; then
  presets=(dev asan)
  fuzz="${VANTOREL_FUZZ_SECONDS:-60}"
fi
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DVANTOREL_WERROR=ON)

for preset in "${presets[@]}"; do
  echo "== $preset"
  cmake --preset "$preset" "${extra[@]}" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
  ctest --preset "$preset" -j "$(nproc)"
done

if [ "$fuzz" -gt 0 ]; then
  echo "== fuzz ($fuzz s per target)"
  scripts/fuzz.sh "$fuzz"
fi
