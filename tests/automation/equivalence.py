#!/usr/bin/env python3
"""Runs the same vtx calls natively and through vtx.exe under Wine (which
drives the registered DLL through IDispatch) and compares what they print,
their exit codes and the pixels of every image they write.

    equivalence.py --native PATH --vtx-exe PATH --dll PATH [--win32]

Every member the native vtx lists in --help is called with two sets of
arguments (the second one with UseMask set) on the built-in test card, and
once more on a 1 x 5 card that the session refuses; the image members also
read a PNG file. Creates a fresh Wine prefix and removes
it afterwards. Prints one line per case and "N passed, N failed"; exits 1 on
any difference.
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib


def png_pixels(path):
    """Decodes an 8-bit RGB or RGBA, non-interlaced PNG into (w, h, channels, bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError("%s: unexpected PNG format (depth %d, colour %d)" % (path, depth, colour))
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    out = bytearray()
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        out += line
        previous = line
    return width, height, channels, bytes(out)


def members(native):
    """(name, [(param name, type)], is_property_get) from vtx --help."""
    text = subprocess.run([native, "--help"], capture_output=True, text=True, check=True).stdout
    found = []
    for line in text.split("Members:", 1)[1].splitlines():
        m = re.match(r"^  (\w+)\((.*?)\)( -> .*)?", line)
        if not m:
            continue
        params = []
        for p in filter(None, [s.strip() for s in m.group(2).split(",")]):
            pname, ptype = p.split(":", 1)
            params.append((pname.strip(), ptype.strip()))
        found.append((m.group(1), params, m.group(3) is not None))
    return found


def arguments(params, variant, serial):
    """Call arguments for one argument set; images are files in the work folder."""
    values = []
    ints = [30, -45, 60] if variant == 0 else [-20, 75, 5]
    doubles = [1.5, 0.7] if variant == 0 else [0.35, 2.25]
    for i, (name, kind) in enumerate(params):
        if kind == "double":
            if i == 0 and name == "Completeness":
                values.append("1" if variant == 0 else "0.5")
            else:
                values.append(repr(doubles[i % 2]))
        elif kind == "long":
            values.append(str(ints[i % 3]))
        elif kind == "bool":
            values.append("-1" if variant == 0 else "0")
        elif kind == "byte":
            values.append(str([2, 1, 0][i % 3] if variant == 0 else [1, 2, 0][i % 3]))
        elif kind == "image":
            values.append('"input.png"')
        elif kind == "image out":
            values.append('"%s_out.png"' % serial)
        else:
            return None  # a parameter kind this script cannot write yet
    return values


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--native", required=True)
    parser.add_argument("--vtx-exe", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--win32", action="store_true", help="32-bit DLL: register with the syswow64 regsvr32")
    args = parser.parse_args()
    regsvr32 = "C:\\windows\\%s\\regsvr32.exe" % ("syswow64" if args.win32 else "system32")
    native = os.path.abspath(args.native)
    vtx_exe = os.path.abspath(args.vtx_exe)
    dll = os.path.abspath(args.dll)

    work = tempfile.mkdtemp(prefix="vtx-equivalence-")
    prefix = tempfile.mkdtemp(prefix="wine-vtx-equivalence-")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    passed = failed = 0
    try:
        # Wine's services inherit the streams of the first Wine process:
        # start them with every stream redirected.
        subprocess.run("wineserver -p; wine wineboot", shell=True, env=env, **quiet)
        reg = subprocess.run(["wine", regsvr32, "/s", dll], env=env, **quiet)
        if reg.returncode != 0:
            print("FAIL: regsvr32 exit code %d" % reg.returncode)
            return 1

        # The input image of the image members: an odd-sized test card.
        subprocess.run([native, "--size", "37x23", "--keep-alpha", "--quiet", "--out", "input.png",
                        "AdjustInvert(0.5)"], cwd=work, check=True, capture_output=True)

        # Argument set 0 and 1 (with UseMask) on a 61 x 37 picture; set 0
        # again on a 1 x 5 picture, which the session refuses, so that the
        # refusals and what is written after them are compared too.
        cases = []
        for name, params, is_get in members(native):
            for variant, size in ((0, "61x37"), (1, "61x37"), (0, "1x5")):
                serial = "%s_%s_%d_%s" % (name, "get" if is_get else "call", variant, size)
                values = arguments(params, variant, serial)
                if values is None:
                    print("FAIL: %s: no test value for its parameters" % serial)
                    failed += 1
                    continue
                calls = ["UseMask=-1"] if variant == 1 else []
                calls.append("%s(%s)" % (name, ", ".join(values)))
                cases.append((serial, size, calls))

        for serial, size, calls in cases:
            common = ["--size", size, "--keep-alpha"]
            results = {}
            for side, command in (("native", [native]), ("wine", ["wine", vtx_exe])):
                out = "%s_%s.png" % (serial, side)
                run = subprocess.run(command + common + ["--out", out] + calls, cwd=work, env=env,
                                     stdin=subprocess.DEVNULL, capture_output=True)
                files = {}
                for f in (out, "%s_out.png" % serial):
                    path = os.path.join(work, f)
                    if os.path.exists(path):
                        files[f.replace("_" + side, "")] = png_pixels(path)
                        os.remove(path)
                stdout = run.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
                results[side] = (run.returncode, stdout, files)
            n, w = results["native"], results["wine"]
            problems = []
            if n[0] != w[0]:
                problems.append("exit codes %d / %d" % (n[0], w[0]))
            if n[1] != w[1]:
                problems.append("output %r / %r" % (n[1], w[1]))
            if sorted(n[2]) != sorted(w[2]):
                problems.append("files %s / %s" % (sorted(n[2]), sorted(w[2])))
            for f in sorted(set(n[2]) & set(w[2])):
                if n[2][f] != w[2][f]:
                    problems.append("pixels of %s differ" % f)
            if not n[2]:
                problems.append("no image written")
            label = "%s: --size %s %s (exit %d)" % (serial, size, " ".join(calls), n[0])
            if problems:
                failed += 1
                print("FAIL: %s: %s" % (label, "; ".join(problems)))
            else:
                passed += 1
                print("PASS: %s" % label)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, **quiet)
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
