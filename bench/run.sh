#!/usr/bin/env bash
# Builds the benchmarks (Release, build/bench), runs them single-threaded and
# writes bench/RESULTS.md. Extra arguments go to vtx_bench, for instance
#   bench/run.sh --benchmark_filter='op/.*1920x1080'
# Environment: REPS (repetitions, default 3), MIN_TIME (seconds per
# repetition, default 0.2), LEVELS (default: plain and the best level),
# EXTRA_LEVELS (levels run in a second pass over our benchmarks only;
# default "sse2,avx2": what processors without the best level's
# instructions get; set it empty to skip the pass),
# NO_BUILD=1 to skip the build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench"
reps="${REPS:-3}"
min_time="${MIN_TIME:-0.2}"
: "${EXTRA_LEVELS=sse2,avx2}"

# What the binary is built from: the commit, and whether the library sources
# had uncommitted changes.
commit="$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
if [[ -n "$(git -C "$root" status --porcelain -- primitives session adjust 2>/dev/null)" ]]; then
  commit="$commit (with uncommitted changes in primitives/, session/ or adjust/)"
fi

if [[ "${NO_BUILD:-0}" != 1 ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTX_BUILD_BENCH=ON \
    -DVTX_BUILD_TESTS=OFF -DVTX_BUILD_TOOLS=OFF >/dev/null
  cmake --build "$build" -j2 --target vtx_bench
fi

json="$build/results.json"
args=(--benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true
      --benchmark_min_time="$min_time" --benchmark_out="$json" --benchmark_out_format=json)
[[ -n "${LEVELS:-}" ]] && args+=(--levels="$LEVELS")
"$build/bench/vtx_bench" "${args[@]}" "$@"
jsons=("$json")
if [[ -n "${EXTRA_LEVELS:-}" ]]; then
  extra="$build/results-extra.json"
  "$build/bench/vtx_bench" --levels="$EXTRA_LEVELS" --benchmark_filter='^(prim|op|frame)/' \
    --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    --benchmark_min_time="$min_time" --benchmark_out="$extra" --benchmark_out_format=json
  jsons+=("$extra")
fi

machine="$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1), $(nproc) cores, $(free -g | awk '/^Mem:/{print $2}') GiB"
compiler="$(g++ --version | head -1)"
invocation=""
for var in REPS MIN_TIME LEVELS EXTRA_LEVELS; do
  [[ -n "${!var:-}" ]] && invocation+="$var=${!var} "
done
invocation+="bench/run.sh $*"
notes=()
[[ -f "$root/bench/analysis.md" ]] && notes=(--notes "$root/bench/analysis.md")
python3 "$root/bench/results_to_md.py" "${jsons[@]}" --machine "$machine" --commit "$commit" \
  --compiler "$compiler" --command "$invocation" "${notes[@]}" >"$root/bench/RESULTS.md"
echo "wrote $root/bench/RESULTS.md"
