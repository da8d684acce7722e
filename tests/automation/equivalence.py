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


def write_png(path, width, height, colour, depth, samples, palette=None, trns=None):
    """Writes a non-interlaced PNG; samples holds every row's samples in order."""
    per_pixel = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    raw = bytearray()
    pos = 0
    for _ in range(height):
        row = samples[pos:pos + width * per_pixel]
        pos += width * per_pixel
        raw.append(0)
        if depth == 16:
            for v in row:
                raw += struct.pack(">H", v)
        elif depth == 8:
            raw += bytes(row)
        else:
            bits, acc, n = 0, 0, 0
            line = bytearray()
            for v in row:
                acc = (acc << depth) | v
                n += depth
                if n == 8:
                    line.append(acc)
                    acc, n = 0, 0
            if n:
                line.append(acc << (8 - n))
            raw += line

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0))
    if palette is not None:
        data += chunk(b"PLTE", bytes(palette))
    if trns is not None:
        data += chunk(b"tRNS", bytes(trns))
    data += chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def input_files(work):
    """PNG files of every kind the readers take, 7 x 5 pixels each."""
    w, h = 7, 5
    n = w * h
    ramp = lambda k, top: [(i * 37 + k * 91) % (top + 1) for i in range(n * k)]
    files = {
        "rgb8": (2, 8, ramp(3, 255), None, None),
        "rgba8": (6, 8, ramp(4, 255), None, None),
        "grey8": (0, 8, ramp(1, 255), None, None),
        "greyalpha8": (4, 8, ramp(2, 255), None, None),
        "grey1": (0, 1, [i % 2 for i in range(n)], None, None),
        "grey4": (0, 4, [i % 16 for i in range(n)], None, None),
        "palette8": (3, 8, [i % 6 for i in range(n)], [v for i in range(6) for v in (i * 40, 255 - i * 40, i * 13)], None),
        "palette4trns": (3, 4, [i % 6 for i in range(n)], [v for i in range(6) for v in (i * 40, 255 - i * 40, i * 13)],
                         [0, 128, 255, 7]),
        "grey8trns": (0, 8, ramp(1, 255), None, [0, 37]),
        "rgb8trns": (2, 8, ramp(3, 255), None, [0, 37, 0, 128, 0, 219]),
        "rgb16": (2, 16, [(i * 4099 + 77) % 65536 for i in range(n * 3)], None, None),
        "rgba16": (6, 16, [(i * 5003 + 129) % 65536 for i in range(n * 4)], None, None),
        "grey16": (0, 16, [(i * 1601 + 128) % 65536 for i in range(n)], None, None),
        "greyalpha16": (4, 16, [(i * 3001 + 5) % 65536 for i in range(n * 2)], None, None),
    }
    names = []
    for name, (colour, depth, samples, palette, trns) in files.items():
        write_png(os.path.join(work, "in_%s.png" % name), w, h, colour, depth, samples, palette, trns)
        names.append("in_%s.png" % name)
    return names


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
        elif kind == "string":
            values.append('"Tavrix 1"' if variant == 0 else '"Tavrix \\"2\\" \\\\ \u00e9"')
        elif kind == "font":
            values.append("null" if variant == 0 else '"DejaVu Sans, 14, bold"')
        elif kind == "WxH":
            values.append("23x17" if variant == 0 else "61x37")
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

        # Every kind of input file, read with --in and written back.
        for f in input_files(work):
            cases.append((f[:-4], "in:" + f, ["UseMask()"]))

        for serial, size, calls in cases:
            if size.startswith("in:"):
                common = ["--in", size[3:], "--keep-alpha"]
            else:
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
            label = "%s: %s %s (exit %d)" % (serial, " ".join(common), " ".join(calls), n[0])
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
