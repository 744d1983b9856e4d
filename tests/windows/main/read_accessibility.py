#!/usr/bin/python3
"""What an assistive tool finds of a running program over the accessibility bus.

read_accessibility.py PID WINDOW tree         one line per node of the window (of every window
    for "*"), in reading order: depth, role, name, description, states, actions
read_accessibility.py PID WINDOW do NAME ACTION   performs the action on the first node so named
"""
import sys

import pyatspi

STATES = {pyatspi.STATE_EDITABLE: "editable", pyatspi.STATE_READ_ONLY: "read-only",
          pyatspi.STATE_FOCUSABLE: "focusable", pyatspi.STATE_ENABLED: "enabled"}


def window(pid, title):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            if title == "*":
                return app
            for child in app:
                if child.name == title:
                    return child
    sys.exit(f"no window {title!r} of process {pid}")


def walk(node, depth=0):
    yield depth, node
    for child in node:
        yield from walk(child, depth + 1)


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def main(pid, title, command, name=None, wanted=None):
    for depth, node in walk(window(int(pid), title)):
        if command == "tree":
            states = node.getState()
            print("\t".join([str(depth), node.getRoleName(), node.name, node.description,
                             ",".join(n for s, n in STATES.items() if states.contains(s)),
                             ",".join(actions(node))]))
        elif node.name == name:
            names = actions(node)
            if wanted not in names:
                sys.exit(f"{name!r} offers {names}, not {wanted!r}")
            node.queryAction().doAction(names.index(wanted))
            return
    if command == "do":
        sys.exit(f"no node {name!r}")


if __name__ == "__main__":
    main(*sys.argv[1:])
