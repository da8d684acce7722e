#!/bin/bash
# Runs the COM tests of TavrixVideoTransform.dll under Wine, in a fresh Wine
# prefix that is removed afterwards:
#   1. regsvr32 registers the DLL;
#   2. the C++ client tests (registry entries, creation, early and late
#      binding, type library, identity, aggregation, lifetime, threads);
#   3. the VBScript and JScript tests through cscript;
#   4. regsvr32 /u unregisters it, and the client tests check the registry.
#
#   run-wine-tests.sh --dll PATH --tests PATH --scripts DIR [--win32]
#
# --win32: the DLL is 32-bit; registration and the script hosts then run as
# the 32-bit programs of a 64-bit prefix (syswow64), which needs wine32.
#
# Prints one line per step and "N passed, N failed"; exits 1 on any failure.
set -u

dll= tests= scripts=
system=system32
while [ $# -gt 0 ]; do
  case "$1" in
    --win32) system=syswow64; shift ;;
    --dll) dll=$2; shift 2 ;;
    --tests) tests=$2; shift 2 ;;
    --scripts) scripts=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
if [ -z "$dll" ] || [ -z "$tests" ] || [ -z "$scripts" ]; then
  echo "usage: $0 --dll PATH --tests PATH --scripts DIR" >&2
  exit 2
fi
for f in "$dll" "$tests" "$scripts/vbscript_test.vbs" "$scripts/jscript_test.js"; do
  [ -e "$f" ] || { echo "missing: $f" >&2; exit 2; }
done

WINEPREFIX=$(mktemp -d /tmp/wine-vtx-automation-XXXXXX) || exit 2
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# Start the server and Wine's services first with every stream redirected:
# they inherit the first process's streams and would hold pipes open.
(wineserver -p; wine wineboot) </dev/null >/dev/null 2>&1

passed=0
failed=0
report() {  # name status
  if [ "$2" = ok ]; then
    passed=$((passed + 1)); echo "PASS: $1"
  else
    failed=$((failed + 1)); echo "FAIL: $1 ($2)"
  fi
}
# A command must exit 0.
run_step() {  # name command...
  local name=$1; shift
  timeout 600 "$@" </dev/null
  local rc=$?
  if [ $rc -eq 0 ]; then report "$name" ok; else report "$name" "exit code $rc"; fi
}
# A script must exit 0 and print PASS as its verdict (a script host that
# stops on an uncaught error prints nothing and exits 0).
run_script() {  # name file
  local out rc
  out=$(cd "$scripts" && timeout 600 wine "C:\\windows\\$system\\cscript.exe" //nologo "$2" </dev/null 2>&1)
  rc=$?
  printf '%s\n' "$out" | tr -d '\r' | sed 's/^/    /'
  if [ $rc -ne 0 ]; then
    report "$1" "exit code $rc"
  elif ! printf '%s\n' "$out" | tr -d '\r' | grep -qx 'PASS'; then
    report "$1" "no PASS verdict"
  else
    report "$1" ok
  fi
}

dllw=$(winepath -w "$dll" 2>/dev/null)

regsvr32="C:\\windows\\$system\\regsvr32.exe"
run_step "regsvr32 registers the DLL" wine "$regsvr32" /s "$dll"
run_step "C++ client tests (registered)" wine "$tests" "--dll=$dllw" --phase=registered
run_script "VBScript through cscript" vbscript_test.vbs
run_script "JScript through cscript" jscript_test.js
run_step "regsvr32 /u unregisters the DLL" wine "$regsvr32" /s /u "$dll"
run_step "C++ client tests (unregistered)" wine "$tests" "--dll=$dllw" --phase=unregistered
run_step "regsvr32 /u on an unregistered DLL" wine "$regsvr32" /s /u "$dll"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
