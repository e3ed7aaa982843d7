#!/usr/bin/python3
"""What a screen reader finds in the running program, read over the accessibility bus.

a11y_check.py PID STRINGS MODE
  toolbar: every picture button of the toolbar is a push button named in the pack's words
  menu:    presses the menu item that opens the property page
  page:    every slider of the property page is named in the pack's words
Prints the controls it found; exits 1 when a name is missing.
"""
import sys
import time

import pyatspi

TOOLBAR = [20090, 20091, 20082, 20088, 20092, 20093, 20094, 20095, 20096, 20097]
SLIDERS = [20017, 20018, 20019, 20020, 20021, 20022, 20024]
ADJUST = 20010


def pack_texts(path):
    texts = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or "=" not in line:
                continue
            left, text = line.split("=", 1)
            texts[int(left.split()[0])] = text.strip().replace("\\n", "\n")
    return texts


def find_app(pid, seconds):
    end = time.time() + seconds
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:
                pass
        time.sleep(0.5)
    return None


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(count):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def controls(app, role):
    found = []
    for node in walk(app):
        try:
            if node.getRole() == role:
                found.append(node)
        except Exception:
            pass
    return found


def names(nodes):
    return [n.name for n in nodes]


def require(found, wanted, what):
    missing = [w for w in wanted if w not in found]
    unnamed = [f for f in found if not f]
    print(f"{what}: {found}")
    if missing or unnamed:
        print(f"FAIL: {what} missing {missing}, {len(unnamed)} without a name")
        return False
    return True


def main():
    pid, strings, mode = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    texts = pack_texts(strings)
    app = find_app(pid, 20)
    if app is None:
        print("FAIL: the program is not on the accessibility bus")
        return 1
    if mode == "toolbar":
        found = names(controls(app, pyatspi.ROLE_PUSH_BUTTON))
        return 0 if require(found, [texts[i] for i in TOOLBAR], "buttons") else 1
    if mode == "menu":
        for _ in range(20):
            for item in controls(app, pyatspi.ROLE_MENU_ITEM):
                if item.name.replace("&", "") == texts[ADJUST]:
                    item.queryAction().doAction(0)
                    return 0
            time.sleep(0.5)
        print("FAIL: no menu item", texts[ADJUST])
        return 1
    for _ in range(20):
        sliders = controls(app, pyatspi.ROLE_SLIDER)
        if len(sliders) >= len(SLIDERS):
            break
        time.sleep(0.5)
    return 0 if require(names(sliders), [texts[i] for i in SLIDERS], "sliders") else 1


if __name__ == "__main__":
    sys.exit(main())
