#!/usr/bin/python3
"""The page end to end in headless Chromium, driven over the DevTools
protocol, against the site served on 127.0.0.1:

  - the page loads and the program starts (the time is printed);
  - the first-start message goes with Return;
  - a subject line is typed through the input method, in the page's input
    over the box, and the target and the increment through their prompts;
  - the start key makes a data file, three more presses (one of them Space)
    are readings, BackSpace marks the last one NG and Save/Clear ends the
    measurement: the file, read through window.quellmarkFS, is CP932 with
    CR LF and has the rows the desktop program writes for the same keys, and
    the laps are the intervals between the keys also when the page was busy
    as a key went down;
  - none of the keys, F5, F1, the arrows and Page Down among them, scrolled
    the page, reloaded it or left it;
  - after a reload the rows are all still there (the browser's storage);
  - a tab closed in the middle of a measurement: opened again, the page has
    every reading, and the measurement was ended;
  - the companion's window, opened by the page's button, shows the readings;
  - a data file leaves the page as a download through the page's list, and
    the companion's readings as a download through its save dialog;
  - with the server gone, the page opens and the program starts again (the
    service worker).

    e2e-in-chromium.py SITE-FOLDER
"""
import csv
import functools
import http.server
import json
import os
import re
import shutil
import socketserver
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

import websocket  # python3-websocket


def fail(message):
    sys.exit("web e2e: FAILED: " + message)


def step(message):
    print("web e2e: " + message, flush=True)


