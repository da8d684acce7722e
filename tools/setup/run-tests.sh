#!/usr/bin/env bash
# Builds and tests every configuration, one stage after another:
#   native    g++ build + ctest
#   sanitize  clang++ ASan+UBSan build + ctest
#   win64     mingw-w64 build + ctest under Wine in a fresh prefix
#   win32     mingw-w64 build; ctest under wine32 when it is installed and
#             this kernel runs 32-bit programs
#   i686      32-bit Linux build (g++ -m32) of the primitives and their
#             tests, run under qemu-i386: the 32-bit kernels of every level
#             against the plain ones on any host
# Every stage runs even when an earlier one failed; the exit code is non-zero
# when any stage failed. Usage: tools/setup/run-tests.sh [STAGE...]
set -uo pipefail

cd "$(dirname "$0")/../.."
stages=("$@")
[ "${#stages[@]}" -gt 0 ] || stages=(native sanitize win64 win32 i686)

export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
# ctest must never wait for input.
exec </dev/null

declare -a summary=()
failed=0

banner() {
  printf '\n==============================================================================\n'
  printf '== %s\n' "$*"
  printf '==============================================================================\n'
}

configure_and_build() {
  local preset="$1"
  cmake --preset "$preset" && cmake --build --preset "$preset"
}

# The Wine loader a cross build runs its programs with (see
# cmake/mingw-common.cmake).
wine_loader() {
  sed -n 's/^VTX_WINE:[A-Z]*=//p' "build/$1/CMakeCache.txt" 2>/dev/null
}

# Runs ctest for a preset under Wine. Every Wine prefix of the run (ctest's
# own and those the tests make with mktemp) lies in one temporary folder; each
# test has a time limit, ctest as a whole too, and afterwards every prefix's
# processes are ended, so that nothing can keep the run waiting or outlive it.
ctest_under_wine() {
  local preset="$1" rc dir prefix
  dir="$(mktemp -d /tmp/vtx-wine-XXXXXX)"
  (
    export TMPDIR="$dir" WINEPREFIX="$dir/ctest-prefix" WINEDEBUG=-all
    timeout -k 5 300 "$(wine_loader "$preset")" wineboot </dev/null >"$dir/wineboot.log" 2>&1
    timeout -k 10 "${VTX_WINE_CTEST_LIMIT:-3600}" ctest --preset "$preset" --timeout 1200
  )
  rc=$?
  for prefix in $(find "$dir" -maxdepth 3 -type d -name drive_c); do
    WINEPREFIX="${prefix%/drive_c}" timeout 30 wineserver -k >/dev/null 2>&1
  done
  rm -rf "$dir"
  return $rc
}

# Whether the win32 tests can run: wine32 installed, and its loader starts (a
# kernel without 32-bit program support refuses it).
wine32_status() {
  local loader
  loader="$(wine_loader win32)"
  if [ "$(dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null)" = installed ]; then
    if "${loader:-/usr/lib/wine/wine}" --version >/dev/null 2>&1; then
      echo installed
    else
      echo "installed, but its loader ${loader:-/usr/lib/wine/wine} does not start: this kernel cannot run 32-bit programs"
    fi
  elif [ -s build/wine32-status ] && [ "$(cat build/wine32-status)" != installed ]; then
    cat build/wine32-status
  else
    echo "not installed (run tools/setup/install-deps.sh test to try)"
  fi
}

run_stage() {
  local stage="$1"
  case "$stage" in
    native|sanitize|i686)
      configure_and_build "$stage" && ctest --preset "$stage" ;;
    win64)
      configure_and_build win64 && ctest_under_wine win64 ;;
    win32)
      configure_and_build win32 || return 1
      local status
      status="$(wine32_status)"
      if [ "$status" = installed ]; then
        ctest_under_wine win32
      else
        echo
        echo "win32 tests SKIPPED: wine32 not usable ($status); the win32 build was compiled only."
      fi ;;
    *) echo "unknown stage: $stage" >&2; return 2 ;;
  esac
}

total_start=$SECONDS
for stage in "${stages[@]}"; do
  banner "STAGE $stage: start"
  start=$SECONDS
  run_stage "$stage"
  rc=$?
  took=$((SECONDS - start))
  if [ $rc -eq 0 ]; then result=PASSED; else result="FAILED (exit $rc)"; failed=1; fi
  if [ "$stage" = win32 ] && [ $rc -eq 0 ] && [ "$(wine32_status)" != installed ]; then
    result="PASSED (build only; tests SKIPPED: wine32 not usable)"
  fi
  banner "STAGE $stage: $result in ${took}s"
  summary+=("$(printf '%-9s %5ss  %s' "$stage" "$took" "$result")")
done

banner "SUMMARY (total $((SECONDS - total_start))s)"
printf '%s\n' "${summary[@]}"
if [ $failed -ne 0 ]; then
  echo "make test: FAILED"
  exit 1
fi
echo "make test: all stages passed"
