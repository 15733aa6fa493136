#!/usr/bin/python3
# Prints the AT-SPI tree of the running Tarvix window; run by tools/accessibility_tree.sh.
import sys

import pyatspi


def find_application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app and app.name and "tarvix" in app.name.lower():
            return app
    return None


def describe_table(node, indent):
    table = node.queryTable()
    cells = []
    for row, column in ((0, 0), (0, 1), (1, 0)):
        if row < table.nRows and column < table.nColumns:
            cell = table.getAccessibleAt(row, column)
            cells.append(f"({row},{column})={cell.name!r}" if cell else f"({row},{column})=-")
    print(f"{indent}   rows={table.nRows} columns={table.nColumns} " + " ".join(cells))


def walk(node, depth=0):
    if depth > 12:
        return
    try:
        role = node.getRoleName()
    except Exception:
        return
    indent = "  " * depth
    print(f"{indent}[{role}] {node.name!r}")
    if role == "table":
        describe_table(node, indent)
        return
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1)


app = find_application()
if not app:
    sys.exit("the Tarvix window is not on the accessibility bus")
walk(app)
