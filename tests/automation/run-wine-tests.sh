#!/bin/bash
# Runs the COM tests of TavrixVideoTransform.dll under Wine, in a fresh prefix
# that is removed afterwards: regsvr32, the C++ client tests, the VBScript and
# JScript tests through cscript, regsvr32 /u and the client tests again.
#
#   run-wine-tests.sh --wine LOADER --dll PATH --tests PATH --scripts DIR [--win32]
#
# LOADER is the Wine loader of the DLL's bitness; regsvr32 and cscript are
# taken from system32 (64-bit) or, with --win32, syswow64 (32-bit), so that
# every program is of the DLL's bitness and loads it in-process. A script host
# of the other bitness could only reach the class through a COM surrogate
# (dllhost.exe), which Wine starts for any class with an AppID; the prefix
# therefore gets a dllhost.exe that cannot start, and an object that does not
# load in the creating process cannot be created at all.
#
# No step can block the caller: each Wine command writes to a file, has a time
# limit, and the prefix's processes are ended after it. Prints one line per
# step and "N passed, N failed"; exits 1 on any failure.
set -u

wine=wine dll= tests= scripts= system=system32
while [ $# -gt 0 ]; do
  case "$1" in
    --win32) system=syswow64; shift ;;
    --wine|--dll|--tests|--scripts) declare "${1#--}=$2"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
dll=$(realpath -e "$dll") && tests=$(realpath -e "$tests") && cd "$scripts" || exit 2

WINEPREFIX=$(mktemp -d -t wine-vtx-automation-XXXXXX) || exit 2
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
out="$WINEPREFIX.out"
cleanup() { wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX" "$out"; }
trap cleanup EXIT
trap 'exit 143' TERM INT

passed=0 failed=0
# step NAME SECONDS COMMAND...: runs a Wine command with its output in a file,
# then ends every process of the prefix. The command must exit 0; a script
# must also print PASS as its verdict (a script host that stops on an uncaught
# error prints nothing and exits 0).
step() {
  local name=$1 limit=$2 problem=""
  shift 2
  timeout -k 5 "$limit" "$@" </dev/null >"$out" 2>&1 || problem="exit code $?"
  timeout 30 wineserver -k >/dev/null 2>&1
  tr -d '\r' <"$out" | sed 's/^/    /'
  [[ -z "$problem" && "$name" == *cscript* ]] && ! tr -d '\r' <"$out" | grep -qx PASS && problem="no PASS verdict"
  if [ -z "$problem" ]; then passed=$((passed + 1)); echo "PASS: $name"; else failed=$((failed + 1)); echo "FAIL: $name ($problem)"; fi
}

step "prefix" 300 "$wine" wineboot
for d in "$WINEPREFIX"/drive_c/windows/{system32,syswow64}; do
  mkdir -p "$d" && echo "no COM surrogate in this test prefix" >"$d/dllhost.exe"
done
export VTX_DLL="Z:$(tr / '\\' <<<"$dll")"  # for the client tests
bin="C:\\windows\\$system"
step "regsvr32 registers the DLL" 120 "$wine" "$bin\\regsvr32.exe" /s "$dll"
step "C++ client tests (registered)" 300 "$wine" "$tests" '--gtest_filter=-Unregistered.*'
step "VBScript through cscript" 120 "$wine" "$bin\\cscript.exe" //nologo vbscript_test.vbs
step "JScript through cscript" 120 "$wine" "$bin\\cscript.exe" //nologo jscript_test.js
step "regsvr32 /u unregisters the DLL" 120 "$wine" "$bin\\regsvr32.exe" /s /u "$dll"
step "C++ client tests (unregistered)" 120 "$wine" "$tests" '--gtest_filter=Unregistered.*'
step "regsvr32 /u on an unregistered DLL" 120 "$wine" "$bin\\regsvr32.exe" /s /u "$dll"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
