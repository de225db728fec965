#!/usr/bin/env bash
# Builds and runs the whole test suite. Usage: scripts/test.sh [preset...] (default: dev asan)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev asan)
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DVANTOREL_WERROR=ON)

for preset in "${presets[@]}"; do
  echo "== $preset"
  cmake --preset "$preset" "${extra[@]}" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
  ctest --preset "$preset" -j "$(nproc)"
done
