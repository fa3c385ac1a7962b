#!/usr/bin/env python3
"""Opens the web build in headless Chromium, clicks the cover, watches the show for a while and
checks that it plays: the canvas shows a picture (not black) and the first scene's trace line
reached the browser's console, the sound started (no "sound:" complaint); then presses Escape and
checks that the show ended well. Drives Chromium through chromedriver's HTTP interface, so that
nothing beyond Debian's packages is needed.

    browser_check.py BUILD_WEB_DIR [--seconds S] [--query QUERY] [--screenshot OUT.png]

With --seconds long enough it also reports, from the trace's timestamps, each finished scene's
passes per second. Exit code 0 when the show played, 1 when a check failed.
"""
import argparse
import base64
import json
import os
import re
import socket
import struct
import subprocess
import sys
import time
import urllib.request
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "web"))
from serve import serve  # noqa: E402


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Driver:
    def __init__(self, port):
        self.base = f"http://127.0.0.1:{port}"
        self.session = None

    def call(self, method, path, body=None, timeout=60):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.base + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=timeout) as response:
                return json.loads(response.read() or b"{}").get("value")
        except urllib.error.HTTPError as e:
            raise RuntimeError(f"{method} {path}: {e.code} {e.read()[:400]!r}") from None

    def s(self, method, path, body=None):
        return self.call(method, f"/session/{self.session}{path}", body)

    def start(self, chromium):
        caps = {"capabilities": {"alwaysMatch": {
            "browserName": "chrome",
            "goog:loggingPrefs": {"browser": "ALL"},
            "goog:chromeOptions": {"binary": chromium, "args": [
                "--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=800,600",
                "--mute-audio"]},
        }}}
        self.session = self.call("POST", "/session", caps, timeout=120)["sessionId"]

    def script(self, source):
        return self.s("POST", "/execute/sync", {"script": source, "args": []})

    def logs(self):
        return self.s("POST", "/se/log", {"type": "browser"}) or []


def decode_png(data):
    """RGB or RGBA, 8 bits a channel: what Chromium's screenshots are. Returns (w, h, ch, rows)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
            assert depth == 8 and colour in (2, 6), "unexpected PNG format"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        filter_type = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if filter_type == 1:
                line[i] = (line[i] + a) & 255
            elif filter_type == 2:
                line[i] = (line[i] + b) & 255
            elif filter_type == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif filter_type == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def lit_fraction(png):
    """The share of pixels brighter than near-black."""
    width, height, channels, rows = decode_png(png)
    lit = 0
    for row in rows:
        for x in range(0, width * channels, channels):
            if max(row[x], row[x + 1], row[x + 2]) > 24:
                lit += 1
    return lit / (width * height)


TRACE = re.compile(r'"?(scene (\w+) (begins at -?\d+ ms|passes (\d+) frames \d+))')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("directory")
    parser.add_argument("--seconds", type=float, default=8)
    parser.add_argument("--query", default="")
    parser.add_argument("--screenshot")
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--chromedriver", default="chromedriver")
    options = parser.parse_args()

    server = serve(options.directory)
    port = free_port()
    chromedriver = subprocess.Popen([options.chromedriver, f"--port={port}"], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
    driver = Driver(port)
    failures = []
    try:
        for _ in range(100):
            try:
                if driver.call("GET", "/status", timeout=2).get("ready"):
                    break
            except (OSError, RuntimeError):
                pass
            time.sleep(0.1)
        driver.start(options.chromium)
        url = f"http://127.0.0.1:{server.server_address[1]}/{options.query}"
        driver.s("POST", "/url", {"url": url})
        # The cover says "click to start" once the program and its content are loaded.
        deadline = time.time() + 120
        while driver.script("return document.getElementById('status').textContent") != "click to start":
            if time.time() > deadline:
                raise RuntimeError("the page never became ready to start")
            time.sleep(0.2)
        cover = driver.s("POST", "/element", {"using": "css selector", "value": "#cover"})
        cover_id = next(iter(cover.values()))
        driver.s("POST", f"/element/{cover_id}/click", {})
        clicked = time.time()

        entries = []
        while time.time() - clicked < options.seconds:
            time.sleep(1)
            entries += driver.logs()
        canvas = driver.s("POST", "/element", {"using": "css selector", "value": "#canvas"})
        shot = base64.b64decode(driver.s("GET", f"/element/{next(iter(canvas.values()))}/screenshot"))
        entries += driver.logs()
        if options.screenshot:
            with open(options.screenshot, "wb") as f:
                f.write(shot)

        # Escape ends the show; the page says so on its cover (a failure would say "stopped").
        escape = "\ue00c"
        driver.s("POST", "/actions", {"actions": [{"type": "key", "id": "keyboard", "actions": [
            {"type": "keyDown", "value": escape}, {"type": "keyUp", "value": escape}]}]})
        deadline = time.time() + 20
        ended = ""
        while time.time() < deadline and not ended.startswith("the show"):
            time.sleep(0.2)
            ended = driver.script("return document.getElementById('status').textContent")
        print(f"after Escape the page says: {ended}")
        if not ended.startswith("the show has ended"):
            failures.append("Escape did not end the show")

        lines = []
        for entry in entries:
            m = TRACE.search(entry.get("message", ""))
            if m:
                lines.append((entry["timestamp"] / 1000.0, m))
        severe = [e["message"] for e in entries if e.get("level") == "SEVERE" and not TRACE.search(e["message"])]
        for message in severe[:5]:
            print("console:", message)

        # The sound layer says "sound: ..." on stderr when the page's audio could not start.
        sound = [e["message"] for e in entries if re.search(r'"?sound: ', e.get("message", ""))]
        if sound:
            failures.append("the sound did not start: " + sound[0])

        fraction = lit_fraction(shot)
        print(f"canvas: {fraction * 100:.1f}% of its pixels lit after {options.seconds:.0f} s")
        if fraction < 0.01:
            failures.append("the canvas is black")
        if not lines or "begins at" not in lines[0][1].group(3):
            failures.append("no scene trace line reached the console")
        else:
            print(f"first trace line in the console, {lines[0][0] - clicked:.1f} s after the click:",
                  lines[0][1].group(1))
        final = [e for e in entries if "final loop at pass" in e.get("message", "")]
        if final:
            print(f"the show reached its last loop {final[0]['timestamp'] / 1000.0 - clicked:.1f} s after the click")
        begun = {}
        for stamp, m in lines:
            name = m.group(2)
            if "begins at" in m.group(3):
                begun[name] = stamp
            elif name in begun and stamp > begun[name]:
                passes = int(m.group(4))
                print(f"scene {name}: {passes} passes in {stamp - begun[name]:.1f} s, "
                      f"{passes / (stamp - begun[name]):.1f} passes per second")
    except Exception as e:  # a failure of the browser or the driver is a failed check too
        failures.append(str(e))
    finally:
        if driver.session:
            try:
                driver.call("DELETE", f"/session/{driver.session}", timeout=30)
            except (OSError, RuntimeError):
                pass
        chromedriver.terminate()
        chromedriver.wait()
        server.shutdown()
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
