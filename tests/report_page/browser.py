"""Headless Chromium driven over the DevTools protocol on a pipe.

One fresh browser per Browser(): its own profile folder, no network
services, no sandbox (the tests run as root). The protocol's messages are
JSON texts ended by a NUL byte on file descriptors 3 (to the browser) and 4
(from it), so no socket and no client library is needed.
"""
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-extensions", "--disable-default-apps", "--mute-audio", "--hide-scrollbars",
]


def chromium_path():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


class BrowserError(RuntimeError):
    pass


class Browser:
    def __init__(self, width=1280, height=900, timeout=30.0):
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix="luma-chromium-")
        to_browser, self._out = os.pipe()
        self._in, from_browser = os.pipe()

        def child_fds():
            os.dup2(to_browser, 3)
            os.dup2(from_browser, 4)

        self.proc = subprocess.Popen(
            [chromium_path()] + FLAGS + ["--user-data-dir=" + self.profile, "--window-size=%d,%d" % (width, height),
                                         "--remote-debugging-pipe", "about:blank"],
            preexec_fn=child_fds, pass_fds=(3, 4), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self._buf = b""
        self._next_id = 0
        self.events = []
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log", "Network"):
            self.call(domain + ".enable", session=True)
        self.call("Emulation.setDeviceMetricsOverride", session=True, width=width, height=height,
                  deviceScaleFactor=1, mobile=False)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        for fd in (self._out, self._in):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _receive(self, deadline):
        while b"\0" not in self._buf:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._in], [], [], left)[0]:
                raise BrowserError("no answer from the browser in %.0f s" % self.timeout)
            chunk = os.read(self._in, 1 << 20)
            if not chunk:
                raise BrowserError("the browser closed its pipe")
            self._buf += chunk
        message, self._buf = self._buf.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=False, **params):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = self.session
        os.write(self._out, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + self.timeout
        while True:
            answer = self._receive(deadline)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise BrowserError("%s: %s" % (method, answer["error"]))
                return answer.get("result", {})
            if "method" in answer:
                self.events.append(answer)

    def wait_event(self, method):
        deadline = time.monotonic() + self.timeout
        for i, event in enumerate(self.events):
            if event["method"] == method:
                return self.events.pop(i)
        while True:
            answer = self._receive(deadline)
            if answer.get("method") == method:
                return answer
            if "method" in answer:
                self.events.append(answer)

    def open(self, path):
        """Loads a file and waits for its load event; the seconds from the
        navigation's start to the end of the load event, as the page's own
        timing says."""
        self.events = []
        self.call("Page.navigate", session=True, url="file://" + os.path.abspath(path))
        self.wait_event("Page.loadEventFired")
        return self.evaluate("(function(){var n=performance.getEntriesByType('navigation')[0];"
                             "return n.loadEventEnd - n.startTime;})()") / 1000.0

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", session=True, expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise BrowserError("script failed: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def type_text(self, selector, text):
        """Focuses the element and types as a user does (input events)."""
        self.evaluate("document.querySelector(%s).focus()" % json.dumps(selector))
        self.call("Input.insertText", session=True, text=text)

    def screenshot(self, path, full_page=False, clip_height=None):
        params = {"format": "png"}
        if full_page or clip_height:
            height = clip_height or self.evaluate("document.documentElement.scrollHeight")
            width = self.evaluate("document.documentElement.clientWidth")
            params.update(captureBeyondViewport=True, clip={"x": 0, "y": 0, "width": width, "height": height,
                                                             "scale": 1})
        import base64
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.call("Page.captureScreenshot", session=True, **params)["data"]))

    def problems(self):
        """Script errors, console errors and policy violations the page caused."""
        found = []
        for event in self.events:
            method, params = event["method"], event.get("params", {})
            if method == "Runtime.exceptionThrown":
                found.append("exception: %s" % params["exceptionDetails"].get("text"))
            elif method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                found.append("console.%s: %s" % (params["type"], params.get("args")))
            elif method == "Log.entryAdded" and params["entry"].get("level") == "error":
                found.append("log: %s" % params["entry"].get("text"))
        return found

    def requests(self):
        """The URLs the page asked for."""
        return [e["params"]["request"]["url"] for e in self.events if e["method"] == "Network.requestWillBeSent"]
