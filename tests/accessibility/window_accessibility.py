#!/usr/bin/python3
"""Reads the window as a screen reader does, through AT-SPI with pyatspi.

Run under a display and a session bus of its own, for example
  xvfb-run -a dbus-run-session -- python3 window_accessibility.py build/bin/text2jpg [--dump]
It starts the window, finds it on the accessibility bus, checks names, relations, roles, states and
events, and prints the tree with --dump. Exit code 0 when everything holds, 1 otherwise.
"""
import os
import subprocess
import sys
import tempfile
import time

try:
    import pyatspi
    from gi.repository import GLib
except ImportError as missing:  # scripts/install-deps.sh installs python3-pyatspi
    print("skipped:", missing)
    sys.exit(77)

APP_NAME = "文本to图片"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


def pump(seconds):
    """Handles bus traffic (events reach the listeners) for a while."""
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.01)


def wait_for(condition, limit=20.0):
    """Pumps until condition() holds; the limit only keeps a fault from hanging the run."""
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        pump(0.05)
    return condition()


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def walk(node, depth=0):
    yield node, depth
    for child in children(node):
        if child is not None:
            yield from walk(child, depth + 1)


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        try:
            if app is not None and app.name == APP_NAME:
                return app
        except Exception:
            pass
    return None


def states(node):
    state_set = node.getState()
    return {pyatspi.stateToString(s) for s in state_set.getStates()}


def describe(node, depth):
    role = node.getRoleName()
    text = f"{'  ' * depth}[{role}] \"{node.name}\""
    if node.description:
        text += f" description=\"{node.description}\""
    relations = []
    for relation in node.getRelationSet():
        targets = [relation.getTarget(i).name for i in range(relation.getNTargets())]
        relations.append(f"{pyatspi.relationToString(relation.getRelationType())}={targets}")
    if relations:
        text += " " + " ".join(relations)
    interesting = sorted(states(node) & {"checked", "indeterminate", "expanded", "collapsed",
                                         "selected", "focused", "editable"})
    if interesting:
        text += " {" + ",".join(interesting) + "}"
    return text


def by_role_and_name(app, role, name):
    for node, _ in walk(app):
        if node.getRole() == role and node.name == name:
            return node
    return None