class Page:
    """One tab, spoken to over the DevTools protocol."""

    def __init__(self, url):
        self.ws = websocket.create_connection(url, timeout=60)
        self.next_id = 0

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            reply = json.loads(self.ws.recv())
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    fail("%s: %s" % (method, reply["error"]))
                return reply.get("result", {})

    def js(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            fail("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def key(self, key, code, virtual, text=""):
        for kind in ("keyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code,
                      windowsVirtualKeyCode=virtual, nativeVirtualKeyCode=virtual,
                      text=text if kind == "keyDown" else "")

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    def wait_for(self, expression, seconds):
        until = time.monotonic() + seconds
        while time.monotonic() < until:
            value = self.js(expression)
            if value:
                return value
            time.sleep(0.1)
        return None


RETURN = ("Enter", "Enter", 13, "\r")
BACKSPACE = ("Backspace", "Backspace", 8)
SPACE = (" ", "Space", 32, " ")
TAB = ("Tab", "Tab", 9)

# The page's input over a box that takes text: its place, while it is shown.
TEXT_INPUT = """(() => {
  const input = document.getElementById('text-input');
  if (input.style.display !== 'block' || document.activeElement !== input) return null;
  const r = input.getBoundingClientRect();
  return [r.left, r.top, input.value];
})()"""

TEXT_INPUT_GONE = "document.getElementById('text-input').style.display === 'none'"

# The main window's controls, in twips from its client area's corner (15 a
# pixel): where they are clicked.
def centre(left, top, width, height):
    return ((left + width / 2) / 15, (top + height / 2) / 15)


SUBJECT_LINE_1 = centre(2760, 840, 2500, 330)   # Text1(6)
TARGET_BOX = centre(5520, 2100, 1215, 285)      # Text1(4)
INCREMENT_BOX = centre(5700, 2415, 1035, 285)   # Text1(5)
INPUT_TOGGLE = (3100 / 15, 680 / 15)            # Label6, at its caption's start
SAVE_CLEAR = centre(5280, 0, 1215, 495)         # ComClear

DATA_FILES = """(() => {
  const fs = window.quellmarkFS;
  try { return fs.readdir('DATA').filter((n) => /^QMK.*\\.csv$/.test(n)); }
  catch (e) { return []; }
})()"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


# The last press reaches the data file at the next event, so that BackSpace
# can still mark it; until then its sidecar holds it.
def read_file(page, path):
    return bytes(page.js("""(() => {
  try { return Array.from(window.quellmarkFS.readFile('%s')); } catch (e) { return []; }
})()""" % path))


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def allow_downloads(port, folder):
    version = json.load(urllib.request.urlopen("http://127.0.0.1:%s/json/version" % port))
    Page(version["webSocketDebuggerUrl"]).call(
        "Browser.setDownloadBehavior", behavior="allow", downloadPath=folder)


def downloaded(folder, name, seconds=20):
    """The bytes of a finished download."""
    path = os.path.join(folder, name)
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        if os.path.exists(path):
            time.sleep(0.5)
            return open(path, "rb").read()
        time.sleep(0.2)
    fail("no download %s: %s" % (name, os.listdir(folder)))


def new_tab(port, url):
    """A new tab on `url`, as a pupil opens the page again."""
    request = urllib.request.Request("http://127.0.0.1:%s/json/new?%s" % (port, url),
                                     method="PUT")
    return json.load(urllib.request.urlopen(request))


def close_tab(port, tab_id):
    urllib.request.urlopen("http://127.0.0.1:%s/json/close/%s" % (port, tab_id)).read()


def start_chromium(profile):
    chromium = shutil.which("chromium") or fail("chromium is not installed")
    browser = subprocess.Popen(
        [chromium, "--headless=new", "--remote-debugging-port=0", "--user-data-dir=" + profile,
         "--no-first-run", "--no-default-browser-check", "--window-size=1280,900",
         # WebGL2, which Qt draws with, on a machine without a GPU.
         "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "about:blank"]
        # Chromium's sandbox refuses to run as root (a CI container).
        + (["--no-sandbox"] if os.geteuid() == 0 else []),
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    port_file = os.path.join(profile, "DevToolsActivePort")
    until = time.monotonic() + 60
    while not os.path.exists(port_file) or not open(port_file).read().strip():
        if time.monotonic() > until or browser.poll() is not None:
            fail("chromium did not start")
        time.sleep(0.1)
    port = open(port_file).read().split()[0]
    targets = json.load(urllib.request.urlopen("http://127.0.0.1:%s/json" % port))
    tab = next(t for t in targets if t["type"] == "page")
    return browser, port, tab


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    server = serve(os.path.abspath(sys.argv[1]))
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    # Chromium's helper processes may still write there as it goes.
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser, port, tab = start_chromium(profile)
        try:
            page = Page(tab["webSocketDebuggerUrl"])
            page.call("Page.enable")
            page.call("Runtime.enable")
            step("loading " + url)
            started = time.monotonic()
            page.call("Page.navigate", url=url)
            wait_for_program(page, "the program did not start")
            step("the program started %.1f s after the page was asked for"
                 % (time.monotonic() - started))
            name, readings = measure(page, url)
            reload_keeps(page, name, readings)
            page = close_tab_while_measuring(page, port, tab["id"], url)
            companion_shows(page)
            downloads = os.path.join(profile, "downloads")
            os.mkdir(downloads)
            allow_downloads(port, downloads)
            files_leave_as_downloads(page, downloads)
            server.shutdown()
            server.server_close()
            page.call("Page.reload")
            wait_for_program(page, "with the server gone the page did not open")
            if not page.js("!!navigator.serviceWorker.controller"):
                fail("with the server gone the page came from elsewhere than its worker")
            step("with the server gone the page opened and the program started")
        finally:
            browser.kill()
            browser.wait()
    step("passed")


def wait_for_program(page, failure):
    if not page.wait_for("!!window.quellmarkFS && !document.getElementById('message')", 120):
        fail(failure + ": " + str(page.js(
            "(document.getElementById('message') || {}).textContent")))
    page.js("document.querySelector('#screen canvas').focus(), true")


def newest_rows(page):
    files = page.js(DATA_FILES) or fail("no data file")
    name = sorted(files)[-1]
    data = read_file(page, "DATA/" + name) + read_file(page, "DATA/%s.pending" % name)
    return name, data.decode("cp932", errors="replace").split("\r\n")[:-1]


def reading_rows(rows):
    return [r for r in rows if re.match(r'^\d+,"?\d\d:\d\d:\d\d"?,', r)]


def type_into_box(page, box, origin, typed):
    """Clicks a box of the main window and, in the page's input that then lies
    over it, replaces its text: by the input method when `typed` is kana and
    the text it becomes, else by keys."""
    page.click(origin[0] + box[0], origin[1] + box[1])
    shown = page.wait_for(TEXT_INPUT, 10) or fail("no input over the box at %r" % (box,))
    for _ in shown[2]:
        page.key(*BACKSPACE)
    if isinstance(typed, tuple):
        kana, text = typed
        page.call("Input.imeSetComposition", text=kana, selectionStart=len(kana),
                  selectionEnd=len(kana))
        page.call("Input.insertText", text=text)
    else:
        for ch in typed:
            page.key(ch, "", ord(ch.upper()) if ch.isalnum() else 189, ch)
    page.key(*RETURN)
    if not page.wait_for(TEXT_INPUT_GONE, 10):
        fail("the page's input stayed after Return")


def measure(page, url):
    # Return closes the first-start message; then Shift+Tab takes the focus
    # from the measurement key's box to the top subject line, whose input
    # shows where the window lies. Returns are sent until that works, so that
    # a Return the page took before its window was ready is sent again.
    time.sleep(1)
    for attempt in range(1, 6):
        page.key(*RETURN)
        time.sleep(1)
        page.call("Input.dispatchKeyEvent", type="keyDown", key="Tab", code="Tab",
                  windowsVirtualKeyCode=9, modifiers=8)
        page.call("Input.dispatchKeyEvent", type="keyUp", key="Tab", code="Tab",
                  windowsVirtualKeyCode=9, modifiers=8)
        where = page.wait_for(TEXT_INPUT, 3)
        if where:
            break
        step("no subject line after Return %d, sending it again" % attempt)
    else:
        fail("the first-start message did not go")
    origin = (where[0] - (2760 / 15), where[1] - (840 / 15))
    page.key(*TAB)  # back to the measurement key's box
    if not page.wait_for(TEXT_INPUT_GONE, 5):
        fail("the page's input stayed after Tab")

    type_into_box(page, SUBJECT_LINE_1, origin, ("ふりこ", "振り子"))
    type_into_box(page, TARGET_BOX, origin, "25")
    type_into_box(page, INCREMENT_BOX, origin, "-2")
    page.click(origin[0] + INPUT_TOGGLE[0], origin[1] + INPUT_TOGGLE[1])
    time.sleep(0.5)

    sent = [time.monotonic()]
    page.key(*RETURN)
    if not page.wait_for(DATA_FILES + ".length", 10):
        fail("no measurement started")
    for press in range(3):
        time.sleep(0.5)
        if press == 1:
            # The page busy, as when it draws: its main thread held for 0.3 s
            # as the key goes down. The lap is the browser's time of the key,
            # not the moment the program gets to it.
            page.js("setTimeout(() => { const t = performance.now();"
                    " while (performance.now() - t < 300); }, 0), true")
        sent.append(time.monotonic())
        page.key(*(SPACE if press == 2 else RETURN))
    time.sleep(0.5)
    page.key(*BACKSPACE)
    time.sleep(0.5)
    page.click(origin[0] + SAVE_CLEAR[0], origin[1] + SAVE_CLEAR[1])

    # The page handles keys in its own time: the rows are awaited.
    for _ in range(30):
        time.sleep(0.5)
        name, rows = newest_rows(page)
        if len(rows) >= 8 and rows[-1].endswith('"←対象等"'):
            break
    data = read_file(page, "DATA/" + name)
    if not data.endswith(b"\r\n") or b"\n" in data.replace(b"\r\n", b""):
        fail("%s: not every line ends with CR LF" % name)
    data.decode("cp932")  # fails on anything but CP932
    # The rows the desktop program writes for the same keys; times and laps
    # are the page's own.
    subject = '"振り子","","","","","←対象等"'
    day = r'"\d\d/\d\d?/\d\d?"'
    expected = [r'"DATA\\%s",%s,"","","",""' % (re.escape(name), day), re.escape(subject),
                re.escape('"測定回","時刻","経過秒","今-前秒","温度 ℃","備考"'),
                r'0,"\d\d:\d\d:\d\d",0,0,25,""'] + [
                r'%d,"\d\d:\d\d:\d\d",[\d.]+,[\d.]+,%d,"%s"' % (n, 25 - 2 * n, mark)
                for n, mark in ((1, ""), (2, ""), (3, " --NG"))] + [re.escape(subject)]
    if len(rows) != len(expected) or not all(
            re.fullmatch(e, r) for e, r in zip(expected, rows)):
        fail("%s is not what the desktop program writes for the same keys:\n%s"
             % (name, "\n".join(rows)))
    readings = reading_rows(rows)
    step("%s: the subject, the prompts' target and increment, %d readings, NG and the end"
         % (name, len(readings)))
    laps = [float(next(csv.reader([r]))[3]) for r in readings[1:]]
    errors = [abs(lap - (b - a)) for lap, (a, b) in zip(laps, zip(sent, sent[1:]))]
    step("laps %s against the keys' intervals %s: off by %.3f s at most" % (
        laps, ["%.3f" % (b - a) for a, b in zip(sent, sent[1:])], max(errors)))
    # To the hundredth the screen shows, and half a hundredth of its rounding.
    if max(errors) > 0.015:
        fail("the laps are not the intervals between the keys")
    # Keys a browser acts on: the program's, never the page's.
    page.js("window.quellmarkNotReloaded = true")
    for key in (("F5", "F5", 116), ("F1", "F1", 112), ("ArrowDown", "ArrowDown", 40),
                ("PageDown", "PageDown", 34), ("ArrowUp", "ArrowUp", 38)):
        page.key(*key)
    time.sleep(1)
    where = page.js("[window.scrollX, window.scrollY, location.href, !!window.quellmarkNotReloaded]")
    if where != [0, 0, url, True]:
        fail("the keys moved, reloaded or left the page: %r" % where)
    return name, readings


def reload_keeps(page, name, readings):
    if not page.wait_for("globalThis.quellmarkStorageIdle()", 10):
        fail("the browser's storage did not take the files")
    page.call("Page.reload")
    wait_for_program(page, "the program did not start again after a reload")
    kept = reading_rows(newest_rows(page)[1])
    if kept != readings:
        fail("after a reload %s holds %r, not %r" % (name, kept, readings))
    step("after a reload %s still holds every reading" % name)


def close_tab_while_measuring(page, port, tab_id, url):
    for _ in range(3):
        time.sleep(0.5)
        page.key(*RETURN)
    page.wait_for(DATA_FILES + ".length > 1", 10) or fail("no second measurement started")
    time.sleep(0.5)
    name, rows = newest_rows(page)
    readings = reading_rows(rows)
    if len(readings) != 3:
        fail("%s has %d readings, not 3:\n%s" % (name, len(readings), "\n".join(rows)))
    close_tab(port, tab_id)
    step("the tab closed in the middle of a measurement of %d readings" % len(readings))
    tab = new_tab(port, url)
    page = Page(tab["webSocketDebuggerUrl"])
    page.call("Page.enable")
    page.call("Runtime.enable")
    wait_for_program(page, "the page did not open again")
    time.sleep(2)  # the recovery of a pending row at the start
    again = newest_rows(page)[1]
    kept = [r for r in reading_rows(again)]
    if kept != readings:
        fail("opened again, %s holds %r, not %r" % (name, kept, readings))
    if not again[-1].endswith('"←対象等"'):
        fail("%s: the measurement was not ended as the tab closed:\n%s" % (name, "\n".join(again)))
    step("opened again, %s holds every reading, and the measurement was ended" % name)
    return page


def companion_shows(page):
    readings = len(reading_rows(newest_rows(page)[1]))
    page.js("document.getElementById('show-graph').click(), true")
    shown = page.wait_for("globalThis.quellmarkGraphReadings", 30)
    if shown != readings:
        fail("the companion's window shows %r readings, not %d" % (shown, readings))
    step("the companion's window shows the %d readings" % shown)


def files_leave_as_downloads(page, folder):
    name, rows = newest_rows(page)
    page.js("document.getElementById('show-files').click(), true")
    page.js("document.querySelector('#file-list a').click(), true")
    if downloaded(folder, name) != read_file(page, "DATA/" + name):
        fail("the download of %s is not the data file" % name)
    page.js("document.getElementById('files').close(), true")
    step("%s left the page as a download" % name)

    # The companion's save dialog: its name typed in the page's input. The
    # button raises the companion over the main window and gives it the keys.
    page.js("document.getElementById('show-graph').click(), true")
    page.js("document.querySelector('#screen canvas').focus(), true")
    # Ctrl+S again while the window's activation is still on its way.
    for attempt in range(3):
        for kind in ("keyDown", "keyUp"):
            page.call("Input.dispatchKeyEvent", type=kind, key="s", code="KeyS",
                      windowsVirtualKeyCode=83, modifiers=2)
        if page.wait_for(TEXT_INPUT, 5):
            break
    else:
        fail("the companion's save dialog did not ask for a name")
    page.call("Input.insertText", text="readings.csv")
    page.key(*RETURN)
    saved = downloaded(folder, "readings.csv").decode("utf-8-sig").splitlines()
    if len(saved) != 1 + len(reading_rows(rows)):
        fail("the companion's readings.csv holds:\n" + "\n".join(saved))
    step("the companion's readings left the page as a download of %d lines" % len(saved))


if __name__ == "__main__":
    main()
