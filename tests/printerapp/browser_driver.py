#!/usr/bin/env python3
"""Drives a headless chromium through its DevTools protocol on the two pipes of
--remote-debugging-pipe (here FIFOs; standard library only): loads pages of the
printer application's web interface, changes a form field there as a user
would, submits the form and takes screenshots.

  browser_driver.py COMMANDS-FIFO ANSWERS-FIFO STEP...
  STEP: screenshot URL OUT.png
        set URL FIELD VALUE OUT.png   (the field must show VALUE after saving)
"""
import base64
import json
import os
import sys
import time


class DevTools:
    def __init__(self, commands, answers):
        self.commands = open(commands, "wb", buffering=0)
        self.answers = os.open(answers, os.O_RDONLY)
        self.buffer, self.next_id, self.session = b"", 0, None
        page = next(t for t in self.call("Target.getTargets")["targetInfos"] if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]

    def call(self, method, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if self.session:
            message["sessionId"] = self.session
        self.commands.write(json.dumps(message).encode() + b"\0")
        while True:  # answers and events, each ended by a NUL
            while b"\0" not in self.buffer:
                chunk = os.read(self.answers, 1 << 20)
                if not chunk:
                    raise SystemExit("chromium closed its pipe")
                self.buffer += chunk
            text, self.buffer = self.buffer.split(b"\0", 1)
            answer = json.loads(text)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise SystemExit(f"{method}: {answer['error']}")
                return answer.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return result.get("result", {}).get("value")

    def load(self, url=None):  # with no URL: waits for the page a click opens
        if url:
            self.call("Page.navigate", url=url)
        time.sleep(0.3)
        for _ in range(100):
            if self.evaluate("document.readyState") == "complete":
                return
            time.sleep(0.1)
        raise SystemExit("the page did not finish loading")

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))


def main():
    if len(sys.argv) < 6:
        raise SystemExit(__doc__)
    tools = DevTools(sys.argv[1], sys.argv[2])
    steps = sys.argv[3:]
    while steps:
        if steps[0] == "screenshot" and len(steps) >= 3:
            (_, url, shot), steps = steps[:3], steps[3:]
            tools.load(url)
            tools.screenshot(shot)
            print(f"loaded {url}: {tools.evaluate('document.title')}")
        elif steps[0] == "set" and len(steps) >= 5:
            (_, url, field, value, shot), steps = steps[:5], steps[5:]
            tools.load(url)
            found = tools.evaluate(
                f"(() => {{ const e = document.querySelector('[name=\"{field}\"]');"
                f" if (!e) return 'missing';"
                f" e.value = {json.dumps(value)}; e.dispatchEvent(new Event('change'));"
                f" const b = e.form.querySelector('input[type=submit],button[type=submit],button');"
                f" if (b) b.click(); else e.form.submit(); return 'submitted'; }})()")
            if found != "submitted":
                raise SystemExit(f"no field {field} on {url}")
            tools.load()
            tools.load(url)
            shown = tools.evaluate(f"document.querySelector('[name=\"{field}\"]').value")
            tools.screenshot(shot)
            print(f"{field} shows {shown} after saving")
            if shown != value:
                raise SystemExit(f"{field} shows {shown}, not {value}")
        else:
            raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
