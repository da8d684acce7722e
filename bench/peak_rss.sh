#!/usr/bin/env bash
# Peak resident size of vtx for one call per member at its most demanding
# arguments on a 1920x1080 test card, beside the same run with a call that
# allocates nothing (UseMask=0). Prints a Markdown table; the extra memory
# of a call is its peak minus the baseline (one frame is 8,294,400 bytes).
#   bench/peak_rss.sh [path/to/vtx] [extra calls...]
set -euo pipefail
VTX=${1:-build/native/tools/vtx/vtx}
shift || true
CALLS=(
  'EffectBlur(1, 100)' 'EffectSharpen(1, 100)' 'EffectGaussianBlur(1, 255)'
  'EffectMotionBlur(1, 30, 255)' 'EffectEmboss(1, 45, 1e9, 1000)'
  'EffectMinimal(1, 255)' 'EffectMaximal(1, 255)'
  'EffectMedian(0.5, 0)' 'EffectMedian(0.5, 255)' 'EffectMedian(0.5, 514)' 'EffectMedian(0.5, 515)'
  'FilterPrewitt(0.5, 0)' 'FilterScharr(0.5, 0)' 'FilterSobel(0.5, 9)' 'FilterLaplace(0.5, 1)'
  'FilterHipass(0.5, 1)' 'FilterLowpass(0.5, 1)' 'FilterBlur(0.5, 255)' 'FilterBlur(0.5, 514)' 'FilterBlur(0.5, 515)'
  'FilterCanny(0.5, 0, 0)' 'FilterCanny(1, 0, 0)'
  "$@"
)
peak() { /usr/bin/time -f %M "$VTX" --size 1920x1080 --quiet "$1" 2>&1 >/dev/null | tail -1; }
base=$(peak 'UseMask=0')
echo "| call | result | peak RSS (KiB) | extra over baseline (MiB) | frames (8.3 MB) |"
echo "|---|---|---:|---:|---:|"
echo "| UseMask=0 (baseline) | 0 | $base | 0 | 0 |"
for c in "${CALLS[@]}"; do
  out=$({ /usr/bin/time -f %M "$VTX" --size 1920x1080 "$c"; } 2>&1 || true)
  kb=$(echo "$out" | tail -1)
  res=$(echo "$out" | grep -o -- '-> [0-9]*' | head -1 | cut -c4-)
  awk -v c="$c" -v r="$res" -v kb="$kb" -v b="$base" \
    'BEGIN { d = (kb - b) * 1024; printf "| `%s` | %s | %d | %.1f | %.2f |\n", c, r, kb, d / 1048576, d / 8294400 }'
done
