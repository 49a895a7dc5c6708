#!/usr/bin/env python3
"""The web site in headless Chromium, served by a plain static file server on
127.0.0.1, against the native show: the frames' checksums and screenshots,
the keys, and the page around the show.

usage: browser_test.py CASE SITE SHOWTRACE DATA OUT
  CASE       frames | keys | page | live
  SITE       the built site (build-web/site)
  SHOWTRACE  the native showtrace program
  DATA       the folder of the native show's v01.dat and vo.mp3
  OUT        where screenshots and native frames are left
"""
import functools
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading

CHROMIUM = [
    "chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--window-size=640,480", "--force-device-scale-factor=1", "--hide-scrollbars",
    "--force-color-profile=srgb",
]
failures = []


def check(ok, what):
    if len(what) > 300:
        what = what[:300] + "..."
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)


class Quiet(http.server.SimpleHTTPRequestHandler):
    posted = []
    got_post = threading.Event()

    def log_message(self, *args):
        pass

    def do_POST(self):
        # The live test's page and the bench post their results.
        length = min(int(self.headers.get("Content-Length", "0")), 4096)
        Quiet.posted.append(self.rfile.read(length).decode("utf-8", "replace"))
        self.send_response(204)
        self.end_headers()
        Quiet.got_post.set()


def serve(directory):
    """A plain static server (no special headers) on a free port."""
    handler = functools.partial(Quiet, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1]


def browse(url, shot=None, budget_ms=600000):
    """The page's DOM after it settled, and its screenshot when asked."""
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        cmd = CHROMIUM + ["--user-data-dir=" + profile, "--virtual-time-budget=%d" % budget_ms, "--dump-dom"]
        if shot:
            cmd.append("--screenshot=" + shot)
        run = subprocess.run(cmd + [url], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=240,
                             cwd=profile)
    return run.stdout.decode("utf-8", "replace")


def first_post(url, seconds=90):
    """What the page posts first, in real time (timers stand still in virtual time)."""
    Quiet.posted.clear()
    Quiet.got_post.clear()
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = subprocess.Popen(CHROMIUM + ["--user-data-dir=" + profile, url],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=profile)
        try:
            Quiet.got_post.wait(seconds)
        finally:
            browser.terminate()
            browser.wait(30)
    return Quiet.posted[0] if Quiet.posted else "(no result in %d s)" % seconds


def title(dom):
    m = re.search(r"<title>([^<]*)</title>", dom)
    return m.group(1) if m else ""


def frame_ms(n):
    """The show time of frame n of the trace: floor(n x 1000000 / 60) microseconds."""
    return (n * 1000000 // 60) / 1000.0


def native_trace(showtrace, data, until_frame, keys="", pngs=(), out="."):
    """Frame number -> (idx, pal) of the native trace, its frame count, and
    the PNG file of each frame in pngs."""
    script = os.path.join(out, "keys.txt")
    with open(script, "w") as f:
        f.write(keys)
    # A PNG is written for the first frame at or after its time.
    times = {n: (frame_ms(n) - 1 if n else 0) for n in pngs}
    cmd = [showtrace, "--data", data, "--until", "%.3f" % (frame_ms(until_frame) + 1), "--keys", script,
           "--out", out]
    if times:
        cmd += ["--png", ",".join("%.3f" % t for t in times.values())]
    text = subprocess.run(cmd, stdout=subprocess.PIPE, check=True, timeout=300).stdout.decode()
    frames, count = {}, None
    for line in text.splitlines():
        m = re.match(r"\s*(\d+) .* idx ([0-9a-f]{8}) pal ([0-9a-f]{8})$", line)
        if m:
            frames[int(m.group(1))] = (m.group(2), m.group(3))
        m = re.match(r"# (\d+) frames", line)
        if m:
            count = int(m.group(1))
    files = {n: os.path.join(out, "frame_%05d.png" % round(t)) for n, t in times.items()}
    return frames, count, files


def rgb(png):
    """The picture's size and its RGB bytes."""
    size = subprocess.run(["identify", "-format", "%w %h", png], stdout=subprocess.PIPE, check=True).stdout
    data = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], stdout=subprocess.PIPE, check=True).stdout
    return tuple(int(v) for v in size.split()), data


