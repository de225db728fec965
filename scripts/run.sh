#!/usr/bin/env bash
# Installs what Vantorel needs, builds it and runs vantorel-cli on a sample picture it makes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)"

sample_dir=build/sample
mkdir -p "$sample_dir/out"
# A 640 x 480 colour gradient with a bright disc, as a plain PPM picture.
awk 'BEGIN {
  w = 640; h = 480; print "P3"; print w, h; print 255;
  for (y = 0; y < h; y++) for (x = 0; x < w; x++) {
    d = (x - 420) * (x - 420) + (y - 200) * (y - 200);
    r = int(255 * x / w); g = int(255 * y / h); b = (d < 6400) ? 240 : int(128 + 100 * sin(x / 23.0));
    print r, g, b;
  } }' > "$sample_dir/sample.ppm"
build/dev/batch/vantorel-cli --set LumCompressionLevel=40 -o "$sample_dir/out" "$sample_dir/sample.ppm"
