#!/usr/bin/env python3
"""Times the generated modules in LibreOffice Basic: classic Create_ against compact Create_
and Bytes_, on the same file, in one soffice run.

    tools/bench-lobasic-layouts.py [--gen GENERATOR] [--size BYTES] [--runs N] [--max-lines N]

GENERATOR writes the modules of either layout into a folder ("--layout classic|compact
[--max-lines N] -o FOLDER FILE"; default build/native/bin/quorvel-gen).  Each run
calls the three procedures in turn and times each alone with GetSystemTicks; the medians and
their ratios are printed.  The re-created files are compared with the source.  LibreOffice's
interpreter spends its time decoding; in VB6 and VBA, where DoEvents costs far more, the
compact layout gains more, which cannot be measured here.
"""

import argparse
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.dont_write_bytecode = True
sys.path.insert(0, str(REPO / "tests" / "roundtrip"))
import run_basic  # noqa: E402


def modules(generator, layout, source, folder, max_lines):
    folder.mkdir(parents=True)
    command = [generator, "--layout", layout, "-o", str(folder), str(source)]
    if max_lines:
        command[1:1] = ["--max-lines", str(max_lines)]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, timeout=120)
    return sorted(folder.glob("*.bas"), key=lambda p: (len(p.name), p.name))


def basic_module(path, scratch):
    """The module as LibreOffice Basic takes it, writing into scratch."""
    out = []
    for number, line in enumerate(run_basic.read_module(path), 1):
        if number == 1 and line.startswith("Attribute VB_Name"):
            line = "Option VBASupport 1"
        m = run_basic.OPEN_LINE.match(line)
        if m:
            name = m.group("path").rsplit("\\", 1)[-1]
            line = f'Open {run_basic.basic_string(str(scratch))[:-1]}/{name}" {m.group("mode")}'
        out.append(line)
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--gen", default=str(REPO / "build/native/bin/quorvel-gen"))
    parser.add_argument("--size", type=int, default=30000)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--max-lines", type=int, default=0,
                        help="line budget of the compact set (LibreOffice miscompiles modules "
                             "with about 63,000 characters of string constants)")
    args = parser.parse_args()
    if not shutil.which(run_basic.SOFFICE):
        print("soffice not found")
        return 1

    work = Path(tempfile.mkdtemp(prefix="quorvel-lobench-"))
    try:
        rng = random.Random(30000)
        data = bytes(rng.randrange(256) for _ in range(args.size))
        for name in ("classic.bin", "compact.bin"):
            (work / name).write_bytes(data)
        scratch = work / "out"
        scratch.mkdir()
        classic = modules(args.gen, "classic", work / "classic.bin", work / "classic", 0)
        compact = modules(args.gen, "compact", work / "compact.bin", work / "compact", args.max_lines)
        library = {"Classic": basic_module(classic[0], scratch)}
        for k, path in enumerate(compact, 1):
            library[f"Compact{k}"] = basic_module(path, scratch)
        log = run_basic.basic_string(str(work / "ticks.txt"))
        copy = run_basic.basic_string(str(scratch / "bytes.bin"))
        library["Timing"] = f"""Option VBASupport 1
Option Explicit
Sub Go
Dim r As Integer, t As Long, f As Integer, b() As Byte, log As Integer
log = FreeFile
Open {log} For Output As #log
On Error GoTo Failed
For r = 1 To {args.runs}
t = GetSystemTicks()
Call Create_classic_bin()
Print #log, "classic " & (GetSystemTicks() - t)
t = GetSystemTicks()
Call Create_compact_bin()
Print #log, "compact " & (GetSystemTicks() - t)
t = GetSystemTicks()
b = Bytes_compact_bin()
Print #log, "bytes " & (GetSystemTicks() - t)
Next
Close #log
f = FreeFile
Open {copy} For Binary As #f
Put #f, , b
Close #f
Exit Sub
Failed:
Print #log, "error " & Err & " " & Error$
Close #log
End Sub
"""
        profile = work / "profile"
        url = profile.resolve().as_uri()
        run_basic.soffice(url, ["--terminate_after_init"], 120)
        basic = profile / "user" / "basic"
        driver = """Sub Main
Dim provider As Object, script As Object
provider = createUnoService("com.sun.star.script.provider.MasterScriptProviderFactory").createScriptProvider("")
script = provider.getScript("vnd.sun.star.script:Bench.Timing.Go?language=Basic&location=application")
script.invoke(Array(), Array(), Array())
StarDesktop.terminate()
End Sub
"""
        run_basic.write_library(basic, "Standard", {"Module1": driver})
        run_basic.write_library(basic, "Bench", library)
        run_basic.write_containers(basic, ["Standard", "Bench"])
        seconds, output, timed_out = run_basic.soffice(url, ["macro:///Standard.Module1.Main"], 900)
        ticks = {}
        ticks_file = work / "ticks.txt"
        if timed_out or not ticks_file.exists():
            print(f"no timings (timed out: {timed_out}); soffice said:\n{output}")
            return 1
        for line in ticks_file.read_text().splitlines():
            what, value = line.split(" ", 1)
            if what == "error":
                print(f"FAIL: Basic run-time error {value}")
                return 1
            ticks.setdefault(what, []).append(int(value))
        for name in ("classic.bin", "compact.bin", "bytes.bin"):
            if not (scratch / name).is_file() or (scratch / name).read_bytes() != data:
                print(f"FAIL: {name} differs from the source")
                return 1
        if set(ticks) != {"classic", "compact", "bytes"}:
            print(f"FAIL: the runs did not finish: {ticks}")
            return 1
        median = {what: statistics.median(values) for what, values in ticks.items()}
        print(f"{args.size} bytes; compact: {len(compact)} module(s); {args.runs} runs in one soffice "
              f"({seconds:.1f} s)")
        for what in ("classic", "compact", "bytes"):
            print(f"  {what:8s} median {median[what]:7.0f} ms   runs {ticks[what]}")
        print(f"  classic Create_ / compact Create_: {median['classic'] / median['compact']:.1f} x")
        print(f"  classic Create_ / compact Bytes_:  {median['classic'] / median['bytes']:.1f} x")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
