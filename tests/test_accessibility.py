#!/usr/bin/python3
"""The editor as a screen reader reads it: through AT-SPI, on a virtual display.

Run inside a display and a session bus of its own:

    xvfb-run -a dbus-run-session -- /usr/bin/python3 test_accessibility.py EDITOR [--tree FILE]

It opens a long file in the editor and checks what AT-SPI says of the main
window, its text area, its menus, the progress window of a conversion (a
progress bar whose value goes up as the run goes), the exit prompt and the
about box. --tree writes the main window's tree as read.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

MENU = {
    "::файл.": ["::преобразовать...", "::раскодировать...", "::отменить...", "",
                "::открыть...", "::сохранить...", "", "::выход..."],
    "::?...": ["::о программе..."],
}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def walk(node, depth=0):
    """Every node under node, with its depth, in order."""
    yield node, depth
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1)


def find(node, role, name=None):
    for found, _ in walk(node):
        if found.get_role_name() == role and (name is None or found.get_name() == name):
            return found
    return None


def top(app, name):
    """The application's window of this name, or None."""
    for i in range(app.get_child_count()):
        child = app.get_child_at_index(i)
        if child is not None and child.get_name() == name:
            return child
    return None


def unnamed(node):
    """The controls under node without a name (fillers, frames and the like
    only hold others)."""
    holders = ("filler", "frame", "popup menu", "separator")
    return [f"{found.get_role_name()} at depth {depth}" for found, depth in walk(node)
            if found.get_role_name() not in holders and not found.get_name()]


def tree(node):
    lines = []
    for found, depth in walk(node):
        line = "  " * depth + f'{found.get_role_name()} "{found.get_name()}"'
        if found.get_description():
            line += f" — {found.get_description()}"
        lines.append(line)
    return "\n".join(lines)


class Bus:
    """Calls into the application without waiting for their answer: a menu
    item's action runs the whole command before it answers."""

    def __init__(self):
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress",
                                    None, GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, -1,
                                    None).unpack()[0]
        self.connection = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)

    def press(self, node):
        self.connection.call(node.app.bus_name, node.path, "org.a11y.atspi.Action", "DoAction",
                             GLib.Variant("(i)", (0,)), None, Gio.DBusCallFlags.NONE, -1, None,
                             None)
        self.connection.flush_sync(None)


