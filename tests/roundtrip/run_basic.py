#!/usr/bin/env python3
"""Runs generated Visual Basic modules in LibreOffice Basic (headless).

    run_basic.py [--timeout SEC] [--keep-profile DIR] MODULE SCRATCH [MODULE SCRATCH ...]

Every MODULE (Windows-1252 text, CRLF lines, as Quorvel writes it) is run once;
the file its Create_ procedure writes lands in the folder SCRATCH paired with
it instead of the folder named on its Open line.  All modules share one fresh
LibreOffice profile and one soffice call: each goes into a library of its own
(its names never meet those of another module), and a driver in the Standard
library calls them one after the other.

Adaptations, all outside the generated code itself:
  * the `Attribute VB_Name` line is module metadata, not Basic: it is replaced
    by `Option VBASupport 1` (VB semantics where LibreOffice Basic has a choice);
  * the folder on the Open lines becomes SCRATCH (the file name is kept as the
    module spells it, doubled quotes and all);
  * an entry procedure is appended to the module; it calls Create_<stem> under
    On Error and records the outcome in a status file, because a run-time
    error that reached LibreOffice would show a dialog that nobody closes.

Exit status 0 when every module ran without a Basic error and its file exists;
1 otherwise, with one diagnostic line per failed module on stderr; 2 on usage
errors.  Also usable as a library: run_modules().

Limits seen with LibreOffice 7.4: a module whose string constants pass about
63,000 characters (a source file above about 31,000 bytes) is compiled wrongly
and fails with invented names; syntax errors are shown only in a dialog, so such
a module simply reports nothing.  A start of soffice costs about one second.
"""

from __future__ import annotations

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path
from xml.sax.saxutils import escape

SOFFICE = os.environ.get("SOFFICE", "soffice")

# Open "<folder>\<file name>" For Output As cl_fp: Close #cl_fp   (empties the target)
# Open "<folder>\<file name>" For Binary As cl_fp
# and the same with the compact layout's local file number: "As #f", "Close #f".
OPEN_LINE = re.compile(r'^Open "(?P<path>(?:[^"]|"")*)" '
                       r'(?P<mode>For Output As cl_fp: Close #cl_fp|For Binary As cl_fp|'
                       r'For Output As #f: Close #f|For Binary As #f)$')
BINARY_MODES = ("For Binary As cl_fp", "For Binary As #f")
CREATE_SUB = re.compile(r'^(?:Public|Private) Sub (?P<name>Create_.*?)\s*\(\s*\)\s*$')
USE_COMMENT = re.compile(r"^' Use: (?P<name>Create_.*?)\(\s*\)\s*$")

ENTRY = "Quorvel_RoundTrip_Entry"

# LibreOffice Basic 7.4 garbles names and strings once a module's string constants
# pass about 63,000 characters (a source file of about 31,000 bytes).
LITERAL_LIMIT = 60000

XML_HEAD = ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<!DOCTYPE {kind} PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "{dtd}">\n')


class RunnerError(Exception):
    """A module that cannot be prepared, or soffice that does not behave."""


@dataclass
class Job:
    module: Path
    scratch: Path
    existing: bytes | None = None   # a file already at the target before the run
    others: tuple = ()              # the other modules of a set, loaded beside the first
    call: str = "create"            # "create": run Create_; "bytes": keep Bytes_'s array
    library: str = ""
    target: Path | None = None      # where the re-created file is expected
    create: str = ""                # name of the Create_ procedure
    status: str = ""                # "ok" or the diagnostic of the Basic run
    seconds: float = 0.0            # time of this module inside the soffice call
    literal_chars: int = 0          # characters inside string constants

    @property
    def ok(self):
        return self.status == "ok" and self.target is not None and self.target.is_file()


@dataclass
class Result:
    jobs: list = field(default_factory=list)
    init_seconds: float = 0.0       # first soffice start: creates the profile
    run_seconds: float = 0.0        # the soffice call that runs the modules
    timed_out: bool = False
    soffice_output: str = ""

    @property
    def ok(self):
        return not self.timed_out and all(j.ok for j in self.jobs)


# The round trips' command line (--gen, --work, --timeout), with the work folder made anew and
# its in/ folder ready; None when LibreOffice is not installed (the caller skips, exit 77).
def harness_args(default_timeout):
    parser = argparse.ArgumentParser()
    parser.add_argument("--gen", required=True)
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--timeout", type=float, default=default_timeout)
    args = parser.parse_args()
    if not shutil.which(SOFFICE):
        print("soffice not found: LibreOffice round trip skipped")
        return None
    shutil.rmtree(args.work, ignore_errors=True)
    (args.work / "in").mkdir(parents=True)
    return args


