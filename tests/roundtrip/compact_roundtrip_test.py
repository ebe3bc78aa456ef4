#!/usr/bin/env python3
"""Round trip of the compact layout: source -> modules -> LibreOffice Basic -> the same bytes.

    compact_roundtrip_test.py --gen GENERATOR --work DIR [--timeout SEC]

GENERATOR is quorvel-gen: it writes the modules of a source into a folder, one file per module
named after its VB_Name ("--layout compact [--private] [--dest DIR] [--max-lines N] -o FOLDER
FILE"), and the classic module of another file beside them ("--layout classic").  Every case runs twice, once through
Create_ and once through Bytes_ (which must return a Byte array from 0 and write no file), all
modules under Option Explicit, in one soffice call.  A split set of several modules is loaded
into one library; compact and classic modules of other files share a library with it.  A
module whose part raises an error must report it and leave no file open.  Exit 0 on success,
1 on failure, 77 (skip) when LibreOffice is not installed.
"""

import random
import re
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.dont_write_bytecode = True
sys.path.insert(0, str(HERE))
import run_basic  # noqa: E402

# LibreOffice miscompiles modules whose string constants pass about 63,000 characters: a
# part carries 16,000, so a split set is made of modules of three parts (80 lines).
SET_LINES = "80"


def sources():
    """(file name, bytes, generator options[, bytes already at the target])."""
    rng = random.Random(18)
    rand = lambda n: bytes(rng.randrange(256) for _ in range(n))  # noqa: E731
    return [
        ("empty.dat", b"", []),
        ("one.bin", b"\xA7", ["--dest", "C:\\Out"]),
        ("all256.bin", bytes(range(256)) + bytes(range(255, -1, -1)), ["--dest", "C:\\"]),
        ("line499.bin", rand(499), []),
        ("line500.bin", rand(500), []),
        ("line501.bin", rand(501), []),
        ("part7999.bin", rand(7999), []),
        ("part8000.bin", rand(8000), []),
        ("part8001.bin", rand(8001), []),
        ("private.tar.gz", bytes([0x00, 0x0A, 0x0D, 0x1A, 0x22, 0x7F, 0x80, 0xFF]) * 150,
         ["--private", "--dest", "D:\\Some Folder"]),
        ("it's #1 & co.txt", b'say "hi"\r\n', []),
        ("shorter.bin", rand(3000), [], rand(9000)),
        ("split.bin", rand(300001), ["--max-lines", SET_LINES]),
        # Past what a set of 80-line modules holds (about 760 KB): three parts a module.
        ("libreoffice.bin", rand(800000), ["--libreoffice"]),
    ]


def generate(generator, source, options, folder):
    folder.mkdir(parents=True)
    command = [generator, "--layout", "compact", *options, "-o", str(folder), str(source)]
    subprocess.run(command, check=True, timeout=120, stdout=subprocess.DEVNULL)
    modules = sorted(folder.glob("*.bas"), key=lambda p: (len(p.name), p.name))
    return modules[0], modules[1:]


def main():
    args = run_basic.harness_args(240.0)
    if args is None:
        return 77
    work = args.work
    failures = []
    cases = []   # (label, module, others, scratch, expected bytes, outcome, existing, call)
    made = {}
    for name, data, options, *existing in sources():
        source = work / "in" / name
        source.write_bytes(data)
        first, others = generate(args.gen, source, options, work / "mod" / name)
        made[name] = (first, others)
        if name == "libreoffice.bin" and len(others) != 33:
            failures.append(f"libreoffice.bin: {1 + len(others)} modules, expected 34")
        if name == "split.bin" and len(others) < 3:
            failures.append(f"split.bin: {1 + len(others)} modules, expected a set of several")
        for call in ("create", "bytes"):
            cases.append((f"{name} {call}", first, others, work / "out" / call / name, data,
                          "identical", existing[0] if existing and call == "create" else None, call))

    # Other files' modules, compact and classic, in the same library as the set.
    side = made["split.bin"][1] + [made["line500.bin"][0], made["private.tar.gz"][0]]
    classic = work / "mod" / "classic.bas"
    subprocess.run([args.gen, "--layout", "classic", "-o", str(classic), str(work / "in" / "one.bin")],
                   check=True, timeout=60)
    side.append(classic)
    cases.append(("split.bin beside other modules", made["split.bin"][0], side,
                  work / "out" / "side" / "split.bin", (work / "in" / "split.bin").read_bytes(),
                  "identical", None, "create"))

    # A part that fails half way: the error reaches the caller and the file is closed.
    failing = work / "mod" / "failing.bas"
    text = made["part8001.bin"][0].read_bytes()
    text = re.sub(rb'(Private Sub Part2\([^\r]*\r\n)W b,n,f,"[0-9A-F]*": End Sub',
                  rb"\1Error 61: End Sub", text)
    failing.write_bytes(text)
    cases.append(("error in a part", failing, [], work / "out" / "failing", b"", "error 61",
                  None, "create"))

    # The check of the check: with a file already at the target, the Bytes_ run must notice it
    # (that is how it tells that Bytes_ wrote no file).
    cases.append(("Bytes_ with a file at the target", made["one.bin"][0], [], work / "out" / "check",
                  b"", "error 58", b"x", "bytes"))

    pairs = [(module, scratch, existing, {"others": others, "call": call, "explicit": True})
             for _, module, others, scratch, _, _, existing, call in cases]
    result = run_basic.run_modules(pairs, timeout=args.timeout)
    print(f"soffice: profile start {result.init_seconds:.2f} s, "
          f"run of {len(cases)} module sets {result.run_seconds:.2f} s")
    if result.timed_out:
        failures.append(f"soffice timed out after {args.timeout:g} s; output:\n"
                        + result.soffice_output)

    for (label, module, _, _, expected, want, _, _), job in zip(cases, result.jobs):
        if want == "error 58":
            print(f"  {label}: {job.status}")
            if "run-time error 58" not in job.status:
                failures.append(f"{label}: expected error 58, got '{job.status}'")
            continue
        if want == "error 61":
            ok = "run-time error 61" in job.status and "[files left open 0]" in job.status
            written = job.target.read_bytes() if job.target.is_file() else b""
            ok = ok and written == (work / "in" / "part8001.bin").read_bytes()[:8000]
            print(f"  {label}: {job.status}, {len(written)} bytes written")
            if not ok:
                failures.append(f"{label}: expected error 61 with every file closed and the first "
                                f"part written; got '{job.status}', {len(written)} bytes")
            continue
        if not job.ok:
            failures.append(f"{label} ({module.name}): {job.status}")
            print(f"  {label}: {len(expected)} bytes, error")
            continue
        difference = run_basic.first_difference(expected, job.target.read_bytes())
        print(f"  {label}: {len(expected)} bytes, {job.seconds:.2f} s, "
              + ("differs" if difference else "identical"))
        if difference:
            failures.append(f"{label} ({module.name}): re-created file differs at {difference}")

    for failure in failures:
        print("FAIL " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
