#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for SECONDS (default 60), two at
# a time. Seeds come from ../shared/corpus (when present), from small files made here with cjpeg
# and gm, and from make_fuzz_seeds. Any crash, leak, timeout or memory blow-up fails the run; the
# input that caused it is kept in build/fuzz/runs/. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
corpus=../shared/corpus
build=build/fuzz
work="$build/runs"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target fuzz_jpeg_decode fuzz_profile_text fuzz_exif \
  fuzz_picture_loader fuzz_web_answers make_fuzz_seeds

rm -rf "$work"
mkdir -p "$work/seeds" "$work/tmp"
seeds="$work/seeds"
mkdir -p "$seeds/jpeg" "$seeds/exif"
"$build/fuzz/make_fuzz_seeds" "$seeds"

# Small pictures of every kind this machine's tools can write.
base="$work/tmp/base.ppm"
gm convert -size 48x32 gradient:red-blue "$base"
n=0
for options in "" "-progressive" "-grayscale" "-restart 1" "-sample 1x1" "-sample 2x1" "-arithmetic" \
               "-quality 5" "-optimize -progressive -quality 95"; do
  n=$((n + 1))
  cjpeg $options -outfile "$seeds/jpeg/made$n.jpg" "$base"
done
if [ -d "$corpus" ]; then
  find "$corpus" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -size -150k -exec cp {} "$seeds/jpeg/" \;
  find "$corpus/exif" -type f -iname '*.jpg' -size -300k -exec cp {} "$seeds/exif/" \; 2>/dev/null || true
fi
cp "$seeds/jpeg/"made*.jpg "$seeds/exif/"

extensions=(bmp png tif gif pcx psd pcd ppm sgi tga cut rla cel webp heic avif)
for ext in "${extensions[@]}"; do
  mkdir -p "$seeds/$ext"
  gm convert "$base" "$seeds/$ext/made.$ext" 2>/dev/null || true
  [ -d "$corpus" ] && find "$corpus" -type f -iname "*.$ext" -size -300k -exec cp {} "$seeds/$ext/" \; 2>/dev/null
  [ -d "$corpus" ] && [ "$ext" = tif ] && find "$corpus" -type f -iname "*.tiff" -size -300k -exec cp {} "$seeds/tif/" \;
done

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export TMPDIR="$work/tmp"

# name binary seed-folder [dictionary] [extension]
runs=(
  "jpeg_decode fuzz_jpeg_decode jpeg fuzz/jpeg.dict"
  "exif fuzz_exif exif fuzz/jpeg.dict"
  "profile_text fuzz_profile_text profile fuzz/profile.dict"
  "web_answers fuzz_web_answers web"
)
for ext in "${extensions[@]}"; do runs+=("picture_$ext fuzz_picture_loader $ext - $ext"); done

run_one() {
  local name=$1 binary=$2 seed=$3 dict=${4:--} ext=${5:-}
  local out="$work/$name"
  mkdir -p "$out/corpus"
  local args=(-max_total_time="$seconds" -rss_limit_mb=2560 -timeout=25 -max_len=200000 -print_final_stats=1
              -artifact_prefix="$out/")
  [ "$dict" != "-" ] && args+=(-dict="$dict")
  if VANTOREL_FUZZ_EXT="$ext" "$build/fuzz/$binary" "${args[@]}" "$out/corpus" "$seeds/$seed" > "$out/log" 2>&1; then
    echo "fuzz $name: ok, $(grep -o 'stat::number_of_executed_units: [0-9]*' "$out/log" | awk '{print $2}') runs in ${seconds} s"
  else
    echo "fuzz $name: FAILED (log and input in $out)"
    tail -40 "$out/log"
    return 1
  fi
}

failed=0
pids=()
for entry in "${runs[@]}"; do
  # shellcheck disable=SC2086
  run_one $entry &
  pids+=($!)
  if [ ${#pids[@]} -ge "$(nproc)" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
[ "$failed" -eq 0 ] && echo "fuzz: every target ran ${seconds} s without a finding"
exit "$failed"
