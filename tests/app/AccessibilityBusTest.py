#!/usr/bin/python3
"""The real program on a real accessibility bus (AT-SPI), as a screen reader meets it.

Run by ctest under xvfb-run and a private dbus-run-session (see CMakeLists.txt):
    AccessibilityBusTest.py ZETROVA ZETROVA_CLI

It listens to every event the program sends while a person works with the keyboard alone:
  - the key typed into the key dialog and into the settings dialog's key edit (also while that
    edit shows its text) travels in no event;
  - every control that takes the focus in the main window and the dialogs has a name;
  - choosing a group with Return, Tab to the item list and Ctrl+C copy the row in focus.
It prints what a screen reader hears (focus, descriptions, status line, typed text). Exit 77 (a
skip) only when the accessibility bus cannot be reached.
"""
import os
import subprocess
import sys
import tempfile
import time

SKIPPED = 77

try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import GLib
    import pyatspi
except (ImportError, ValueError) as error:
    print(f"SKIP: no AT-SPI client library ({error}); scripts/setup.sh installs python3-pyatspi")
    sys.exit(SKIPPED)

ZETROVA, CLI = sys.argv[1], sys.argv[2]
# The key: none of its characters is in any text the program shows for this data.
KEY = "QJ#9xW"
DATA = """<?xml version="1.0" encoding="Shift_JIS"?>
<group name="root"><group name="Bank"><item name="login">alice</item>
<secret name="pin">5678</secret><group name="Sub"/></group><group name="Mail"/></group>
"""
MAIN_TITLE = "^情報管理ツール Zetrova Zetrova\\.dat$"

failures = []
heard = []  # (phase, event) in order
phase = "start"


def fail(text):
    failures.append(f"[{phase}] {text}")
    print("FAIL:", failures[-1], flush=True)


def describe(source):
    try:
        return source.getRoleName(), source.name or "", source.description or ""
    except Exception:  # the object may be gone already
        return "?", "?", ""


def on_event(event):
    role, name, description = describe(event.source)
    data = event.any_data if isinstance(event.any_data, str) else None
    heard.append((phase, event.type, role, name, description, event.detail1, data))


context = GLib.MainContext.default()


def pump(seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.01)


def wait_for(predicate, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        result = predicate()
        if result:
            return result
        pump(0.1)
    return None


def xdo(*args):
    for _ in range(5):
        try:
            done = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=10)
        except subprocess.TimeoutExpired:
            continue
        if "Failed creating new xdo instance" not in done.stderr:
            return done.stdout.strip()
    return ""


def window_named(pattern):
    found = xdo("search", "--onlyvisible", "--name", pattern)
    return found.split("\n")[0] if found else None


def focus(window):
    # Without a window manager nothing gives a window the focus: set it until it has taken.
    for _ in range(50):
        xdo("windowfocus", window)
        if xdo("getwindowfocus") == window:
            break
        pump(0.1)
    pump(0.3)


def keys(*names):
    for name in names:
        xdo("key", name)
        pump(0.25)


def type_text(text):
    xdo("type", "--delay", "60", text)
    pump(0.5)


def program_on_bus():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "zetrova":
            return app
    return None


def accessible_window(title):
    app = program_on_bus()
    if app is None:
        return None
    for i in range(app.childCount - 1, -1, -1):
        w = app.getChildAtIndex(i)
        if w is not None and w.name == title and w.getState().contains(pyatspi.STATE_SHOWING):
            return w
    return None


def unnamed_focusable(node, path="", depth=0):
    """The focusable, showing controls below node that have no name, as role paths."""
    out = []
    try:
        states = node.getState()
        role = node.getRoleName()
        here = f"{path}/{role}"
        if (states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SHOWING)
                and not (node.name or "").strip()):
            out.append(here)
        if depth < 25:
            for i in range(node.childCount):
                child = node.getChildAtIndex(i)
                if child is not None:
                    out += unnamed_focusable(child, here, depth + 1)
    except Exception as error:
        out.append(f"{path}: unreadable ({error})")
    return out