# Where two byte strings first differ, in words; None when they are equal.
def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return f"byte {i}: expected 0x{x:02X}, got 0x{y:02X}"
    return f"length: expected {len(a)}, got {len(b)}" if len(a) != len(b) else None


def read_module(path):
    data = Path(path).read_bytes()
    try:
        text = data.decode("cp1252")
    except UnicodeDecodeError:
        # The five bytes Windows-1252 leaves undefined keep their own code points.
        text = "".join(chr(b) if b in b"\x81\x8d\x8f\x90\x9d" else bytes([b]).decode("cp1252")
                       for b in data)
    if "\r\n" not in text and text:
        raise RunnerError(f"{path}: lines do not end with CRLF")
    lines = text.split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def basic_string(text):
    return '"' + text.replace('"', '""') + '"'


def adapt_module(lines, scratch, status_file, source_name="module", call="create"):
    """Returns (Basic source, Create_ name, re-created file path).  With call "bytes" the
    entry keeps what Bytes_ returns instead, checks that it is a Byte array from 0 and that
    no file was written, and writes the array to the same target itself."""
    out, create, target = [], None, None
    use_comment = None
    paths = {}
    for number, line in enumerate(lines, 1):
        if number == 1 and line.startswith("Attribute VB_Name"):
            out.append("Option VBASupport 1")
            continue
        m = OPEN_LINE.match(line)
        if m:
            mode = m.group("mode")
            if mode in paths:
                raise RunnerError(f"{source_name}:{number}: a second Open line {mode}")
            if paths and m.group("path") not in paths.values():
                raise RunnerError(f"{source_name}:{number}: the Open lines name different files")
            paths[mode] = m.group("path")
            quoted_name = m.group("path").rsplit("\\", 1)[-1]
            target = Path(scratch) / quoted_name.replace('""', '"')
            line = f'Open {basic_string(str(scratch))[:-1]}/{quoted_name}" {mode}'
        m = CREATE_SUB.match(line)
        if m:
            create = m.group("name")
        m = USE_COMMENT.match(line)
        if m and use_comment is None:
            use_comment = m.group("name")
        out.append(line)
    if out and out[0] != "Option VBASupport 1":
        out.insert(0, "Option VBASupport 1")
    create = create or use_comment
    if not create:
        raise RunnerError(f"{source_name}: no Create_ procedure and no Use comment")
    if not any(mode in paths for mode in BINARY_MODES):
        raise RunnerError(f"{source_name}: no line 'Open \"...\" For Binary As ...'")
    status = basic_string(str(status_file))
    if call == "bytes":
        bytes_name = "Bytes_" + create[len("Create_"):]
        run = [f"quorvelBytes = {bytes_name}()",
               f"If Dir({basic_string(str(target))}) <> \"\" Then Err.Raise 58",
               'If TypeName(quorvelBytes) <> "Byte()" Then Err.Raise 13',
               "If LBound(quorvelBytes) <> 0 Then Err.Raise 9",
               "quorvelArray = quorvelBytes",
               "quorvelFile = FreeFile",
               f"Open {basic_string(str(target))} For Binary As #quorvelFile",
               "If UBound(quorvelArray) >= 0 Then Put #quorvelFile, , quorvelArray",
               "Close #quorvelFile"]
    else:
        run = [f"Call {create}"]
    out += [
        "",
        f"Public Sub {ENTRY}()",
        "Dim quorvelStatus As Integer, quorvelFile As Integer, quorvelMessage As String",
        "Dim quorvelBytes As Variant, quorvelArray() As Byte",
        "Dim quorvelBase As Integer",
        "quorvelBase = FreeFile",
        "On Error GoTo QuorvelFailed",
        *run,
        "quorvelStatus = FreeFile",
        f"Open {status} For Output As #quorvelStatus",
        'Print #quorvelStatus, "ok"',
        "Close #quorvelStatus",
        "Exit Sub",
        "QuorvelFailed:",
        'quorvelMessage = "Basic run-time error " & Err & ": " & Error$',
        # The lowest free file number tells whether the module closed the files it opened
        # (when they were the lowest free ones).
        "quorvelFile = FreeFile",
        "quorvelStatus = FreeFile",
        f"Open {status} For Output As #quorvelStatus",
        'Print #quorvelStatus, quorvelMessage & " [files left open " & (quorvelFile - quorvelBase) & "]"',
        "Close #quorvelStatus",
        "End Sub",
    ]
    return "\n".join(out) + "\n", create, target