def same_picture(a, b):
    (sa, da), (sb, db) = rgb(a), rgb(b)
    if sa != sb:
        return "sizes %s and %s" % (sa, sb)
    differing = sum(1 for i in range(0, len(da), 3) if da[i:i + 3] != db[i:i + 3])
    return "" if differing == 0 else "%d pixels differ" % differing


def key_time(frame):
    """A native key time (whole ms) read at the end of this frame, before the next one."""
    return int(frame_ms(frame)) + 8


def case_frames(base, args):
    # One frame or more of every part of the show, the masked effect's per-frame blobs among them.
    wanted = [0, 60, 600, 960, 1000, 1200, 1800, 2200]
    native, _, pngs = native_trace(args.showtrace, args.data, max(wanted), pngs=wanted, out=args.out)
    for n in wanted:
        shot = os.path.join(args.out, "web_%05d.png" % n)
        got = title(browse(base + "index.html?frame=%d" % n, shot))
        want = "frame %d idx %s pal %s" % ((n,) + native[n])
        check(got == want, "frame %d: title %r, native %r" % (n, got, want))
        differs = same_picture(shot, pngs[n]) if os.path.exists(shot) else "no screenshot"
        check(not differs, "frame %d: the screenshot equals the native frame %s" % (n, differs))


def case_keys(base, args):
    # M shows the profiler, R restarts (the blobs go on), Escape ends the show.
    keys = "%d key m\n%d key r\n" % (key_time(200), key_time(1000))
    native, _, _ = native_trace(args.showtrace, args.data, 1030, keys=keys, out=args.out)
    for n in (230, 1030):
        got = title(browse(base + "index.html?frame=%d&press=200:KeyM,1000:KeyR" % n))
        want = "frame %d idx %s pal %s" % ((n,) + native[n])
        check(got == want, "M at 200, R at 1000, frame %d: title %r, native %r" % (n, got, want))
    plain, _, _ = native_trace(args.showtrace, args.data, 1030, out=args.out)
    check(plain[230] != native[230], "the profiler changes frame 230")
    check(plain[1030] != native[1030], "the restart changes frame 1030")
    _, count, _ = native_trace(args.showtrace, args.data, 2000, keys="%d key Escape\n" % key_time(300),
                               out=args.out)
    got = title(browse(base + "index.html?frame=2000&press=300:Escape"))
    check(got == "ended after frame %d" % (count - 1), "Escape at 300: %r, native frames %s" % (got, count))
    got = title(browse(base + "index.html?frame=2000&press=300:Space"))
    check(got == "ended after frame 300", "Space at 300: %r" % got)
    # Other keys do nothing.
    got = title(browse(base + "index.html?frame=230&press=200:KeyN"))
    check(got == "frame 230 idx %s pal %s" % plain[230], "N does nothing: %r" % got)


