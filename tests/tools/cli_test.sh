#!/usr/bin/env bash
# Command line tests of vtx: exit codes, printed lines, files written or not.
#   cli_test.sh VTX
set -u
VTX=$1
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vtx_cli_test.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# t EXIT TEXT ARGS...: vtx ARGS exits with EXIT and prints a line holding TEXT,
# on stderr for exit 2, else on stdout ("" for no check).
t() {
    local want=$1 text=$2 stream=out.txt
    shift 2
    "$VTX" "$@" >out.txt 2>err.txt
    local rc=$?
    [ "$want" -eq 2 ] && stream=err.txt
    [ "$rc" -eq "$want" ] || fail "vtx $* exited $rc, expected $want: $(cat err.txt)"
    [ -z "$text" ] || grep -qF -- "$text" $stream || fail "vtx $*: no '$text' in: $(cat $stream)"
}
has() { grep -qF -- "$1" out.txt || fail "no '$1' in: $(cat out.txt)"; }
same() { cmp -s "$1" "$2" || ! fail "$1 and $2 differ"; }
# Width, height, bit depth and colour type from a PNG header.
header() { echo $(od -An -tu1 -j16 -N10 "$1") | awk '{print $4 + 256 * $3, $8 + 256 * $7, $9, $10}'; }
absent() { for f in "$@"; do [ ! -e "$f" ] || fail "$f was written"; done; }

t 0 "" --size 16x8 --out card.png
t 0 "" --size 1x1 --out one.png

# Exit 0: a line per call (none with --quiet, but property values); files kept as read.
t 0 "" --size 64x48 --out ok.png 'AdjustInvert(1)' 'AdjustBrightness(0.5, 20)'
[ "$(cat out.txt)" = $'AdjustInvert -> 0\nAdjustBrightness -> 0' ] || fail "result lines: $(cat out.txt)"
[ "$(header ok.png)" = "64 48 8 2" ] || fail "ok.png: $(header ok.png)"
t 0 "" 'UseMask' 'UseMask=-1' 'get_usemask()' 'BackColor=0xFF00' 'backcolor'
want=$'UseMask -> 0 (Mask = 0)\nUseMask -> 0\nUseMask -> 0 (Mask = -1)\nBackColor -> 0\nBackColor -> 0 (Color = 65280)'
[ "$(cat out.txt)" = "$want" ] || fail "property lines: $(cat out.txt)"
t 0 "" --quiet --size 8x8 --out quiet.png 'UseMask=1' 'AdjustInvert(1)' 'UseMask'
[ "$(cat out.txt)" = "Mask = 0" ] || fail "--quiet printed: $(cat out.txt)"
t 0 "" --in card.png --keep-alpha --out rgba.png
[ "$(header rgba.png)" = "16 8 8 6" ] || fail "rgba.png: $(header rgba.png)"
t 0 "" --in card.png --out inverted.png 'AdjustInvert(1)'
t 0 "" --in inverted.png --out twice.png 'aDjUsTiNvErT(1)'
same card.png twice.png
cmp -s card.png inverted.png && fail "AdjustInvert changed nothing"
t 0 "" --size 4x4 --out set.png 'SetSafeArray("card.png")' 'GetSafeArray("got.png")'
same card.png set.png && same card.png got.png
t 0 "" --size 4x4 --out ptr.png 'SetSafeArrayPtr("card.png")' 'AdjustInvert(1)'
same inverted.png ptr.png
for c in plain avx512; do t 0 "" --cpu $c --in card.png --out $c.png 'AdjustSaturation(1, 40)' 'AdjustEqualize(1)'; done
same plain.png avx512.png
# --seed fixes noise and diffusion; without it two runs differ.
for n in 1 2; do t 0 "" --seed 4294967295 --in card.png --out seed$n.png 'EffectNoise(1, 40, 0)' 'EffectDiffuse(1, 3)'; done
same seed1.png seed2.png
for n in 1 2; do t 0 "" --size 64x48 --out clock$n.png 'EffectNoise(1, 40, 0)'; sleep 0.02; done
cmp -s clock1.png clock2.png && fail "noise without --seed repeated itself"

