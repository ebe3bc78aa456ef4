#!/usr/bin/env python3
"""Round trip: source file -> generated module -> LibreOffice Basic -> the same bytes.

    roundtrip_test.py --gen GENERATOR --work DIR [--timeout SEC]

GENERATOR is quorvel-gen.  Every
module of the run goes through one soffice call.  Three modules check the check:
one with a data digit altered must re-create different bytes, one that does not
empty an existing longer target must leave it longer, one whose target
name is taken by a folder must come back with a Basic run-time error.  Exit 0 on success, 1 on failure, 77 (skip) when
LibreOffice is not installed.
"""

import random
import re
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.dont_write_bytecode = True   # keep the source folder clean
sys.path.insert(0, str(HERE))
import run_basic  # noqa: E402

PART_LINE = re.compile(r"^(?:Public|Private) Sub .*_Part(\d+)\(\)\r$", re.M)


def expected_parts(n):
    full_lines = n // 32
    return 1 if full_lines < 100 else 2 + (full_lines - 100) // 101


def sources():
    """(file name, bytes, generator options[, bytes already at the target]): the files whose
    round trip is checked."""
    rng = random.Random(20090)
    # Bytes that text handling likes to damage: NUL, LF, CR, EOF mark, quote, high bit.
    awkward = bytes([0x00, 0x0A, 0x0D, 0x1A, 0x22, 0x7F, 0x80, 0x81, 0xFF]) * 11
    return [
        ("empty.dat", b"", []),
        ("a.b", bytes([0x00, 0x0A, 0xFF]), ["--dest", "C:\\Out"]),
        ("all256.bin", bytes(range(256)), ["--dest", "C:\\"]),            # doubled backslash
        ("boundary.bin", bytes(rng.randrange(256) for _ in range(3200)), []),  # 2nd part: empty call only
        ("random7000", bytes(rng.randrange(256) for _ in range(7000)), []),    # three parts
        ("private.tar.gz", awkward, ["--private", "--dest", "D:\\Some Folder"]),
        # An older, longer file at the target must not keep its tail.
        ("shorter.bin", bytes(rng.randrange(256) for _ in range(5000)), [],
         bytes(rng.randrange(256) for _ in range(5100))),
        ("it's #1 & co.txt", b"hi\r\n", []),                # characters VB code gives a meaning
    ]


def generate(generator, source, options, out):
    command = [generator] if not generator.endswith(".py") else [sys.executable, generator]
    subprocess.run(command + options + ["-o", str(out), str(source)], check=True, timeout=60)


def alter_first_digit(module_text):
    """The module with the first hex digit of its first data string changed."""
    m = re.search(rb'Call WriteBytes\("([0-9A-F])', module_text)
    if not m:
        raise ValueError("no data line with digits to alter")
    digit = m.group(1)
    replacement = b"1" if digit != b"1" else b"2"
    return module_text[:m.start(1)] + replacement + module_text[m.end(1):]


def main():
    args = run_basic.harness_args(120.0)
    if args is None:
        return 77
    work = args.work
    failures = []

    cases = []   # (label, module, scratch, expected bytes, expected outcome, existing target)
    for name, data, options, *existing in sources():
        source = work / "in" / name
        source.write_bytes(data)
        module = work / f"{name}.bas"
        generate(args.gen, source, options, module)
        parts = len(PART_LINE.findall(module.read_bytes().decode("latin-1")))
        if parts != expected_parts(len(data)):
            failures.append(f"{name}: {parts} part procedures, expected {expected_parts(len(data))}")
        cases.append((name, module, work / "out" / name, data, "identical", *existing))

    worked = HERE / "worked_example.bas"
    cases.append(("worked example (hand-written)", worked, work / "out" / "worked",
                  bytes([0x00, 0x0A, 0xFF]), "identical"))

    # The checks of the check: a damaged module must not pass, and a Basic run-time
    # error (here: the target name is taken by a folder) must end the run with a report.
    altered = work / "altered.bas"
    altered.write_bytes(alter_first_digit((work / "all256.bin.bas").read_bytes()))
    cases.append(("altered data", altered, work / "out" / "altered", bytes(range(256)),
                  "differs"))
    # Without the line that empties the target, the older file's tail would remain.
    shorter = next(source for source in sources() if source[0] == "shorter.bin")
    unemptied = work / "unemptied.bas"
    unemptied.write_bytes(re.sub(rb"Open [^\r]* For Output As cl_fp: Close #cl_fp\r\n", b"",
                                 (work / "shorter.bin.bas").read_bytes()))
    cases.append(("target not emptied", unemptied, work / "out" / "unemptied", shorter[1],
                  "differs", shorter[3]))
    (work / "out" / "blocked" / "a.b").mkdir(parents=True)
    cases.append(("unwritable target", worked, work / "out" / "blocked", b"", "error"))

    result = run_basic.run_modules([(module, scratch, *existing)
                                    for _, module, scratch, _, _, *existing in cases],
                                   timeout=args.timeout)
    print(f"soffice: profile start {result.init_seconds:.2f} s, "
          f"run of {len(cases)} modules {result.run_seconds:.2f} s")
    if result.timed_out:
        failures.append(f"soffice timed out after {args.timeout:g} s; output:\n"
                        + result.soffice_output)

    for (label, module, _, expected, want, *_), job in zip(cases, result.jobs):
        if not job.ok:
            outcome = "error"
            detail = job.status
        else:
            difference = run_basic.first_difference(expected, job.target.read_bytes())
            outcome = "differs" if difference else "identical"
            detail = f"re-created file differs at {difference}" if difference else \
                "re-created file is identical"
        print(f"  {label}: {len(expected)} bytes, {job.seconds:.2f} s, {outcome}"
              + ("" if outcome == want else f" (expected {want})"))
        if outcome != want:
            failures.append(f"{label} ({module.name}): {detail}")
        elif want == "error" and "run-time error" not in job.status:
            failures.append(f"{label}: reported as '{job.status}', not as a Basic run-time error")

    for failure in failures:
        print("FAIL " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
