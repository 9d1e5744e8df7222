#!/usr/bin/python3
"""What a screen reader finds of a running program through AT-SPI: one JSON object naming each
window titled TITLE among the program's accessible objects, with its description, the names and
the descriptions of the objects inside it in tree order, and the tables inside it as their Table
interface gives them: column headers, the cells' texts row by row, the selected rows.

Usage: read_accessible.py PID TITLE...
Exits 1 with a line on standard error when the program is not on the accessibility bus.
Needs python3-pyatspi and an accessibility bus (at-spi2-core) on the session bus.
"""

import json
import sys

import pyatspi


def table_of(node):
    try:
        table = node.queryTable()
    except NotImplementedError:
        return None
    columns = range(table.nColumns)
    return {
        "headers": [table.getColumnHeader(c).name if table.getColumnHeader(c) else "" for c in columns],
        "rows": [[table.getAccessibleAt(r, c).name for c in columns] for r in range(table.nRows)],
        "selected": [r for r in range(table.nRows) if table.isRowSelected(r)],
        "description": node.description,
    }


def inside(node, found, depth=0):
    """Adds the names, descriptions and tables of the objects inside node to found."""
    for child in node:
        if child is None:
            continue
        if child.name:
            found["inside"].append(child.name)
        if child.description:
            found["descriptions"].append(child.description)
        if child.getRole() == pyatspi.ROLE_TABLE:
            table = table_of(child)
            if table is not None:
                found["tables"].append(table)
                continue  # its cells are in the table
        if depth < 4:
            inside(child, found, depth + 1)
    return found


MENUS = (pyatspi.ROLE_MENU_BAR, pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM,
         pyatspi.ROLE_RADIO_MENU_ITEM)


def find(node, titles, found, depth=0):
    for child in node:
        if child is None or child.getRole() in MENUS:
            continue  # the Window menu's items bear the windows' titles too
        if child.name in titles and child.name not in found:
            found[child.name] = inside(child, {
                "role": child.getRoleName(),
                "description": child.description,
                "inside": [],
                "descriptions": [],
                "tables": [],
            })
        if depth < 6:
            find(child, titles, found, depth + 1)


def main():
    pid = int(sys.argv[1])
    titles = set(sys.argv[2:])
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            found = {}
            find(app, titles, found)
            print(json.dumps(found))
            return 0
    print("read_accessible: no application of process %d on the accessibility bus" % pid, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