def do_action(node, name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == name:
            return action.doAction(i)
    raise AssertionError(f"{node.name} has no action {name}: "
                         f"{[action.getName(i) for i in range(action.nActions)]}")


def main():
    window = sys.argv[1]
    dump = "--dump" in sys.argv
    events = []

    def record(event):
        try:
            events.append((event.type, event.source.name, event.source.getRoleName(),
                           event.detail1))
        except Exception:
            pass

    for kind in ("object:state-changed:checked", "object:state-changed:indeterminate",
                 "object:state-changed:focused", "object:state-changed:selected", "focus:"):
        pyatspi.Registry.registerEventListener(record, kind)

    work = tempfile.mkdtemp(prefix="t2j-a11y-")
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    process = subprocess.Popen([window], cwd=work, env=env)
    try:
        app = wait_for(find_app, 30)
        if app is None:
            print("the window did not appear on the accessibility bus", flush=True)
            return 1
        frame = wait_for(lambda: next((c for c in children(app) if c is not None and
                                       c.getRole() == pyatspi.ROLE_FRAME), None))
        check(frame is not None, "the main window is a frame")
        pump(0.5)

        for name in ("字体", "大小", "文字颜色", "行距", "页边距"):
            box = by_role_and_name(app, pyatspi.ROLE_COMBO_BOX, name)
            check(box is not None, f"a combo box named {name}")
            if box is None:
                continue
            labels = [relation.getTarget(i).name for relation in box.getRelationSet()
                      if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                      for i in range(relation.getNTargets())]
            check(labels[:1] == [name], f"{name} is labelled by its label first: {labels}")

        colour = by_role_and_name(app, pyatspi.ROLE_COMBO_BOX, "文字颜色")
        if colour is not None:
            lists = [c for c in children(colour) if c.getRole() == pyatspi.ROLE_LIST]
            check(len(lists) == 1, "the colour box holds its list")
            rows = children(lists[0]) if lists else []
            check(len(rows) == 52 and all(r.getRole() == pyatspi.ROLE_LIST_ITEM for r in rows),
                  f"the list holds 52 rows: {len(rows)}")
            selected = [r.name for r in rows if "selected" in states(r)]
            check(selected == ["clGreen"], f"the current colour is the selected row: {selected}")
            check("collapsed" in states(colour), "the closed colour box is collapsed")
            value = colour.queryText().getText(0, -1)
            check(value == "clGreen", f"the colour box's text is the current colour: {value}")

            colour.queryComponent().grabFocus()
            pump(0.3)
            do_action(colour, "ShowMenu")
            check(wait_for(lambda: "expanded" in states(colour), 5), "the open box is expanded")
            events.clear()
            for _ in range(2):
                pyatspi.Registry.generateKeyboardEvent(0xff54, None, pyatspi.KEY_SYM)  # Down
                pump(0.3)
            focused = wait_for(lambda: [e[1] for e in events
                                        if e[0] == "object:state-changed:focused" and e[3] == 1
                                        and e[2] == "list item"], 5)
            check(focused == ["clOlive", "clNavy"],
                  f"moving the highlight in the open list tells each row: {focused}")
            pyatspi.Registry.generateKeyboardEvent(0xff1b, None, pyatspi.KEY_SYM)  # Escape
            check(wait_for(lambda: "collapsed" in states(colour), 5), "Escape closes the list")

        numbering = by_role_and_name(app, pyatspi.ROLE_CHECK_BOX, "文件名自动递增")
        check(numbering is not None, "the numbering check box")
        if numbering is not None:
            check("checked" in states(numbering), "numbering starts checked")
            expected = [("checked", 0, "indeterminate", 0), ("checked", 0, "indeterminate", 1),
                        ("checked", 1, "indeterminate", 0)]
            for checked, checked_value, mixed, mixed_value in expected:
                events.clear()
                do_action(numbering, "Toggle")
                got = wait_for(lambda: {e[0].rsplit(":", 1)[1]: e[3] for e in events
                                        if e[1] == "文件名自动递增"
                                        and e[0].startswith("object:state-changed:")
                                        and e[0].rsplit(":", 1)[1] in (checked, mixed)}
                               if len({e[0] for e in events if e[1] == "文件名自动递增"}) >= 2
                               else None, 5) or {}
                check(got.get(checked) == checked_value and got.get(mixed) == mixed_value,
                      f"a click tells checked={checked_value} indeterminate={mixed_value}: {got}")
                now = states(numbering)
                check(("checked" in now) == bool(checked_value) and
                      ("indeterminate" in now) == bool(mixed_value), f"its state is {now}")

        preview_box = by_role_and_name(app, pyatspi.ROLE_CHECK_BOX, "预览")
        button = by_role_and_name(app, pyatspi.ROLE_PUSH_BUTTON, "转换")
        check(preview_box is not None and button is not None, "预览 and 转换")
        if preview_box is not None and button is not None:
            do_action(preview_box, "Toggle")
            pump(0.3)
            do_action(button, "Press")
            picture = os.path.join(work, "Picture0.jpg")
            check(wait_for(lambda: os.path.exists(picture), 30), "a press writes Picture0.jpg")

            def described():
                image = by_role_and_name(app, pyatspi.ROLE_IMAGE, "预览图片")
                return image if image is not None and "像素" in image.description else None
            image = wait_for(described, 20)
            check(image is not None and image.description.endswith(" 像素"),
                  "the preview image tells its size in pixels")

        if dump:
            print("---- accessibility tree ----")
            for node, depth in walk(app):
                if node.getRole() == pyatspi.ROLE_LIST_ITEM and node.getIndexInParent() > 2:
                    if node.getIndexInParent() == 3:
                        print("  " * depth + f"... ({node.parent.childCount} rows)")
                    continue
                print(describe(node, depth))
    finally:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
    print("failures:", len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
