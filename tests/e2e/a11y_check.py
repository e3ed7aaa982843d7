#!/usr/bin/python3
"""What a screen reader finds in the running program, read over the accessibility bus.

a11y_check.py PID STRINGS MODE
  toolbar: every picture button of the toolbar is a push button named in the pack's words
  handle:  prints where the toolbar's handle is on the screen, "X Y", for a click there
  page:    the property page's seven sliders, top to bottom, are named as their rows in the
           pack's words; prints what a screen reader finds on the page
Prints the controls it found; exits 1 when a name is missing.
"""
import sys
import time

import pyatspi

TOOLBAR = [20090, 20091, 20082, 20088, 20092, 20093, 20094, 20095, 20096, 20097]
# The property page's rows from the top: brightness, contrast, hue, saturation, sharpness, gamma,
# exposure.
SLIDERS = [20018, 20017, 20019, 20020, 20021, 20022, 20024]
HANDLE = 20090
PAGE = 20016


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


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def dump(node, depth=0):
    for child in walk(node):
        try:
            x, y, w, h = extents(child)
            print(f"  {child.getRoleName():<12} {child.name!r:<40} {w}x{h}+{x}+{y}")
        except Exception:
            pass


def page_window(app, title):
    """The property page's window once it is shown: a top-level window read afresh each time."""
    for _ in range(40):
        pyatspi.Registry.getDesktop(0)  # the tree as it is now, not as first cached
        for i in range(app.childCount):
            try:
                window = app.getChildAtIndex(i)
                if window.name == title and window.getState().contains(pyatspi.STATE_SHOWING):
                    return window
            except Exception:
                pass
        time.sleep(0.25)
    return None


def check_page(app, texts):
    window = page_window(app, texts[PAGE])
    if window is None:
        print("FAIL: no shown window named", texts[PAGE])
        return False
    sliders = []
    for _ in range(20):
        sliders = controls(window, pyatspi.ROLE_SLIDER)
        if len(sliders) >= len(SLIDERS):
            break
        time.sleep(0.25)
    print(f"page {texts[PAGE]!r}:")
    dump(window)
    # Rows run top to bottom, so the n-th slider from the top is the n-th row's.
    sliders.sort(key=lambda s: extents(s)[1])
    found = names(sliders)
    wanted = [texts[i] for i in SLIDERS]
    ok = require(found, wanted, "sliders")
    if ok and found != wanted:
        print(f"FAIL: sliders named {found}, rows {wanted}")
        ok = False
    return ok


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
    if mode == "handle":
        for button in controls(app, pyatspi.ROLE_PUSH_BUTTON):
            if button.name == texts[HANDLE]:
                x, y, w, h = extents(button)
                print(x + w // 2, y + h // 2)
                return 0
        print("FAIL: no button", texts[HANDLE])
        return 1
    return 0 if check_page(app, texts) else 1


if __name__ == "__main__":
    sys.exit(main())