def driver_source(libraries, status_dir):
    """Standard.Module1.Main: runs every library's entry, then ends LibreOffice."""
    names = ", ".join(basic_string(lib) for lib in libraries)
    done = basic_string(str(Path(status_dir) / "done"))
    return f"""Option Explicit

Sub Main
Dim libs As Variant, i As Integer, provider As Object, script As Object
Dim log As Integer, started As Long
libs = Array({names})
provider = createUnoService("com.sun.star.script.provider.MasterScriptProviderFactory").createScriptProvider("")
log = FreeFile
Open {done} For Output As #log
For i = 0 To UBound(libs)
    started = GetSystemTicks()
    On Error GoTo NotRun
    script = provider.getScript("vnd.sun.star.script:" & libs(i) & ".Module1.{ENTRY}?language=Basic&location=application")
    script.invoke(Array(), Array(), Array())
    On Error GoTo 0
    Print #log, libs(i) & " " & Format((GetSystemTicks() - started) / 1000, "0.000")
    GoTo NextLib
NotRun:
    Print #log, libs(i) & " " & Format((GetSystemTicks() - started) / 1000, "0.000") & " not run: " & Error$
    Resume NextLib
NextLib:
Next i
Print #log, "end"
Close #log
StarDesktop.terminate()
End Sub
"""


def write_library(basic_dir, library, modules):
    lib_dir = basic_dir / library
    lib_dir.mkdir(parents=True, exist_ok=True)
    elements = ""
    for name, code in modules.items():
        (lib_dir / f"{name}.xba").write_text(
            XML_HEAD.format(kind="script:module", dtd="module.dtd")
            + '<script:module xmlns:script="http://openoffice.org/2000/script" '
            + f'script:name="{name}" script:language="StarBasic">'
            + escape(code) + "</script:module>\n", encoding="utf-8")
        elements += f' <library:element library:name="{name}"/>\n'
    attrs = (f'xmlns:library="http://openoffice.org/2000/library" library:name="{library}" '
             'library:readonly="false" library:passwordprotected="false"')
    (lib_dir / "script.xlb").write_text(
        XML_HEAD.format(kind="library:library", dtd="library.dtd")
        + f"<library:library {attrs}>\n{elements}</library:library>\n", encoding="utf-8")
    (lib_dir / "dialog.xlb").write_text(
        XML_HEAD.format(kind="library:library", dtd="library.dtd")
        + f"<library:library {attrs}/>\n", encoding="utf-8")


def write_containers(basic_dir, libraries):
    entries = "".join(
        f' <library:library library:name="{lib}" xlink:href="$(USER)/basic/{lib}/{{file}}" '
        f'xlink:type="simple" library:link="false"/>\n' for lib in libraries if lib != "Standard")
    for container, xlb in (("script.xlc", "script.xlb"), ("dialog.xlc", "dialog.xlb")):
        (basic_dir / container).write_text(
            XML_HEAD.format(kind="library:libraries", dtd="libraries.dtd")
            + '<library:libraries xmlns:library="http://openoffice.org/2000/library" '
            + 'xmlns:xlink="http://www.w3.org/1999/xlink">\n'
            + ' <library:library library:name="Standard" library:link="false"/>\n'
            + entries.replace("{file}", xlb)
            + "</library:libraries>\n", encoding="utf-8")


def profile_processes(profile_url):
    """Process ids of every soffice still running on this profile."""
    pids = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            cmdline = (entry / "cmdline").read_bytes().decode(errors="replace")
        except OSError:
            continue
        if profile_url in cmdline and int(entry.name) != os.getpid():
            pids.append(int(entry.name))
    return pids


def soffice(profile_url, args, timeout):
    """Runs soffice in its own process group; returns (seconds, output, timed out)."""
    command = [SOFFICE, f"-env:UserInstallation={profile_url}", "--headless", "--invisible",
               "--norestore", "--nologo", "--nodefault", "--nolockcheck", *args]
    started = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    timed_out = False
    try:
        output, _ = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        timed_out = True
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        output, _ = process.communicate()
    # soffice.bin may outlive its launcher, in the group or detached from it.
    for pid in profile_processes(profile_url):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    return time.monotonic() - started, output.decode(errors="replace"), timed_out


