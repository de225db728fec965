#!/usr/bin/env bash
# Installs what Vantorel needs, builds it and starts the desktop program on the pictures given, or
# on a sample photograph-like picture it makes when none is given.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)"

pictures=("$@")
if [ ${#pictures[@]} -eq 0 ]; then
  sample_dir=build/sample
  mkdir -p "$sample_dir"
  # A 1280 x 960 colour gradient with a bright disc and fine stripes, saved as a JPEG at quality 95.
  awk 'BEGIN {
    w = 1280; h = 960; print "P3"; print w, h; print 255;
    for (y = 0; y < h; y++) for (x = 0; x < w; x++) {
      d = (x - 840) * (x - 840) + (y - 400) * (y - 400);
      r = int(255 * x / w); g = int(255 * y / h); b = (d < 25600) ? 240 : int(128 + 100 * sin(x / 23.0) * cos(y / 17.0));
      print r, g, b;
    } }' > "$sample_dir/sample.ppm"
  cjpeg -quality 95 -outfile "$sample_dir/sample.jpg" "$sample_dir/sample.ppm"
  pictures=("$sample_dir/sample.jpg")
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: the desktop program needs a graphical session (DISPLAY or WAYLAND_DISPLAY is not set)." >&2
  echo "run: compressing ${pictures[*]} with the headless front end instead:" >&2
  mkdir -p build/sample/out
  exec build/dev/batch/vantorel-cli --set LumCompressionLevel=40 -o build/sample/out "${pictures[@]}"
fi
exec build/dev/app/vantorel "${pictures[@]}"
