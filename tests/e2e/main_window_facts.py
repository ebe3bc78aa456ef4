"""What the end-to-end tests know of the main window, read from the sources that make it.

    main_window_facts.py SOURCE_FOLDER

Prints shell assignments for lib.sh: C_<row>='#<id>' for every row of frmMain's control table
(the identifiers follow the rows of frmMain::Ctl from kFirstId on), and MAIN_LAYOUT, one
"<selector> <x> <y> <w> <h>" a window (the main window's client area first, as "."), at 96 DPI
with the containers' offsets added, as the window places them. A table it cannot read ends
it with an error naming what is missing, so a change of the sources never leaves stale facts.
"""
import pathlib
import re
import sys


def fail(what):
    sys.exit(f"main_window_facts.py: {what}")


def pixels(twips):
    # MulDiv(twips, 96, 1440): rounded to the nearest, as the window does.
    return (twips * 96 + 720) // 1440


def main():
    root = pathlib.Path(sys.argv[1])
    header = (root / "mainwindow/frmMain.h").read_text(encoding="utf-8")
    layout = (root / "mainwindow/frmMainLayout.cpp").read_text(encoding="utf-8")

    enum = re.search(r"enum Ctl : size_t \{([^}]*)\}", header)
    first = re.search(r"kFirstId = (\d+);", header)
    if not enum or not first:
        fail("frmMain.h has no enum Ctl or no kFirstId")
    rows = [name.strip() for name in enum.group(1).split(",") if name.strip()]
    if rows[-1] != "kControlCount":
        fail("enum Ctl does not end with kControlCount")
    rows.pop()
    ids = {name: int(first.group(1)) + index for index, name in enumerate(rows)}

    size = {key: re.search(rf"{key} = (\d+);", layout) for key in ("kClientWidth", "kClientHeight")}
    if not all(size.values()):
        fail("frmMainLayout.cpp has no kClientWidth or kClientHeight")
    table = re.search(r"kTable\{\{(.*?)\n\}\};", layout, re.S)
    if not table:
        fail("frmMainLayout.cpp has no kTable")
    places = {}
    order = []
    for entry in re.split(r"\n\s*\{\.name = ", table.group(1))[1:]:
        name = re.match(r'L"(\w+)"', entry)
        place = re.search(r"\.place = \{(\d+), (\d+), (\d+), (\d+)\}", entry)
        if not name or not place:
            fail(f"a row of kTable without a name or a place: {entry[:60]!r}")
        container = re.search(r"\.container = F::(\w+)", entry)
        places[name.group(1)] = ([int(v) for v in place.groups()], container.group(1) if container else None,
                                 ".className" in entry)
        order.append(name.group(1))
    if sorted(order) != sorted(rows):
        fail(f"kTable's rows {order} are not the rows of enum Ctl {rows}")

    print(f"MAIN_CLIENT_SIZE='{pixels(int(size['kClientWidth'].group(1)))} {pixels(int(size['kClientHeight'].group(1)))}'")
    layout_rows = [f"\". 0 0 {pixels(int(size['kClientWidth'].group(1)))} {pixels(int(size['kClientHeight'].group(1)))}\""]
    for name in rows:
        print(f"C_{name}='#{ids[name]}'")
        (left, top, width, height), container, window = places[name]
        while container:
            (cleft, ctop, _, _), container, _ = places[container]
            left, top = left + cleft, top + ctop
        if window:  # the labels are painted on the window: no window of their own
            layout_rows.append(f"\"#{ids[name]} {pixels(left)} {pixels(top)} {pixels(width)} {pixels(height)}\"")
    print("MAIN_LAYOUT=(" + " ".join(layout_rows) + ")")


if __name__ == "__main__":
    main()
