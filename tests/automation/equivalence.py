#!/usr/bin/env python3
# The same vtx calls natively and through vtx.exe under Wine (which drives the
# registered DLL through IDispatch) must print the same, exit the same and
# write the same pixels (compared after both images went through the native
# reader and writer). Every member the native vtx lists in --help is called
# with two argument sets (the second with UseMask set) on the test card and
# with the first on a 1 x 5 card that the session refuses; PNG files of every
# kind the readers take are read and written back. Each command writes to a
# file of its own and has a time limit.
#
#   equivalence.py NATIVE_VTX VTX_EXE DLL WINE_LOADER [--win32]
#
# --win32: the DLL is 32-bit, registered with the syswow64 regsvr32.
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib


CLOCK_SEEDED = {"EffectNoise", "EffectDiffuse"}
# Drawn by the platform's rasteriser (Cairo and Pango natively, GDI+ in the
# DLL): the two draw the same geometry with different pixels at the edges and
# different glyphs, so only their exit codes and output are compared.
BACKEND_RENDERED = {"DrawLine", "DrawEllipse", "DrawInvRectangle", "DrawInvEllipse", "DrawTextA", "DrawText2",
                    "DrawCredits"}


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


# 7 x 5 PNG files of every colour type and depth, with palettes and tRNS.
def write_inputs(work):
    names = []
    for colour, depth, extra in ((2, 8, ""), (6, 8, ""), (0, 8, ""), (4, 8, ""), (0, 1, ""), (0, 4, ""), (3, 8, "P"),
                                 (3, 4, "PT"), (0, 8, "T"), (2, 8, "T"), (2, 16, ""), (6, 16, ""), (0, 16, ""),
                                 (4, 16, "")):
        per_pixel = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
        samples = [(i * 4099 + 77) % (6 if colour == 3 else 1 << depth) for i in range(35 * per_pixel)]
        raw = b""
        for y in range(5):
            bits = "".join(format(v, "0%db" % depth) for v in samples[y * 7 * per_pixel:(y + 1) * 7 * per_pixel])
            bits += "0" * (-len(bits) % 8)
            raw += b"\0" + bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
        chunks = chunk(b"PLTE", bytes(v for i in range(6) for v in (i * 40, 255 - i * 40, i * 13))) if "P" in extra else b""
        if "T" in extra:  # the palette's first alphas, or the first pixel's colour as the transparent one
            chunks += chunk(b"tRNS", bytes([0, 128, 255, 7]) if colour == 3 else
                            b"".join(struct.pack(">H", v) for v in samples[:per_pixel]))
        names.append("in_%d_%d%s.png" % (colour, depth, extra))
        with open(os.path.join(work, names[-1]), "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 7, 5, depth, colour, 0, 0, 0)) +
                    chunks + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
    return names


# The call arguments of one argument set; images are files in the work folder.
def arguments(params, variant, serial):
    values = {"double": [["1.5", "0.7"], ["0.35", "2.25"]], "long": [["30", "-45", "60"], ["-20", "75", "5"]],
              "bool": [["-1"], ["0"]], "byte": [["2", "1", "0"], ["1", "2", "0"]], "image": [['"input.png"']] * 2,
              "image out": [['"%s_out.png"' % serial]] * 2, "string": [['"Tavrix 1"'], ['"Tavrix \\"2\\" \\\\ \u00e9"']],
              "font": [["null"], ['"DejaVu Sans, 14, bold"']], "WxH": [["23x17"], ["61x37"]]}
    return [["1", "0.5"][variant] if (i, name) == (0, "Completeness") else
            values[kind][variant][i % len(values[kind][variant])] for i, (name, kind) in enumerate(params)]


def main():
    native, vtx_exe, dll, wine = (os.path.abspath(p) for p in sys.argv[1:5])
    work = tempfile.mkdtemp(prefix="vtx-equivalence-")
    env = dict(os.environ, WINEPREFIX=os.path.join(work, "prefix"), WINEDEBUG="-all")

    # (exit code, output) of a command. The output goes to a file of its own:
    # Wine's services keep the streams of the command that started them.
    def run(command):
        handle, log = tempfile.mkstemp(dir=work)
        with open(handle, "w") as out:
            code = subprocess.run(command, cwd=work, env=env, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.STDOUT, timeout=300).returncode
        with open(log, encoding="utf-8", errors="replace") as f:
            return code, f.read().replace("\r\n", "\n")

    # The images a call wrote, each as the native writer writes it again.
    def images(serial):
        found = {}
        for f in (serial + "_result.png", serial + "_out.png"):
            if os.path.exists(os.path.join(work, f)):
                code = run([native, "--in", f, "--keep-alpha", "--out", "reread.png", "UseMask()"])[0]
                with open(os.path.join(work, "reread.png"), "rb") as png:
                    found[f] = (code, png.read())
                os.remove(os.path.join(work, f))
        return found

    passed = failed = 0
    try:
        regsvr32 = "C:\\windows\\%s\\regsvr32.exe" % ("syswow64" if "--win32" in sys.argv else "system32")
        setup = [run([wine, "wineboot"]), run([wine, regsvr32, "/s", dll]),
                 run([native, "--size", "37x23", "--keep-alpha", "--out", "input.png", "AdjustInvert(0.5)"])]
        if [code for code, _ in setup] != [0, 0, 0]:
            print("FAIL: setup (wineboot, regsvr32, input image): %r" % setup)
            return 1
        cases = [(f[:-4], ["--in", f], ["UseMask()"]) for f in write_inputs(work)]
        help_text = subprocess.run([native, "--help"], capture_output=True, text=True, check=True).stdout
        for m in re.finditer(r"^  (\w+)\((.*?)\)( -> )?", help_text.split("Members:", 1)[1], re.M):
            params = [tuple(s.strip() for s in p.split(":", 1)) for p in m.group(2).split(",") if p.strip()]
            for variant, size in ((0, "61x37"), (1, "61x37"), (0, "1x5")):
                serial = "%s_%s_%d_%s" % (m.group(1), "get" if m.group(3) else "call", variant, size)
                call = "%s(%s)" % (m.group(1), ", ".join(arguments(params, variant, serial)))
                cases.append((serial, ["--size", size], ["UseMask=-1", call] if variant else [call]))
        for serial, picture, calls in cases:
            results = [run(command + picture + ["--keep-alpha", "--out", serial + "_result.png"] + calls) +
                       (images(serial),) for command in ([native], [wine, vtx_exe])]
            # Noise and diffusion are seeded by the tick count, which the
            # component reads itself: their pictures differ from run to run;
            # the surface-drawn members differ by rasteriser. Only their exit
            # codes and output are compared.
            unpictured = CLOCK_SEEDED | BACKEND_RENDERED
            checked = ("exit codes", "output") if serial.split("_")[0] in unpictured else ("exit codes", "output", "images")
            problems = [what for what, n, w in zip(checked, *results) if n != w] + (
                [] if results[0][2] else ["no image written"])
            label = "%s: %s %s (exit %s)" % (serial, " ".join(picture), " ".join(calls), results[0][0])
            passed, failed = passed + (not problems), failed + bool(problems)
            print("FAIL: %s: %s: %r / %r" % (label, ", ".join(problems), results[0][:2], results[1][:2]) if problems
                  else "PASS: " + label)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
