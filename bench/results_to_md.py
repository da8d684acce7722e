#!/usr/bin/env python3
"""Turns the JSON output of vtx_bench into the markdown tables of RESULTS.md.

usage: results_to_md.py RESULT.json [MORE.json ...] [--machine TEXT] [--commit TEXT]
                        [--compiler TEXT] [--command TEXT] [--notes FILE]

Prints markdown on standard output. Times are the median over the
repetitions when the run had repetitions, otherwise the single run's value.
"""
import argparse
import json
import sys

# The point adjustments whose whole work is one channel-table pass, and the
# brightness operations (saturating add/subtract): the set the "within 3x
# memcpy at 1920x1080" target is about.
TARGET_KEYS = [
    ("AdjustBrightness", None),
    ("AdjustBrightnessEx", None),
    ("AdjustContrast", None),
    ("AdjustGamma", None),
    ("AdjustInvert", None),
    ("AdjustPosterize", None),
    ("AdjustThreshold", "128,colour"),
    ("AdjustTemperature", None),
]
# Table-based too, but with a second whole-image pass (histogram, grey
# conversion) or per-pixel arithmetic before the table: listed beside the
# target for information.
NEAR_TARGET_KEYS = [
    ("AdjustThreshold", "128,grey"),
    ("AdjustColorize", None),
    ("AdjustAutocontrast", None),
    ("AdjustAutolevels", None),
]
TARGET_FACTOR = 3.0
# Time limits of every colour operation (the op benchmarks) at 1920x1080 by
# level: none for the plain code, 16 ms with SSE2, 4 ms with AVX2 and above.
SLOW_LIMIT_MS = 16.0
FAST_LIMIT_MS = 4.0
LIMIT_MS = {"plain": None, "sse": None, "sse2": SLOW_LIMIT_MS, "sse3": SLOW_LIMIT_MS,
            "avx2": FAST_LIMIT_MS, "avx512": FAST_LIMIT_MS}


def load(path):
    with open(path) as f:
        data = json.load(f)
    runs = {}
    have_aggregates = any(b.get("run_type") == "aggregate" for b in data["benchmarks"])
    for b in data["benchmarks"]:
        name = b.get("run_name", b["name"])
        if name.endswith("/manual_time"):
            name = name[: -len("/manual_time")]
        if have_aggregates:
            if b.get("run_type") != "aggregate" or b.get("aggregate_name") != "median":
                continue
        if b.get("error_occurred"):
            runs[name] = {"error": b.get("error_message", "error")}
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
        entry = runs.setdefault(name, {"ms": [], "x": [], "label": b.get("label", "")})
        if "error" in entry:
            continue
        entry["ms"].append(b["real_time"] * scale)
        entry["x"].append(b.get("x_memcpy", float("nan")))
    for entry in runs.values():
        if "error" not in entry:
            entry["ms"] = sum(entry["ms"]) / len(entry["ms"])
            entry["x"] = sum(entry["x"]) / len(entry["x"])
    return data.get("context", {}), runs


def fmt_ms(v):
    if v is None:
        return ""
    if v < 0.1:
        return "%.4f" % v
    if v < 10:
        return "%.3f" % v
    return "%.1f" % v


def fmt_x(v):
    return "" if v is None else ("%.2f" % v if v < 10 else "%.1f" % v)


def split(name):
    """group, key, variant, size, level from a benchmark name."""
    parts = name.split("/")
    group = parts[0]
    if group == "memcpy":
        return group, "memcpy", "", parts[1], ""
    if group == "memcpy_cold":
        return "memcpy", "memcpy (caches evicted before each copy)", "", parts[1], ""
    if group == "cv":
        return group, parts[1], "", parts[2], ""
    if group == "prim":
        return group, parts[1], "", parts[2], parts[3]
    if group == "frame":
        return group, parts[1], parts[2], parts[3], parts[4]
    if group == "op":
        return group, parts[1], parts[2] + " " + parts[3], parts[4], parts[5]
    return group, name, "", "", ""