def check_named(title, what):
    w = wait_for(lambda: accessible_window(title), 10)
    if w is None:
        fail(f"{what}: no window '{title}' on the bus")
        return
    for control in unnamed_focusable(w):
        fail(f"{what}: a focusable control without a name: {control}")


def answer_notices():
    notice = window_named("^通知$")
    if notice:
        check_named("通知", "notice")
        focus(notice)
        keys("Return")
    return notice


def menu_keys(*key_names):
    """Keys through the menus: each key but the last waits until a menu item has the focus, and a
    little longer, so that no key reaches the window while a menu is still opening. False, and
    the rest of the keys not given, when a menu did not come."""
    for i, name in enumerate(key_names):
        mark = len(heard)
        xdo("key", name)
        if i + 1 < len(key_names) and not wait_for(
                lambda: any(h[1].startswith("focus:") and h[2] == "menu item"
                            for h in heard[mark:]), 5):
            print(f"note: no menu item has the focus after {name}", flush=True)
            return False
        pump(0.5)
    return True


def through_menus(check, *key_names, before=lambda: None, tries=3):
    """The menu keys until check() holds: under a loaded X server a key now and then closes a
    menu that is still opening instead of choosing its item. before() runs ahead of each try."""
    for attempt in range(tries):
        if attempt:
            print(f"note: {phase}: the menu keys again", flush=True)
            focus(main)
            keys("Escape")
        before()
        if menu_keys(*key_names):
            result = wait_for(check, 5)
            if result:
                return result
    return None


def open_dialog(title_pattern, title, what, *key_names):
    global phase
    phase = what
    focus(main)
    dialog = through_menus(lambda: window_named(title_pattern), *key_names)
    if not dialog:
        fail(f"{what} did not open; its events: "
             + "; ".join(f"{h[1]} {h[2]} {h[3]!r}" for h in heard if h[0] == phase))
        return None
    focus(dialog)
    check_named(title, what)
    return dialog


def close_dialog(dialog, title_pattern):
    focus(dialog)
    keys("Escape")
    if not wait_for(lambda: dialog not in xdo("search", "--onlyvisible", "--name", title_pattern)
                    .split("\n"), 10):
        fail("the dialog did not close on Escape")


# --- The bus, the data and the program -------------------------------------------------------
try:
    for kind in ("object:", "focus:", "window:"):
        pyatspi.Registry.registerEventListener(on_event, kind)
    pyatspi.Registry.getDesktop(0).childCount
except Exception as error:
    print(f"SKIP: the accessibility bus cannot be reached ({error})")
    sys.exit(SKIPPED)

folder = tempfile.mkdtemp(prefix="zetrova-a11y-")
os.chmod(folder, 0o700)
with open(os.path.join(folder, "in.xml"), "w", encoding="shift_jis") as f:
    f.write(DATA)
verifier = subprocess.run([CLI, "verifier"], input=KEY + "\n", capture_output=True, text=True,
                          check=True).stdout.strip()
with open(os.path.join(folder, "Zetrova.ini"), "w") as f:
    f.write(f"[CONFIG]\nDATA=Zetrova.dat\nKEY={verifier}\nONTASKBAR=0\n")
subprocess.run([CLI, "import", "in.xml", "--ini", "Zetrova.ini", "--data", "Zetrova.dat"],
               input=KEY + "\n", capture_output=True, text=True, cwd=folder, check=True)

