"""The help page's worked example is the module it says it is.

    help_example_test.py PAGE FIXTURE

The example on PAGE (the first <pre> after its introduction) is FIXTURE with lines left out:
every line shown is the fixture's next line, in order, and every gap is marked by a line that
is only "..." (or "' ..." inside the comment block). Exits 1 naming the first line that is not.
"""
import html
import re
import sys

INTRODUCTION = "A module for a three-byte file"


def example(page_text):
    start = page_text.find(INTRODUCTION)
    if start < 0:
        sys.exit(f"the page has no example introduced by '{INTRODUCTION}'")
    block = re.search(r"<pre>(.*?)</pre>", page_text[start:], re.S)
    if not block:
        sys.exit("the example has no <pre> block")
    return html.unescape(block.group(1)).split("\n")


def faults(shown, fixture):
    problems = []
    at = 0
    gap = False
    for number, line in enumerate(shown, 1):
        if line.strip() in ("...", "' ..."):
            gap = True
            continue
        if gap:
            while at < len(fixture) and fixture[at] != line:
                at += 1
        if at >= len(fixture) or fixture[at] != line:
            expected = fixture[at] if at < len(fixture) else "(the end of the module)"
            problems.append(f"line {number} of the example, {line!r}, where the module has {expected!r}")
            break
        at += 1
        gap = False
    if not problems and at < len(fixture) and not gap:
        problems.append(f"the example ends before the module does, at {fixture[at]!r}, without '...'")
    return problems


def main():
    page, fixture = sys.argv[1], sys.argv[2]
    shown = example(open(page, encoding="utf-8").read())
    module = open(fixture, "rb").read().decode("cp1252").split("\r\n")
    if module and module[-1] == "":
        module.pop()
    problems = faults(shown, module)
    for problem in problems:
        print(f"FAIL {page}: {problem}", file=sys.stderr)
    if not problems:
        print(f"the example of {page} is {fixture} with {sum(l.strip() in ('...', chr(39) + ' ...') for l in shown)} gap(s) marked")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
