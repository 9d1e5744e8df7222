#!/usr/bin/python3
"""What a screen reader finds of a running program through AT-SPI: one JSON object naming each
window titled TITLE among the program's accessible objects, with its description and the names
of the objects inside it, in tree order.

Usage: read_accessible.py PID TITLE...
Exits 1 with a line on standard error when the program is not on the accessibility bus.
Needs python3-pyatspi and an accessibility bus (at-spi2-core) on the session bus.
"""

import json
import sys

import pyatspi


def names_inside(node, depth=0):
    found = []
    for child in node:
        if child is None:
            continue
        if child.name:
            found.append(child.name)
        if depth < 4:
            found += names_inside(child, depth + 1)
    return found


MENUS = (pyatspi.ROLE_MENU_BAR, pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM,
         pyatspi.ROLE_RADIO_MENU_ITEM)


def find(node, titles, found, depth=0):
    for child in node:
        if child is None or child.getRole() in MENUS:
            continue  # the Window menu's items bear the windows' titles too
        if child.name in titles and child.name not in found:
            found[child.name] = {
                "role": child.getRoleName(),
                "description": child.description,
                "inside": names_inside(child),
            }
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
