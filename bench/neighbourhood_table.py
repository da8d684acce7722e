#!/usr/bin/env python3
"""Markdown tables of the neighbourhood primitives and members from a
vtx_bench JSON file (median of the repetitions, best level that ran):
the OpenCV comparisons, the window-independence ratios and every member's
time at 1920x1080 against the 16 ms limit.
    bench/neighbourhood_table.py results.json"""
import json
import re
import sys

LEVELS = ["avx512", "avx2", "sse2", "plain"]


def load(path):
    times = {}
    for b in json.load(open(path))["benchmarks"]:
        m = re.match(r"(.*)/1920x1080/(?:(\w+)/)?manual_time_median$", b["name"])
        if not m:
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        times.setdefault(m.group(1), {})[m.group(2) or "cv"] = b["real_time"] * scale
    return times


def best(times, key):
    t = times.get(key, {})
    for level in LEVELS + ["cv"]:
        if level in t:
            return t[level], level
    return None, None


def main():
    times = load(sys.argv[1])
    pairs = [
        ("box 5x5", "prim/FilterBox_8u_AC4R:5x5", "cv/boxFilter_5x5"),
        ("box 21x21", "prim/FilterBox_8u_AC4R:21x21", "cv/boxFilter_21x21"),
        ("median 3", "prim/FilterMedian_8u_AC4R:3x3", "cv/medianBlur3"),
        ("median 5", "prim/FilterMedian_8u_AC4R:5x5", "cv/medianBlur5"),
        ("erode 3x3", "prim/FilterMin_8u_AC4R:r=1", "cv/erode3x3"),
        ("erode 21x21", "prim/FilterMin_8u_AC4R:r=10", "cv/erode21x21"),
        ("dilate 3x3", "prim/FilterMax_8u_AC4R:r=1", "cv/dilate3x3"),
        ("dilate 21x21", "prim/FilterMax_8u_AC4R:r=10", "cv/dilate21x21"),
        ("Sobel 3x3 dx to 16-bit", "prim/Sobel3x3_Dx_8u16s_C1R", "cv/Sobel3x3_dx"),
        ("Sobel 3x3 dy to 16-bit", "prim/Sobel3x3_Dy_8u16s_C1R", "cv/Sobel3x3_dy"),
        ("Canny from the derivatives", "prim/Canny_16s8u_C1R", "cv/Canny_from_derivatives"),
        ("Canny from the grey image", "prim/SobelDxDy+Canny", "cv/Canny_image"),
        ("float 3x3 convolution", "prim/Filter32f_8u_AC4R:blur3x3", "cv/filter2D_3x3"),
    ]
    print("| call (1920x1080) | ours ms | level | AVX2 ms | OpenCV ms | best / OpenCV | AVX2 / OpenCV |")
    print("|---|---:|---|---:|---:|---:|---:|")
    for label, ours, cv in pairs:
        o, lvl = best(times, ours)
        c, _ = best(times, cv)
        a = times.get(ours, {}).get("avx2")
        if o is None or c is None:
            print("| %s | not measured | | | | | |" % label)
            continue
        print("| %s | %.2f | %s | %s | %.2f | %.2f | %s |" % (
            label, o, lvl, "%.2f" % a if a else "-", c, o / c, "%.2f" % (a / c) if a else "-"))
    print()
    print("| window independence | widest ms | narrowest ms | ratio | target |")
    print("|---|---:|---:|---:|---:|")
    for label, wide, narrow, target in [
            ("FilterBlur radius 255 / 1", "member/FilterBlur/1,255", "member/FilterBlur/1,1", 3),
            ("EffectGaussianBlur 255 / 1", "member/EffectGaussianBlur/1,255", "member/EffectGaussianBlur/1,1", 3),
            ("EffectMinimal 255 / 1", "member/EffectMinimal/1,255", "member/EffectMinimal/1,1", 3),
            ("EffectMaximal 255 / 1", "member/EffectMaximal/1,255", "member/EffectMaximal/1,1", 3),
            ("EffectMedian 255 / -5", "member/EffectMedian/1,255", "member/EffectMedian/1,-5", 4),
            ("EffectMedian 255 / 1", "member/EffectMedian/1,255", "member/EffectMedian/1,1", 4)]:
        w, _ = best(times, wide)
        n, _ = best(times, narrow)
        if w and n:
            print("| %s | %.2f | %.2f | %.2f | %g | " % (label, w, n, w / n, target))
    print()
    print("| member (1920x1080, best level) | arguments | ms | within 16 ms |")
    print("|---|---|---:|---|")
    for key in sorted(k for k in times if k.startswith("member/")):
        t, lvl = best(times, key)
        _, member, args = key.split("/")
        print("| %s | %s | %.2f | %s |" % (member, args, t, "yes" if t <= 16 else "**no**"))


if __name__ == "__main__":
    main()
