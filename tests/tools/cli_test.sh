#!/usr/bin/env bash
# Command line tests of vtx: exit codes, messages, files written or not.
#   cli_test.sh VTX PNG_FIXTURE
set -u

VTX=$1
FIX=$2
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vtx_cli_test.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# run EXPECTED_EXIT ARGS...: runs vtx, keeps stdout in out.txt, stderr in err.txt.
run() {
    local expected=$1
    shift
    "$VTX" "$@" >out.txt 2>err.txt
    local rc=$?
    if [ "$rc" -ne "$expected" ]; then
        fail "vtx $* exited $rc, expected $expected; stderr: $(cat err.txt)"
    fi
}

expect_in() {  # expect_in FILE TEXT
    grep -qF -- "$2" "$1" || fail "$1 lacks '$2': $(cat "$1")"
}

expect_absent() {
    [ ! -e "$1" ] || fail "$1 was written"
}

same_pixels() {  # same_pixels A B
    "$FIX" dump "$1" >a.dump && "$FIX" dump "$2" >b.dump && cmp -s a.dump b.dump ||
        fail "$1 and $2 differ"
}

"$FIX" write orient orient.png
"$FIX" write alpha alpha.png
"$FIX" write one one.png
"$FIX" write thin thin.png
"$FIX" write grey grey.png
"$FIX" write zero zero.png
"$FIX" write huge huge.png

# --- exit 0, result lines ----------------------------------------------------
run 0 --size 64x48 --out ok.png 'AdjustInvert(1)' 'AdjustBrightness(0.5, 20)'
[ -s ok.png ] || fail "ok.png not written"
expect_in out.txt "AdjustInvert -> 0"
expect_in out.txt "AdjustBrightness -> 0"
[ "$(wc -l <out.txt)" -eq 2 ] || fail "expected two result lines: $(cat out.txt)"
"$FIX" dump ok.png | head -1 | grep -qx "64 48" || fail "ok.png is not 64x48"

run 0 --quiet --size 8x8 --out quiet.png 'AdjustInvert(1)'
[ ! -s out.txt ] || fail "--quiet printed: $(cat out.txt)"

# No calls: the picture is written as read.
run 0 --in orient.png --out copy.png
same_pixels orient.png copy.png

# --- orientation: the top picture row stays on top ----------------------------
"$FIX" dump copy.png >copy.dump
sed -n 2p copy.dump | grep -qx "255,0,0,255 0,255,0,255" || fail "top row moved: $(cat copy.dump)"
run 0 --size 16x8 --out card.png
"$FIX" dump card.png | sed -n 2p | grep -q "^255,255,255,255 " || fail "test card: top row is not the white bar"
"$FIX" dump card.png | sed -n 9p | grep -q "^0,0,0,255 " || fail "test card: bottom row is not the black step"

# --- case-insensitive names --------------------------------------------------------
run 0 --in orient.png --out mixed.png 'AdjustInvert(1)'
run 0 --in orient.png --out case.png "aDjUsTiNvErT(1)"
expect_in out.txt "AdjustInvert -> 0"
same_pixels mixed.png case.png
"$FIX" dump mixed.png | sed -n 2p | grep -qx "0,255,255,255 255,0,255,255" || fail "inverted top row wrong"

# --- properties print their values -------------------------------------------------
run 0 'UseMask' 'UseMask=-1' 'get_usemask()' 'BackColor=0xFF0000' 'backcolor'
expect_in out.txt "UseMask -> 0 (Mask = 0)"
expect_in out.txt "UseMask -> 0 (Mask = -1)"
expect_in out.txt "BackColor -> 0 (Color = 16711680)"
run 0 --quiet 'UseMask=1' 'UseMask'
[ "$(cat out.txt)" = "Mask = 0" ] || fail "--quiet property get printed: $(cat out.txt)"