def case_page(base, args):
    dom = browse(base + "index.html", os.path.join(args.out, "live.png"), budget_ms=20000)
    check("click to start" in dom and 'class="error"' not in dom,
          "the page waits for a click: %r" % re.findall(r'<div id="note"[^>]*>[^<]*', dom))
    check(title(dom) == "Tessaline", "the page's title: %r" % title(dom))
    for bad, says in (("frame=-1", "not a frame number"), ("frame=1e9", "not a frame number"),
                      ("frame=12&bench=3", "given with frame"), ("press=1:KeyM", "only with frame"),
                      ("frame=5&press=x:KeyM", "not a list"), ("frame=5&press=1:<b>", "not a list"),
                      ("debug=yes", "only debug=1"), ("frame=" + "9" * 5000, "not a frame number"),
                      ("passes=2", "without bench"), ("bench=5&passes=21", "not a number of passes")):
        got = title(browse(base + "index.html?" + bad, budget_ms=5000))
        check(got.startswith("error: ") and says in got, "%s: %r" % (bad, got))
    # The bench's figures, in real time: well formed and in order (numbers
    # below 1 once lost their leading 0 on a misaligned task stack), and each
    # frame's best over the passes no slower than any pass's slowest frame.
    got = first_post(base + "index.html?bench=300&passes=2")
    m = re.fullmatch(r"bench 300 frames best of 2 passes median (\d+\.\d{3}) p99 (\d+\.\d{3}) "
                     r"max (\d+\.\d{3}) ms; (\d+) of 2 ms or more; slowest:((?: \d+ \(\d+\.\d\)){5}); "
                     r"passes: max (\d+\.\d{3}) (\d+\.\d{3}) ms, \d+ \d+ of 2 ms or more", got)
    slowest = [float(t) for t in re.findall(r"\((\d+\.\d)\)", m.group(5))] if m else []
    check(m is not None and float(m.group(1)) <= float(m.group(2)) <= float(m.group(3)) and
          slowest == sorted(slowest, reverse=True) and abs(slowest[0] - float(m.group(3))) < 0.051 and
          float(m.group(3)) <= min(float(m.group(6)), float(m.group(7))), "bench figures: %r" % got)
    # Without its pack file the show ends with the framework's fatal text, shown on the page.
    with tempfile.TemporaryDirectory() as bare:
        for name in os.listdir(args.site):
            if name != "v01.dat":
                shutil.copy(os.path.join(args.site, name), bare)
        server, other = serve(bare)
        try:
            dom = browse(other + "index.html?frame=10", budget_ms=20000)
        finally:
            server.shutdown()
    check(title(dom).startswith("fatal: ") and 'class="error"' in dom,
          "no v01.dat: %r, note %r" % (title(dom), re.findall(r'<div id="note"[^>]*>[^<]*', dom)))


def case_live(base, args):
    # In real time (timers stand still in virtual time): click to start, the
    # sound starts, the picture at 4:3 in the middle, F11 and a double click
    # ask for full screen, Escape ends with a message, a key starts the show
    # again, two mouse buttons end it.
    with tempfile.TemporaryDirectory() as site:
        for name in os.listdir(args.site):
            shutil.copy(os.path.join(args.site, name), site)
        shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), "live_test.html"), site)
        server, other = serve(site)
        try:
            got = first_post(other + "live_test.html")
        finally:
            server.shutdown()
    want = ("click to start | playing sound on | 117 0 667 500 pixelated | full screen asked 2 | "
            "The show has ended. Click or press a key to watch it again. | playing again | ended by the mouse")
    check(got == want, "live: %r" % got)


def main():
    if len(sys.argv) != 6 or sys.argv[1] not in ("frames", "keys", "page", "live"):
        sys.stderr.write(__doc__)
        return 2

    class Args:
        pass

    args = Args()
    case, args.site, args.showtrace, args.data, args.out = sys.argv[1:]
    os.makedirs(args.out, exist_ok=True)
    args.out = os.path.abspath(args.out)
    for name in ("v01.dat", "vo.mp3"):
        with open(os.path.join(args.site, name), "rb") as a, open(os.path.join(args.data, name), "rb") as b:
            if a.read() != b.read():
                print("FAIL  the site's %s is not the native build's: rebuild the site (scripts/web)" % name)
                return 1
    server, base = serve(args.site)
    try:
        {"frames": case_frames, "keys": case_keys, "page": case_page, "live": case_live}[case](base, args)
    finally:
        server.shutdown()
    print("web %s: %s" % (case, "%d checks failed" % len(failures) if failures else "every check holds"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
