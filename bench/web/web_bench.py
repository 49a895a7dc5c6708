#!/usr/bin/env python3
"""The web site's frame times in headless Chromium and its size.

usage: web_bench.py [SITE] [FRAMES] [PASSES]
       (default build-web/site, 2400 frames: 40 s of show, 3 passes)

The page's bench mode shows the first frame, leaves the browser 1.5 s to
finish loading the page (as the live page's wait for a click does), then
draws FRAMES frames of the exact show one after the other on its canvas
(palette applied, put on the canvas) without waiting for the screen and
times each from the end of the one before. It plays the show PASSES times
so, and posts here the median, 99th percentile, maximum, how many frames
took 2 ms or more and the five slowest (frame number and milliseconds) of
each frame's best time over the passes, then the maximum and the count of
2 ms or more of each pass alone. It runs twice: as Chromium compiles by
default, and with all code compiled fully before the page runs.

A control page (control.html beside this script) then does the last step
of every frame, a fixed picture's palette applied and put on the canvas,
made again until its frames last as long as the show's (median), timed the
same way: its work is the same in every frame, so its slow frames show what
the machine and the browser add to a frame now and then.

The site's size is given as served and compressed with gzip -9 (as a server
that compresses would send it).
"""
import functools
import gzip
import http.server
import os
import re
import subprocess
import sys
import tempfile
import threading

CHROMIUM = [
    "chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--window-size=640,480", "--force-device-scale-factor=1",
]


# Chromium's own way (code compiled quickly at first, hot code again later)
# and with all code compiled fully before the page runs: what is left in the
# second is the show's own work.
WAYS = (("as the browser compiles", []),
        ("compiled ahead", ["--js-flags=--no-wasm-dynamic-tiering --no-wasm-lazy-compilation"]))


def bench(site, page, flags):
    """What the page (with its query) posts in one run, or None."""
    result = []
    got = threading.Event()

    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def do_POST(self):
            length = min(int(self.headers.get("Content-Length", "0")), 4096)
            result.append(self.rfile.read(length).decode("utf-8", "replace"))
            self.send_response(204)
            self.end_headers()
            got.set()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/%s" % (server.server_address[1], page)
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = subprocess.Popen(CHROMIUM + flags + ["--user-data-dir=" + profile, url],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            got.wait(300)
        finally:
            browser.terminate()
            browser.wait(30)
    server.shutdown()
    return result[0] if result else None


def main():
    site = sys.argv[1] if len(sys.argv) > 1 else "build-web/site"
    numbers = sys.argv[2:4] + ["2400", "3"][len(sys.argv[2:4]):]
    if len(sys.argv) > 4 or not all(n.isdigit() and len(n) < 9 for n in numbers) or \
            not (1 <= int(numbers[0]) <= 10000000 and 1 <= int(numbers[1]) <= 20):
        sys.stderr.write("web_bench: usage: web_bench.py [SITE] [FRAMES (1 to 10000000)] [PASSES (1 to 20)]\n")
        return 2
    frames, passes = int(numbers[0]), int(numbers[1])
    if not os.path.exists(os.path.join(site, "index.html")):
        sys.stderr.write("web_bench: no site in %s (build it with scripts/web)\n" % site)
        return 2

    query = "?bench=%d&passes=%d" % (frames, passes)
    results = []
    for way, flags in WAYS:
        results.append(bench(site, "index.html" + query, flags))
        print("web frame time, %s (%s)" % (way, results[-1] or "no result within 300 s"), flush=True)
    # The control's frames last as long as the show's did.
    median = re.search(r" median (\d+\.\d+)", results[0] or "")
    control = query + "&ms=" + (median.group(1) if median else "0.4")
    results.append(bench(os.path.dirname(os.path.abspath(__file__)), "control.html" + control, []))
    print("control, the same last step on a fixed picture made again for as long (%s)"
          % (results[-1] or "no result within 300 s"), flush=True)

    raw = packed = 0
    for name in sorted(os.listdir(site)):
        with open(os.path.join(site, name), "rb") as f:
            data = f.read()
        size = len(gzip.compress(data, 9))
        raw += len(data)
        packed += size
        print("  %-16s %9d bytes, %9d gzip -9" % (name, len(data), size))
    print("web site: %.2f MB, %.2f MB compressed (goal: under 4 MB)" % (raw / 1e6, packed / 1e6))
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