# --- --keep-alpha carries the alpha bytes exactly -------------------------------
run 0 --in alpha.png --keep-alpha --out alpha_out.png
same_pixels alpha.png alpha_out.png
run 0 --in alpha.png --out alpha_rgb.png
"$FIX" dump alpha_rgb.png | sed -n 2p | grep -qx "10,20,30,255 40,50,60,255 70,80,90,255" ||
    fail "RGB output: $("$FIX" dump alpha_rgb.png)"
# With the mask only the pixels of alpha 0 change; alpha bytes stay.
run 0 --in alpha.png --keep-alpha --out masked.png 'UseMask=-1' 'AdjustInvert(1)'
"$FIX" dump masked.png >masked.dump
sed -n 2p masked.dump | grep -qx "245,235,225,0 40,50,60,1 70,80,90,127" || fail "masked: $(cat masked.dump)"
sed -n 3p masked.dump | grep -qx "100,110,120,128 130,140,150,254 160,170,180,255" || fail "masked: $(cat masked.dump)"
# A file without alpha reads as alpha 0 everywhere.
run 0 --in grey.png --keep-alpha --out grey_out.png
"$FIX" dump grey_out.png | sed -n 2p | grep -qx "0,0,0,0 85,85,85,0 170,170,170,0 255,255,255,0" ||
    fail "grey: $("$FIX" dump grey_out.png)"

# --- exit 1: a call returned 1, the image is still written ---------------------
run 1 --in one.png --out one_out.png 'AdjustInvert(1)'
expect_in out.txt "AdjustInvert -> 1"
same_pixels one.png one_out.png
run 1 --in thin.png --keep-alpha --out thin_out.png 'AdjustInvert(1)' 'AdjustBrightness(1, 0)'
expect_in out.txt "AdjustInvert -> 1"
expect_in out.txt "AdjustBrightness -> 0"
"$FIX" dump thin_out.png | head -1 | grep -qx "1 4" || fail "thin image not written as 1x4"
run 1 --size 2x1 'AdjustGamma(1, 40)'
run 1 --size 8x8 'GetSafeArray("never.png")' 'SetSafeArray("one.png")' 'GetSafeArray("none.png")'
expect_in out.txt "GetSafeArray -> 0"
expect_in out.txt "SetSafeArray -> 1"
expect_in out.txt "GetSafeArray -> 1"
[ -s never.png ] || fail "GetSafeArray before the refusal not written"
expect_absent none.png

# --- exit 2: usage errors name the call and show the parameters; nothing written
echo keep >keep.png
run 2 --out keep.png 'AdjustInvert(1)' 'AdjustBrightness(0.5)'
expect_in err.txt "call 'AdjustBrightness(0.5)': AdjustBrightness takes 2 arguments, 1 given"
expect_in err.txt "usage: AdjustBrightness(Completeness: double, Level: long)"
[ "$(cat keep.png)" = keep ] || fail "keep.png was overwritten"
[ ! -s out.txt ] || fail "calls ran before a usage error: $(cat out.txt)"
run 2 --out bad.png 'AdjustContrast(1, 5O)'
expect_in err.txt "argument 2 (Level: double) '5O': not a number"
expect_in err.txt "usage: AdjustContrast(Completeness: double, Level: double)"
expect_absent bad.png
run 2 --out bad.png 'AdjustSharpness(1)'
expect_in err.txt "unknown member 'AdjustSharpness'"
run 2 --out bad.png 'UtilitySwapChannels(0, 1, 300)'
expect_in err.txt "out of range for a byte"
run 2 --out bad.png --bogus 'AdjustInvert(1)'
expect_in err.txt "unknown option '--bogus'"
run 2 --in orient.png --size 4x4 --out bad.png
expect_in err.txt "--size"
run 2 --size 0x5 --out bad.png
run 2 --size 40000x40000 --out bad.png
expect_in err.txt "too large"
run 2
expect_in err.txt "usage: vtx"
expect_absent bad.png

# --- exit 2: bad input files, nothing written -------------------------------------
echo "hello" >text.png
head -c 60 orient.png >trunc.png
head -c 4 orient.png >tiny.png
: >empty.png
for f in text tiny empty; do
    run 2 --in $f.png --out bad.png 'AdjustInvert(1)'
    expect_in err.txt "$f.png: "
    expect_in err.txt "not a PNG"
