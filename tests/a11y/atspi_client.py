"""Reads the running program through the accessibility bus, as a screen reader does.

Arguments: the program's process id, the program itself and a folder of the test's own for a
second start. Exit status 0 when everything a listener needs is there.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PID = int(sys.argv[1])
EXE = sys.argv[2]
TMP = sys.argv[3]
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def wait_for(get, what, seconds=8.0):
    end = time.monotonic() + seconds
    while True:
        try:
            value = get()
        except Exception:  # the tree is still being built
            value = None
        if value or time.monotonic() > end:
            if not value:
                print("timed out waiting for " + what)
            return value
        time.sleep(0.1)


def walk(node, depth=0):
    if node is None or depth > 30:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def application(pid=PID):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def find(app, role, name=None):
    return [n for n in walk(app) if n.getRole() == role and (name is None or n.name == name)]


def focused(app):
    for n in walk(app):
        if n.getState().contains(pyatspi.STATE_FOCUSED):
            return n
    return None


def text_of(node):
    t = node.queryText()
    return t.getText(0, t.characterCount)


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=5).stdout


app = wait_for(application, "the program on the accessibility bus")
if app is None:
    sys.exit(1)
check(app.name == "Dipolix", "the application named: %r" % app.name)

# The About box comes first; OK is pressed through its action, as a screen reader would.
ok_button = wait_for(lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, "OK"), "the About box")
if ok_button:
    ok_button[0].queryAction().doAction(0)

frame = wait_for(lambda: [f for f in find(app, pyatspi.ROLE_FRAME) + find(app, pyatspi.ROLE_DIALOG)
                          if f.name == "Radiation Pattern of two Aerials"
                          and f.getState().contains(pyatspi.STATE_SHOWING)],
                 "the main window")
if not frame:
    for n in walk(app):
        print(n.getRoleName(), repr(n.name), n.getState().contains(pyatspi.STATE_SHOWING))
    sys.exit(1)
frame = frame[0]

bars = find(frame, pyatspi.ROLE_SCROLL_BAR)
bars = [b for b in bars if b.getState().contains(pyatspi.STATE_SHOWING)]
check(sorted(b.name for b in bars) == ["Distance between Aerials:", "Phase Difference"],
      "both scroll bars named: %s" % [b.name for b in bars])
check(all(b.getState().contains(pyatspi.STATE_FOCUSABLE) for b in bars),
      "both scroll bars focusable")
labels = {n.name: n for n in find(frame, pyatspi.ROLE_LABEL)}
distance = labels.get("Distance between Aerials")
phase = labels.get("Phase Difference")
check(distance is not None and text_of(distance) == "0.500 Lambda",
      "distance read-out: %r" % (distance and text_of(distance)))
check(phase is not None and text_of(phase) == "0.000 Pi",
      "phase read-out: %r" % (phase and text_of(phase)))
charts = find(frame, pyatspi.ROLE_IMAGE, "Radiation pattern")
check(len(charts) == 1 and charts[0].description.startswith("Main lobes toward 90° and 270°;"),
      "chart described: %r" % (charts and charts[0].description))

# Move the distance as a screen reader's user would, through the Value interface; the
# read-out tells listeners that its text changed, so that a screen reader speaks it.
changed_texts = []


def on_text_changed(event):
    if event.source is not None and event.source.name == "Distance between Aerials":
        changed_texts.append(event.type)


# The chart tells listeners when its description changes, so that a screen reader reads it.
described = []


def on_description_changed(event):
    if event.source is not None and event.source.getRole() == pyatspi.ROLE_IMAGE:
        described.append(event.type)


# So does the scroll bar when its value changes.
moved = []


def on_value_changed(event):
    if event.source is not None and event.source.getRole() == pyatspi.ROLE_SCROLL_BAR:
        moved.append(event.source.queryValue().currentValue)


pyatspi.Registry.registerEventListener(on_text_changed, "object:text-changed")
pyatspi.Registry.registerEventListener(on_description_changed,
                                       "object:property-change:accessible-description")
pyatspi.Registry.registerEventListener(on_value_changed, "object:property-change:accessible-value")
bar = [b for b in bars if b.name.startswith("Distance")][0]
value = bar.queryValue()
check(abs(value.maximumValue - 5.0) < 1e-9, "distance in wavelengths up to 5")
value.currentValue = 1.5
check(bool(wait_for(lambda: distance and text_of(distance) == "1.500 Lambda", "the read-out", 5)),
      "read-out follows the scroll bar: %r" % (distance and text_of(distance)))


def text_change_heard():
    GLib.MainContext.default().iteration(False)
    return changed_texts


check(bool(wait_for(text_change_heard, "the read-out's text-changed event", 5)),
      "read-out announces its new text: %r" % changed_texts)
pyatspi.Registry.deregisterEventListener(on_text_changed, "object:text-changed")
check(bool(wait_for(lambda: text_change_heard() and described, "the description's event", 5)),
      "chart announces its new description: %r" % described)
quiet_until = time.monotonic() + 0.5  # a second announcement would make it be read twice
while time.monotonic() < quiet_until:
    GLib.MainContext.default().iteration(False)
    time.sleep(0.01)
check(len(described) == 1, "one announcement per new description: %r" % described)
check(moved == [1.5], "one announcement of the new value, in wavelengths: %r" % moved)
pyatspi.Registry.deregisterEventListener(on_value_changed, "object:property-change:accessible-value")
pyatspi.Registry.deregisterEventListener(on_description_changed,
                                         "object:property-change:accessible-description")
check(bool(wait_for(lambda: charts and "beamwidth" in charts[0].description and
                    not charts[0].description.startswith("Main lobes toward 90° and 270°;"),
                    "the new description", 5)),
      "description follows: %r" % (charts and charts[0].description))

# Tab through the window: focus moves in the order of the layout, then to the chart.
window = xdo("search", "--onlyvisible", "--name", "Radiation Pattern of two Aerials").split()
check(bool(window), "main window found on the X server")
if window:
    xdo("windowfocus", "--sync", window[0])
    first = wait_for(lambda: focused(frame), "the focus")
    order = [first.name if first else None]
    for _ in range(6):
        before = focused(frame)
        xdo("key", "Tab")
        wait_for(lambda: focused(frame) is not None and focused(frame) != before, "focus to move", 3)
        f = focused(frame)
        order.append(f.name if f else None)
    # The chart comes last: it takes focus so that the Menu key and Shift+F10 open its menu.
    expected = ["Phase Difference", "Distance between Aerials:", "Information", "Info", "Exit",
                "Radiation pattern", "Phase Difference"]
    check(order == expected, "Tab order %s" % order)



def failed_start():
    """A start that cannot set up its runtime folder says why in a message box that carries the
    program's icon, and ends with 1 once the box is closed."""
    run = os.path.join(TMP, "unusable-run")
    os.mkdir(run, 0o700)
    open(os.path.join(run, "dipolix"), "w").close()  # a file where the program's folder goes
    p = subprocess.Popen([EXE], env=dict(os.environ, XDG_RUNTIME_DIR=run),
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        other = wait_for(lambda: application(p.pid), "the second start on the accessibility bus")
        alerts = wait_for(lambda: other and find(other, pyatspi.ROLE_ALERT), "its message box")
        check(bool(alerts), "a message box for the failed start")
        if not alerts:
            return
        said = " ".join(n.name for n in walk(alerts[0]))
        check("is not private" in said, "the message box says why: %r" % said)
        windows = xdo("search", "--onlyvisible", "--pid", str(p.pid)).split()
        icon = subprocess.run(["xprop", "-id", windows[0], "_NET_WM_ICON"], capture_output=True,
                              text=True, timeout=5).stdout if windows else ""
        check(icon.startswith("_NET_WM_ICON(CARDINAL) = "), "the message box has the program's icon")
        find(alerts[0], pyatspi.ROLE_PUSH_BUTTON, "OK")[0].queryAction().doAction(0)
        code = p.wait(10)
        error = p.stderr.read()
        check(code == 1 and error.startswith("dipolix: The runtime folder"),
              "the failed start ends with 1 and says why: %d %r" % (code, error))
    finally:
        if p.poll() is None:
            p.kill()
            p.wait()


failed_start()
print("%d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