# Exit 1: a call returned 1; the image is still written.
t 1 "AdjustInvert -> 1" --in one.png --out one_out.png 'AdjustInvert(1)' 'AdjustBrightness(1, 0)'
has "AdjustBrightness -> 0"
same one.png one_out.png
t 1 "SetSafeArray -> 1" --size 8x8 'GetSafeArray("before.png")' 'SetSafeArray("one.png")' 'GetSafeArray("after.png")'
has "GetSafeArray -> 1"
[ -s before.png ] || fail "before.png not written"

# Exit 2: usage and file errors; no call runs, nothing is written.
echo keep >keep.png
t 2 "AdjustBrightness takes 2 arguments, 1 given" --out keep.png 'AdjustInvert(1)' 'AdjustBrightness(0.5)'
[ "$(cat keep.png)" = keep ] && [ ! -s out.txt ] || fail "keep.png overwritten or calls run"
echo hello >text.png
head -c 60 card.png >trunc.png
mkdir folder.png
while IFS='|' read -r text args; do
    eval "t 2 \"\$text\" --out bad.png $args"
    absent bad.png after.png
done <<'EOF'
unknown option '--bogus'|--bogus 'AdjustInvert(1)'
--size sets the size of the built-in test card and cannot be used with --in|--in card.png --size 4x4
--size 0x5: zero-size image|--size 0x5
--size 40000x40000: image too large|--size 40000x40000
--size expects WxH, for example 800x600; got '4by4'|--size 4by4
--in given twice|--in card.png --in=card.png
--cpu expects plain, sse, sse2, sse3, avx2 or avx512; got 'turbo'|--cpu turbo 'AdjustInvert(1)'
--seed expects a number 0..4294967295; got '4294967296'|--seed 4294967296 'EffectNoise(1, 9, 0)'
text.png: not a PNG file|--in text.png 'AdjustInvert(1)'
trunc.png: corrupt or truncated PNG|--in trunc.png
missing.png: No such file or directory|--in missing.png
folder.png: is a directory|--in folder.png
SetSafeArray("trunc.png"): trunc.png: corrupt or truncated PNG|'SetSafeArray("trunc.png")' 'GetSafeArray("after.png")'
nodir/x.png|--size 8x8 'GetSafeArray("after.png")' 'GetSafeArray("nodir/x.png")'
EOF
t 2 "folder.png: is a directory" --size 8x8 --out folder.png 'GetSafeArray("after.png")'
t 2 "usage: vtx [--in FILE]"
t 2 "--out needs a value" --out
ls ./*.tmp >/dev/null 2>&1 && fail "temporary files left: $(ls ./*.tmp)"

# Help and demo.
t 0 "UtilitySwapChannels(nChannel0: byte, nChannel1: byte, nChannel2: byte)" --help
t 0 "AdjustGamma(Completeness: double, Level: double)" help adjustgamma
t 0 "property get, dispatch id 0" help UseMask
has "call as UseMask=V, UseMask(V) or put_UseMask(V)"
t 2 "help: unknown member 'NoSuchMember'" help NoSuchMember
t 0 "vtx demo: demo/frame_000.png .. demo/frame_023.png (24 frames" demo --size 160x120 --out demo
t 0 "" --size 160x120 --out card160.png
same card160.png demo/frame_000.png
cmp -s card160.png demo/frame_023.png && fail "the last frame is the card"
[ -s demo/gallery.png ] && [ ! -e demo/frame_024.png ] || fail "demo files"
t 1 "returned 1" demo --in one.png --out demo1
[ -s demo1/gallery.png ] || fail "no gallery for a 1x1 picture"
t 2 "text.png: not a PNG file" demo --in text.png --out demo2
absent demo2/gallery.png

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all command line tests passed"