done
run 2 --in trunc.png --out bad.png 'AdjustInvert(1)'
expect_in err.txt "trunc.png: corrupt or truncated PNG"
run 2 --in zero.png --out bad.png
expect_in err.txt "zero-size image (0x3)"
run 2 --in huge.png --out bad.png
expect_in err.txt "image of 40000x40000 pixels is too large"
run 2 --in missing.png --out bad.png
expect_in err.txt "missing.png: No such file or directory"
mkdir folder.png
run 2 --in folder.png --out bad.png
expect_in err.txt "folder.png: is a directory"
run 2 --size 8x8 --out folder.png
expect_in err.txt "folder.png: is a directory"
run 2 --out bad.png 'SetSafeArray("trunc.png")'
expect_in err.txt "SetSafeArray(\"trunc.png\"): trunc.png: corrupt or truncated PNG"
[ ! -s out.txt ] || fail "calls ran before the input error: $(cat out.txt)"
expect_absent bad.png

# An output that cannot be written: no other output appears either.
run 2 --size 8x8 --out bad.png 'GetSafeArray("nodir/x.png")'
expect_in err.txt "nodir/x.png"
expect_absent bad.png
run 2 --size 8x8 --out nodir/y.png 'GetSafeArray("first.png")'
expect_absent first.png
ls ./*.tmp >/dev/null 2>&1 && fail "temporary files left: $(ls ./*.tmp)"

# --- image exchange through files ---------------------------------------------------
run 0 --size 4x4 --out swapped.png 'SetSafeArray("orient.png")' 'GetSafeArray("got.png")'
same_pixels orient.png swapped.png
same_pixels orient.png got.png
run 0 --size 4x4 --out ptr.png 'SetSafeArrayPtr("orient.png")' 'AdjustInvert(1)'
same_pixels mixed.png ptr.png

# --- odd values do not crash ----------------------------------------------------------
run 0 --size 16x16 --out odd.png 'AdjustBrightness(nan, 10)' 'AdjustContrast(inf, -inf)' \
    'AdjustHue(-inf, nan)' 'AdjustBrightness(1, -2147483648)' 'AdjustPosterize(1e300, 0x80000000)'

# --- help ---------------------------------------------------------------------------------
run 0 --help
expect_in out.txt "usage: vtx"
expect_in out.txt "AdjustBrightness(Completeness: double, Level: long)"
expect_in out.txt "UtilitySwapChannels(nChannel0: byte, nChannel1: byte, nChannel2: byte)"
expect_in out.txt "UseMask() -> Mask: bool"
expect_in out.txt "Apply hue adjustment."
run 0 help adjustgamma
expect_in out.txt "AdjustGamma(Completeness: double, Level: double)"
expect_in out.txt "method, dispatch id 104"
run 0 help UseMask
expect_in out.txt "property get, dispatch id 0"
expect_in out.txt "property put, dispatch id 0"
expect_in out.txt "call as UseMask=V"
run 2 help NoSuchMember
expect_in err.txt "help: unknown member 'NoSuchMember'"

# --- demo -------------------------------------------------------------------------------------
run 0 demo --size 160x120 --out demo
[ -s demo/gallery.png ] || fail "no gallery"
for i in $(seq -f %03g 0 23); do [ -s "demo/frame_$i.png" ] || fail "no frame_$i.png"; done
expect_absent demo/frame_024.png
run 0 --size 160x120 --out card160.png
same_pixels card160.png demo/frame_000.png
"$FIX" dump demo/frame_023.png | cmp -s - <("$FIX" dump card160.png) && fail "the last frame equals the card"
run 0 demo --in orient.png --out demo2
[ -s demo2/gallery.png ] || fail "no gallery for --in"
run 1 demo --in one.png --out demo3
[ -s demo3/gallery.png ] || fail "no gallery for a 1x1 picture"
run 2 demo --in text.png --out demo4
expect_absent demo4/gallery.png

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all command line tests passed"