def wait_for(what, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = what()
        except GLib.Error:
            found = None
        if found:
            return found
        time.sleep(0.01)
    return None


def main():
    editor = sys.argv[1]
    tree_file = sys.argv[sys.argv.index("--tree") + 1] if "--tree" in sys.argv else None
    folder = tempfile.mkdtemp(prefix="zezu-a11y-")
    path = os.path.join(folder, "long.txt")
    line = "Съешь же ещё этих мягких французских булок, да выпей чаю. " * 3 + "\r\n"
    with open(path, "wb") as f:
        f.write(line.encode("cp1251") * 300000)

    Atspi.init()
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    process = subprocess.Popen([editor, path], env=env)
    # A display just given up by another server on the same number may
    # refuse the first connection: the editor then says so and ends at once.
    try:
        if process.wait(2) == 1:
            time.sleep(1)
            process = subprocess.Popen([editor, path], env=env)
    except subprocess.TimeoutExpired:
        pass
    try:
        desktop = Atspi.get_desktop(0)
        app = wait_for(lambda: next((desktop.get_child_at_index(i)
                                     for i in range(desktop.get_child_count())
                                     if desktop.get_child_at_index(i).get_name() == "ZEZU.vexlo"),
                                    None))
        check(app is not None, "the editor is on the AT-SPI bus")
        if app is None:
            return 1
        frame = wait_for(lambda: top(app, "ZEZU.vexlo - long.txt"))
        check(frame is not None, "the main window, named by its caption, once the file is in")
        if frame is None:
            return 1
        if tree_file:
            with open(tree_file, "w", encoding="utf-8") as out:
                out.write(tree(frame) + "\n")

        # What the program is for, said by the window itself.
        check(frame.get_role_name() == "frame", "the main window is a frame")
        check("ссылками HTML" in frame.get_description(), "the main window says what it does")
        text = find(frame, "text")
        check(text is not None and text.get_name() == "Текст", "the text area is named Текст")
        check(text is not None and "Ctrl+G" in text.get_description(),
              "the text area says how to convert")
        check(not unnamed(frame), f"every control is named: {unnamed(frame)}")
        bar = find(frame, "menu bar")
        check(bar is not None and bar.get_name() == "Меню", "the menu bar is named Меню")
        for menu, items in MENU.items():
            item = find(frame, "menu item", menu)
            check(item is not None, f"the menu {menu}")
            popup = find(item, "popup menu") if item else None
            names = [popup.get_child_at_index(i).get_name()
                     for i in range(popup.get_child_count())] if popup else []
            check(names == items, f"the items of {menu}: {names}")

        # A conversion: the progress window is a dialog whose progress bar's
        # value goes up while the run goes, and says what its Cancel does.
        bus = Bus()
        bus.press(find(frame, "menu item", "::преобразовать..."))
        progress = wait_for(lambda: top(app, "::преобразование..."), 10)
        check(progress is not None, "the progress window appears")
        values = []
        described = cancel = meter = None
        # Each question waits for the window's next turn to answer: few of
        # them, so that the run is read while it goes.
        while progress is not None:
            try:
                described = described or progress.get_description()
                meter = meter or find(progress, "progress bar", "выполнено")
                value = meter.get_current_value() if meter else None
                # A value read as the window goes away is not the run's.
                if top(app, "::преобразование...") is None:
                    break
                if value is not None and (not values or values[-1] != value):
                    values.append(value)
                if len(values) >= 3 and cancel is None:
                    if tree_file:
                        with open(tree_file, "a", encoding="utf-8") as out:
                            out.write(tree(progress) + "\n")
                    button = find(progress, "push button")
                    cancel = button.get_name() if button else None
                    focused = button is not None and button.get_state_set().contains(
                        Atspi.StateType.FOCUSED)
                    check(focused, "Отмена has the keyboard, so that a reader says it")
                    check(not unnamed(progress), f"every control is named: {unnamed(progress)}")
                progress = top(app, "::преобразование...")
            except GLib.Error:
                break
        print("progress values read:", values)
        check(len(values) >= 3, f"the progress value changes as the run goes: {values}")
        check(values == sorted(values) and all(0 <= v <= 100 for v in values),
              f"the progress value only goes up, from 0 to 100: {values}")
        check(described and "Отмена" in described, "the progress window says what Cancel does")
        check(cancel == "Отмена", f"its button is named Отмена: {cancel}")
        check(wait_for(lambda: top(app, "ZEZU.vexlo - long.txt*")) is not None,
              "the text was converted")

        # The exit prompt, read as it stands, and answered Cancel.
        frame = top(app, "ZEZU.vexlo - long.txt*")
        bus.press(find(frame, "menu item", "::выход..."))
        prompt = wait_for(lambda: find(app, "alert"))
        check(prompt is not None, "the exit prompt is an alert")
        if prompt is not None:
            said = [node.get_name() for node, _ in walk(prompt)]
            check(any("сохранить изменения" in s for s in said), f"the prompt is read: {said}")
            bus.press(find(prompt, "push button", "Отмена"))
            check(wait_for(lambda: not find(app, "alert")), "Cancel closes the prompt")

        # The about box, read as it stands.
        bus.press(find(frame, "menu item", "::о программе..."))
        about = wait_for(lambda: top(app, "::о программе..."))
        check(about is not None and about.get_role_name() == "dialog",
              "the about box is a dialog named by its caption")
        if about is not None:
            said = " ".join(node.get_name() for node, _ in walk(about))
            print("the about box reads:", said)
            check("ZEZU.vexlo" in said, "the about box is read as it stands")
            check(not unnamed(about), f"every control is named: {unnamed(about)}")
            if tree_file:
                with open(tree_file, "a", encoding="utf-8") as out:
                    out.write(tree(about) + "\n")
    finally:
        process.terminate()
        process.wait(10)
        shutil.rmtree(folder, ignore_errors=True)
    print("ok" if not failures else f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
