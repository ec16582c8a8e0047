#!/usr/bin/python3
"""The page end to end in headless Chromium, driven over the DevTools
protocol, against the site served on 127.0.0.1:

  - the page loads and the program starts (the time is printed);
  - the first-start message goes with Return;
  - the start key makes a data file, three more presses are readings and
    BackSpace marks the last one NG: the file and its sidecar, read through
    window.quellmarkFS, are CP932 with CR LF and have those rows, and the
    laps are the intervals between the keys also when the page was busy as
    a key went down;
  - none of the keys scrolled the page or left it;
  - after a reload the rows are all still there (the browser's storage).

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
    return browser, tab["webSocketDebuggerUrl"]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    server = serve(os.path.abspath(sys.argv[1]))
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    # Chromium's helper processes may still write there as it goes.
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser, target = start_chromium(profile)
        try:
            run(Page(target), url)
        finally:
            browser.kill()
            browser.wait()
    step("passed")


def run(page, url):
    page.call("Page.enable")
    page.call("Runtime.enable")
    step("loading " + url)
    started = time.monotonic()
    page.call("Page.navigate", url=url)
    if not page.wait_for("!!window.quellmarkFS && !document.getElementById('message')", 120):
        fail("the program did not start: " + str(page.js(
            "(document.getElementById('message') || {}).textContent")))
    step("the program started %.1f s after the page was asked for" % (time.monotonic() - started))
    page.js("document.querySelector('#screen canvas, canvas').focus(), true")

    # The first Return closes the first-start message; Returns are sent
    # until the start has made a data file, so that a Return the page took
    # before its window was ready is sent again, not counted as a press.
    time.sleep(1)
    page.key(*RETURN)
    for attempt in range(1, 6):
        time.sleep(1)
        sent = [time.monotonic()]
        page.key(*RETURN)
        files = page.wait_for(DATA_FILES + ".length ? " + DATA_FILES + " : null", 5)
        if files:
            break
        step("no data file after Return %d, sending it again" % attempt)
    else:
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
        page.key(*RETURN)
    time.sleep(0.5)
    page.key(*BACKSPACE)

    # The page handles keys in its own time: the rows are awaited.
    name = files[0]
    for _ in range(30):
        time.sleep(0.5)
        data = read_file(page, "DATA/" + name) + read_file(page, "DATA/%s.pending" % name)
        rows = data.decode("cp932", errors="replace").split("\r\n")[:-1]
        readings = [r for r in rows if re.match(r'^\d+,"?\d\d:\d\d:\d\d"?,', r)]
        if len(readings) == 4 and "--NG" in readings[-1]:
            break
    if not data.endswith(b"\r\n") or b"\n" in data.replace(b"\r\n", b""):
        fail("%s: not every line ends with CR LF" % name)
    data.decode("cp932")  # fails on anything but CP932
    if len(readings) != 4:
        fail("%s has %d reading rows, not 4:\n%s" % (name, len(readings), "\n".join(rows)))
    if "--NG" not in readings[-1] or any("--NG" in r for r in readings[:-1]):
        fail("BackSpace did not mark the last reading alone NG:\n" + "\n".join(readings))
    step("%s: %d rows, the readings %s" % (name, len(rows), readings))
    laps = [float(next(csv.reader([r]))[3]) for r in readings[1:]]
    errors = [abs(lap - (b - a)) for lap, (a, b) in zip(laps, zip(sent, sent[1:]))]
    step("laps %s against the keys' intervals %s: off by %.3f s at most" % (
        laps, ["%.3f" % (b - a) for a, b in zip(sent, sent[1:])], max(errors)))
    # To the hundredth the screen shows, and half a hundredth of its rounding.
    if max(errors) > 0.015:
        fail("the laps are not the intervals between the keys")
    where = page.js("[window.scrollX, window.scrollY, location.href]")
    if where != [0, 0, url]:
        fail("the keys moved or left the page: %r" % where)

    if not page.wait_for("globalThis.quellmarkStorageIdle()", 10):
        fail("the browser's storage did not take the files")
    page.call("Page.reload")
    if not page.wait_for("!!window.quellmarkFS && !document.getElementById('message')", 120):
        fail("the program did not start again after a reload")
    time.sleep(2)  # the recovery of the pending row at the start
    again = read_file(page, "DATA/" + name) + read_file(page, "DATA/%s.pending" % name)
    kept = [r for r in again.decode("cp932").split("\r\n") if r in readings]
    if kept != readings:
        fail("after a reload %s holds %r, not %r" % (name, kept, readings))
    step("after a reload %s still holds every reading" % name)

    # The companion in the same page follows the measurement.
    page.js("document.getElementById('show-graph').click(), true")
    shown = page.wait_for("globalThis.quellmarkGraphReadings", 30)
    if shown != len(readings):
        fail("the companion's window shows %r readings, not %d" % (shown, len(readings)))
    step("the companion's window shows the %d readings" % shown)


if __name__ == "__main__":
    main()