def pair_for(context, key, variant):
    first = variant.split(" ")[0] if variant else ""
    base = key.split(":")[0]
    for k in ("pair:%s/%s" % (key, first), "pair:" + key, "pair:" + base):
        if k in context:
            return context[k]
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("json", nargs="+", help="outputs of one or more runs; later runs add rows and levels")
    ap.add_argument("--machine", default="")
    ap.add_argument("--commit", default="")
    ap.add_argument("--compiler", default="")
    ap.add_argument("--command", default="")
    ap.add_argument("--notes", default="")
    args = ap.parse_args()
    context, runs = load(args.json[0])
    all_levels = [l for l in context.get("levels", "").split(",") if l]
    extra_contexts = []
    for extra in args.json[1:]:
        more_context, more_runs = load(extra)
        extra_contexts.append(more_context)
        for name, r in more_runs.items():
            if not name.startswith(("memcpy/", "cv/")):
                runs[name] = r
        for l in more_context.get("levels", "").split(","):
            if l and l not in all_levels:
                all_levels.append(l)
    order = ["plain", "sse", "sse2", "sse3", "avx2", "avx512"]
    all_levels.sort(key=lambda l: order.index(l) if l in order else 99)
    context["levels"] = ",".join(all_levels)

    sizes = []
    levels = context.get("levels", "").split(",")
    rows = {"memcpy": [], "prim": [], "frame": [], "op": []}
    for name in runs:
        group, key, variant, size, level = split(name)
        if size and size not in sizes:
            sizes.append(size)
        if group in rows:
            rows[group].append((key, variant, size, level, name))

    def cv_cols(key, variant, size, ours_ms):
        cv = pair_for(context, key, variant)
        if cv is None:
            return "", "", ""
        r = runs.get("cv/%s/%s" % (cv, size))
        if r is None or "error" in r:
            return "", "", cv + (" (error)" if r else "")
        ratio = ours_ms / r["ms"] if ours_ms is not None and r["ms"] > 0 else None
        return fmt_ms(r["ms"]), fmt_x(ratio), r["label"] or cv

    out = []
    w = out.append
    w("# Benchmark results")
    w("")
    w("Generated by `bench/run.sh` from the output of `vtx_bench` (Google Benchmark); the hand-written reading "
      "below the target table comes from `bench/analysis.md`. Edit that file, not this one.")
    w("")
    w("| | |")
    w("|---|---|")
    if args.machine:
        w("| machine | %s |" % args.machine)
    w("| date | %s |" % context.get("date", ""))
    if args.commit:
        w("| commit | %s |" % args.commit)
    if args.compiler:
        w("| compiler | %s |" % args.compiler)
    w("| build | Release (-O3 from CMake's Release type), single-threaded |")
    w("| levels | %s (plain, any further levels asked for, and the best level this processor selects) |" % context.get("levels", ""))
    w("| OpenCV | %s, cv::setNumThreads(1) (threads reported: %s) |"
      % (context.get("opencv", "?"), context.get("opencv_threads", "?")))
    for s in sizes:
        k = "memcpy_ms_" + s
        if k in context:
            w("| memcpy baseline %s | %s ms (median of 31 single copies at start-up) |" % (s, context[k]))
    w("| load average at start | %s |" % ", ".join("%.2f" % v for v in context.get("load_avg", [])))
    for more in extra_contexts:
        w("| second pass (levels %s) | started %s, load %s; its own memcpy baselines: %s; its x memcpy values are "
          "relative to these |" % (more.get("levels", ""), more.get("date", ""),
                                   ", ".join("%.2f" % v for v in more.get("load_avg", [])),
                                   ", ".join("%s %s ms" % (s, more["memcpy_ms_" + s]) for s in sizes
                                             if "memcpy_ms_" + s in more)))
    if args.command:
        w("| command | `%s` |" % args.command)
    w("")
    w("Columns: **ms** = time of one call on one frame (median of the repetitions, thread CPU time of the "
      "call alone; set-up such as restoring the frame for in-place calls is outside the measured interval); "
      "**x memcpy** = that time divided by the memcpy of a BGRA frame of the same size measured at start-up "
      "of the same run; **OpenCV ms** = the nearest OpenCV call on the same data, timed the same way; "
      "**ours/OpenCV** = our time divided by OpenCV's (below 1: we are faster).")
    w("")
    # --- target check ---------------------------------------------------
    big = "1920x1080"
    w("## Target: LUT-based adjustments and AdjustBrightness at %s within %gx memcpy" % (big, TARGET_FACTOR))
    w("")
    w("Counted at every level reported; the target applies from AVX2 up, the lower levels "
      "show how far processors without those instructions are from it.")
    w("")
    w("| operation | arguments | " + " | ".join("%s ms | %s x memcpy" % (l, l) for l in levels) + " | "
      + " | ".join("%s target" % l for l in levels) + " |")
    w("|---|---|" + "---:|---:|" * len(levels) + "---|" * len(levels))
    met = {l: 0 for l in levels}
    missed = {l: 0 for l in levels}

    def target_rows(keys, counted):
        for key, only in keys:
            variants = sorted({v for (k, v, size, level, name) in rows["op"] if k == key and size == big})
            for variant in variants:
                if only and not variant.startswith(only):
                    continue
                cells = []
                verdicts = []
                for level in levels:
                    r = runs.get("op/%s/%s/%s/%s" % (key, variant.replace(" ", "/"), big, level))
                    if r is None or "error" in r:
                        cells.append("%s | " % ("" if r is None else "error"))
                        verdicts.append("")
                        continue
                    cells.append("%s | %s" % (fmt_ms(r["ms"]), fmt_x(r["x"])))
                    ok = r["x"] <= TARGET_FACTOR
                    if counted:
                        met[level] += ok
                        missed[level] += not ok
                        verdicts.append("met" if ok else "**missed**")
                    else:
                        verdicts.append("(informative) " + ("within" if ok else "above"))
                w("| %s | %s | %s | %s |" % (key, variant, " | ".join(cells), " | ".join(verdicts)))

    target_rows(TARGET_KEYS, True)
    target_rows(NEAR_TARGET_KEYS, False)
    w("")
    w("Target set: %s (rows marked informative are table-based operations with a second whole-image pass or "
      "per-pixel arithmetic; they are not counted)."
      % "; ".join("at %s %d met, %d missed" % (l, met[l], missed[l]) for l in levels))
    w("")
    # --- time limits of the colour operations ---------------------------
    w("## Target: every colour operation at %s within %g ms from SSE2 up and within %g ms from AVX2 up"
      % (big, SLOW_LIMIT_MS, FAST_LIMIT_MS))
    w("")
    limited = [l for l in levels if LIMIT_MS.get(l) is not None]
    w("| level | limit ms | met | missed | slowest (ms) |")
    w("|---|---:|---:|---:|---|")
    for level in levels:
        limit = LIMIT_MS.get(level)
        times = sorted(((runs[name]["ms"], "%s %s" % (key, variant))
                        for (key, variant, size, lvl, name) in rows["op"]
                        if size == big and lvl == level and "error" not in runs[name]), reverse=True)
        if not times:
            continue
        if limit is None:
            w("| %s | (none) | | | %s |" % (level, ", ".join("%s %s" % (k, fmt_ms(t)) for t, k in times[:3])))
            continue
        over = [(t, k) for t, k in times if t > limit]
        w("| %s | %g | %d | %d | %s |" % (level, limit, len(times) - len(over), len(over),
                                         ", ".join("%s %s" % (k, fmt_ms(t)) for t, k in (over or times[:1]))))
    if not limited:
        w("")
        w("(No level with a limit was run.)")
    w("")
    if args.notes:
        with open(args.notes) as f:
            w(f.read().rstrip())
            w("")

    def table(title, group):
        w("## " + title)
        w("")
        w("| operation | arguments | size | level | ms | x memcpy | OpenCV ms | ours/OpenCV | OpenCV call |")
        w("|---|---|---|---|---:|---:|---:|---:|---|")
        order = {s: i for i, s in enumerate(sizes)}
        lorder = {l: i for i, l in enumerate(levels)}
        seen_keys = []
        for item in rows[group]:
            if item[0] not in seen_keys:
                seen_keys.append(item[0])
        items = sorted(rows[group], key=lambda t: (seen_keys.index(t[0]), order.get(t[2], 9), t[1],
                                                   lorder.get(t[3], 9)))
        for (key, variant, size, level, name) in items:
            r = runs[name]
            if "error" in r:
                w("| %s | %s | %s | %s | error: %s | | | | |" % (key, variant, size, level, r["error"]))
                continue
            cv_ms, ratio, call = cv_cols(key, variant, size, r["ms"])
            w("| %s | %s | %s | %s | %s | %s | %s | %s | %s |"
              % (key, variant, size, level, fmt_ms(r["ms"]), fmt_x(r["x"]), cv_ms, ratio, call))
        w("")

    table("memcpy (the yardstick, measured as a benchmark too)", "memcpy")
    table("Primitives (primitives/pixel.h)", "prim")
    table("Frame helpers (session/frame.h)", "frame")
    table("Colour adjustments (adjust/adjust.h)", "op")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