def run_modules(pairs, timeout=120.0, keep_profile=False, profile=None):
    """pairs: [(module path, scratch folder[, bytes already at the target[, options]])], where
    options may hold "others" (the other modules of a set, in order) and "call" ("create" or
    "bytes").  Returns a Result."""
    result = Result()
    owns_profile = profile is None
    profile = Path(profile or tempfile.mkdtemp(prefix="quorvel-lobasic-"))
    try:
        profile_url = profile.resolve().as_uri()
        status_dir = profile / "status"
        shutil.rmtree(status_dir, ignore_errors=True)
        status_dir.mkdir(parents=True)
        modules = []
        for index, (module, scratch, *existing) in enumerate(pairs, 1):
            options = existing[1] if len(existing) > 1 else {}
            job = Job(Path(module), Path(scratch).resolve(), existing[0] if existing else None,
                      others=tuple(options.get("others", ())), call=options.get("call", "create"),
                      library=f"QuorvelRun{index}")
            job.scratch.mkdir(parents=True, exist_ok=True)
            code, job.create, job.target = adapt_module(
                read_module(job.module), job.scratch, status_dir / f"{job.library}.txt",
                str(job.module), job.call)
            if options.get("explicit"):
                code = code.replace("Option VBASupport 1\n", "Option VBASupport 1\nOption Explicit\n", 1)
            code = {"Module1": code}
            for number, other in enumerate(job.others, 2):
                lines = read_module(other)
                if lines and lines[0].startswith("Attribute VB_Name"):
                    lines[0] = "Option VBASupport 1" + ("\nOption Explicit" if options.get("explicit") else "")
                code[f"Module{number}"] = "\n".join(lines) + "\n"
            job.literal_chars = max(sum(len(m) for m in re.findall(r'"([^"]*)"', c))
                                    for c in code.values())
            if job.existing is not None:
                job.target.write_bytes(job.existing)
            elif job.target.is_file():
                job.target.unlink()
            modules.append(code)
            result.jobs.append(job)

        # The first start creates the profile and copies the default Basic libraries
        # over user/basic, so the modules are written only after it.
        result.init_seconds, output, timed_out = soffice(profile_url, ["--terminate_after_init"],
                                                         timeout)
        if timed_out:
            result.timed_out = True
            result.soffice_output = output
            return result
        basic_dir = profile / "user" / "basic"
        libraries = [job.library for job in result.jobs]
        write_library(basic_dir, "Standard", {"Module1": driver_source(libraries, status_dir)})
        for job, code in zip(result.jobs, modules):
            write_library(basic_dir, job.library, code)
        write_containers(basic_dir, ["Standard", *libraries])

        result.run_seconds, result.soffice_output, result.timed_out = soffice(
            profile_url, ["macro:///Standard.Module1.Main"], timeout)

        timings = {}
        done = status_dir / "done"
        if done.exists():
            for line in done.read_text(errors="replace").splitlines():
                parts = line.split(" ", 2)
                if len(parts) >= 2:
                    timings[parts[0]] = parts[1:]
        for job in result.jobs:
            status = status_dir / f"{job.library}.txt"
            entry = timings.get(job.library)
            if entry:
                try:
                    job.seconds = float(entry[0])
                except ValueError:
                    pass
            if status.exists():
                job.status = status.read_text(errors="replace").strip()
            elif entry and len(entry) > 1:
                job.status = "LibreOffice did " + entry[1]
            elif result.timed_out:
                job.status = f"no result: soffice killed after {timeout:g} s"
            else:
                job.status = ("nothing ran: LibreOffice Basic could not compile the module "
                              "(it reports syntax errors only in a dialog)")
            if job.status == "ok" and not job.target.is_file():
                job.status = f"ran, but {job.target} does not exist"
            if job.status != "ok" and job.literal_chars > LITERAL_LIMIT:
                job.status += (f" [its string constants total {job.literal_chars} characters; "
                               "LibreOffice Basic miscompiles modules above about 63,000]")
        return result
    finally:
        if owns_profile and not keep_profile:
            shutil.rmtree(profile, ignore_errors=True)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--timeout", type=float, default=120.0,
                        help="seconds allowed to each soffice call (default 120)")
    parser.add_argument("--keep-profile", metavar="DIR",
                        help="build the LibreOffice profile in DIR and keep it")
    parser.add_argument("items", nargs="+", metavar="MODULE SCRATCH")
    args = parser.parse_args(argv)
    if len(args.items) % 2:
        parser.error("expected pairs of MODULE SCRATCH")
    pairs = list(zip(args.items[0::2], args.items[1::2]))
    try:
        result = run_modules(pairs, args.timeout, keep_profile=bool(args.keep_profile),
                             profile=args.keep_profile)
    except (RunnerError, OSError) as error:
        print(f"run_basic: {error}", file=sys.stderr)
        return 1
    print(f"soffice: profile start {result.init_seconds:.2f} s, "
          f"module run {result.run_seconds:.2f} s ({len(result.jobs)} modules)")
    for job in result.jobs:
        if job.ok:
            print(f"created {job.target} ({job.target.stat().st_size} bytes, {job.seconds:.2f} s)")
        else:
            print(f"run_basic: {job.module}: {job.status}", file=sys.stderr)
    if result.timed_out:
        print(f"run_basic: soffice timed out after {args.timeout:g} s and was killed; "
              f"its output:\n{result.soffice_output}", file=sys.stderr)
    return 0 if result.ok else 1


if __name__ == "__main__":
    sys.exit(main())