env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_RUNTIME_DIR=folder)
env.pop("QT_QPA_PLATFORM", None)
program = subprocess.Popen([ZETROVA], cwd=folder, env=env)
started = time.monotonic()
try:
    # --- (a) The key dialog: typed key, then OK ---------------------------------------------
    phase = "key dialog"

    def key_dialog():
        answer_notices()
        return window_named("^認証$")

    dialog = wait_for(key_dialog, 40)
    if not dialog:
        fail("no key dialog")
        raise SystemExit
    if wait_for(program_on_bus, 10) is None:
        fail("the program does not show on the accessibility bus")
        raise SystemExit
    check_named("認証", "key dialog")
    focus(dialog)
    type_text(KEY)
    keys("Return")

    phase = "main window"
    def main_window():
        answer_notices()
        return window_named(MAIN_TITLE)

    main = wait_for(main_window, 30)
    if not main:
        fail("no main window after the key")
        raise SystemExit
    focus(main)
    check_named(xdo("getwindowname", main), "main window")

    # --- (c) Keyboard only: choose a group, Tab to the list, Ctrl+C -------------------------
    phase = "keyboard copy"
    # The tree has the focus on the root group: Down highlights Bank, Return makes it current.
    keys("Down", "Return", "Tab", "ctrl+c")
    copied = wait_for(lambda: subprocess.run(
        ["xclip", "-o", "-selection", "clipboard"], capture_output=True, text=True,
        timeout=5).stdout, 10)
    if copied != "alice":
        fail(f"Ctrl+C on the row in focus copied {copied!r}, not 'alice'")
    check_named(xdo("getwindowname", main), "main window with a group chosen")
    # Down to the secret row, then 項目 › 移動: the row says it waits to be moved.
    keys("Down")
    if not through_menus(lambda: any(h[0] == phase and "移動待ち" in h[4] for h in heard),
                         "alt+i", "m"):
        fail("the row marked for a move does not say so")
    # Back to the tree, the current group highlighted: グループ › 移動 marks it, and it says so.
    phase = "group move"
    keys("shift+Tab")
    if not through_menus(lambda: any(h[0] == phase and h[1].endswith("accessible-description")
                                     and h[3] == "Bank" and "移動待ち" in h[4] for h in heard),
                         "alt+i", "Right", "m", before=lambda: keys("Home", "Down")):
        fail("the group marked for a move does not say so")

    # --- (b) The dialogs, and (a) the settings dialog's key edit -----------------------------
    settings = open_dialog("^設定$", "設定", "settings dialog", "alt+c", "c")
    if settings:
        # The key edit follows the data file name. Half the key masked, then the mask taken off
        # (キーの表示を隠す is five Tabs on) and the other half typed in plain sight.
        keys("Tab")
        type_text(KEY[:3])
        keys("Tab", "Tab", "Tab", "Tab", "Tab", "space")
        keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "End")
        type_text(KEY[3:])
        close_dialog(settings, "^設定$")
    item = open_dialog("^編集$", "編集", "item dialog", "alt+i", "a")
    if item:
        close_dialog(item, "^編集$")
    group = open_dialog("^編集$", "編集", "group dialog", "alt+i", "Right", "a")
    if group:
        close_dialog(group, "^編集$")
    find = open_dialog("^検索$", "検索", "search dialog", "ctrl+f")
    if find:
        close_dialog(find, "^検索$")
    about = open_dialog("^About$", "About", "About box", "alt+h", "a")
    if about:
        close_dialog(about, "^About$")
    pump(0.5)
finally:
    program.kill()
    program.wait()

# --- What was heard ---------------------------------------------------------------------------
phase = "events"
typed = [h for h in heard if h[1].startswith("object:text-changed")]
if not any(h[0] == "key dialog" for h in typed):
    fail("typing the key was not heard at all")
if not any(h[0] == "settings dialog" for h in typed):
    fail("typing into the settings dialog's key edit was not heard at all")
for h in heard:
    if h[6] and any(c in h[6] for c in KEY):
        fail(f"an event carries a character of the key: {h}")

print("What a screen reader hears:")
last = None
for p, kind, role, name, description, detail1, data in heard:
    if kind.startswith("focus:"):
        line = f"focus {name!r} ({role}) {description!r}"
    elif kind == "object:property-change:accessible-description":
        line = f"description of {name!r} now {description!r}"
    elif kind == "object:property-change:accessible-name" and role == "label":
        line = f"label now {name!r}"
    elif kind.startswith("object:text-changed"):
        line = f"{kind.rsplit(':', 1)[1]} {data!r} in {name!r} ({role})"
    elif kind == "window:activate":
        line = f"window {data!r}"
    else:
        continue
    if line != last:
        print(f"  [{p}] {line}")
    last = line
print(f"{len(heard)} events in {time.monotonic() - started:.1f} s")
if failures:
    print(f"{len(failures)} failure(s)")
    sys.exit(1)
print("OK")
