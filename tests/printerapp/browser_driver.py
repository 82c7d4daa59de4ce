#!/usr/bin/env python3
"""Drives a headless chromium through its DevTools protocol (standard library
only): loads pages of the printer application's web interface, changes a
form field there as a user would, submits the form and takes screenshots.

  browser_driver.py PORT screenshot URL OUT.png
  browser_driver.py PORT set URL FIELD VALUE OUT.png   (screenshot after saving)
"""
import base64
import json
import os
import socket
import struct
import sys
import time
import urllib.request


class DevTools:
    def __init__(self, port):
        for _ in range(100):
            try:
                with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=2) as r:
                    pages = [p for p in json.load(r) if p.get("type") == "page"]
                if pages:
                    break
            except OSError:
                pass
            time.sleep(0.1)
        else:
            raise SystemExit("chromium's DevTools endpoint did not answer")
        url = pages[0]["webSocketDebuggerUrl"]
        host_port, path = url[len("ws://"):].split("/", 1)
        host, ws_port = host_port.split(":")
        self.sock = socket.create_connection((host, int(ws_port)), timeout=30)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /{path} HTTP/1.1\r\nHost: {host_port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        response = b""
        while b"\r\n\r\n" not in response:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise SystemExit("DevTools closed the connection")
            response += chunk
        if b" 101 " not in response.split(b"\r\n", 1)[0]:
            raise SystemExit("DevTools refused the WebSocket: " + response.decode(errors="replace"))
        self.buffer = response.split(b"\r\n\r\n", 1)[1]
        self.next_id = 0

    def _read(self, n):
        while len(self.buffer) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise SystemExit("DevTools closed the connection")
            self.buffer += chunk
        data, self.buffer = self.buffer[:n], self.buffer[n:]
        return data

    def _send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        header = bytes([0x81])
        if len(payload) < 126:
            header += bytes([0x80 | len(payload)])
        elif len(payload) < 65536:
            header += bytes([0x80 | 126]) + struct.pack(">H", len(payload))
        else:
            header += bytes([0x80 | 127]) + struct.pack(">Q", len(payload))
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(header + mask + masked)

    def _message(self):
        parts = []
        while True:
            b0, b1 = self._read(2)
            length = b1 & 0x7F
            if length == 126:
                length = struct.unpack(">H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._read(8))[0]
            parts.append(self._read(length))
            if b0 & 0x80:
                return json.loads(b"".join(parts))

    def call(self, method, **params):
        self.next_id += 1
        self._send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = self._message()
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise SystemExit(f"{method}: {message['error']}")
                return message.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return result.get("result", {}).get("value")

    def load(self, url):
        self.call("Page.navigate", url=url)
        self.wait_loaded()

    def wait_loaded(self):
        time.sleep(0.3)
        for _ in range(100):
            if self.evaluate("document.readyState") == "complete":
                return
            time.sleep(0.1)
        raise SystemExit("the page did not finish loading: "
                         + str(self.evaluate("document.readyState")))

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))


def main():
    if len(sys.argv) < 5:
        raise SystemExit(__doc__)
    tools = DevTools(int(sys.argv[1]))
    command, url = sys.argv[2], sys.argv[3]
    tools.load(url)
    if command == "screenshot":
        title = tools.evaluate("document.title")
        tools.screenshot(sys.argv[4])
        print(f"loaded {url}: {title}")
    elif command == "set":
        field, value, shot = sys.argv[4], sys.argv[5], sys.argv[6]
        found = tools.evaluate(
            f"(() => {{ const e = document.querySelector('[name=\"{field}\"]');"
            f" if (!e) return 'missing';"
            f" e.value = {json.dumps(value)}; e.dispatchEvent(new Event('change'));"
            f" const b = e.form.querySelector('input[type=submit],button[type=submit],button');"
            f" if (b) b.click(); else e.form.submit(); return 'submitted'; }})()")
        if found != "submitted":
            raise SystemExit(f"no field {field} on {url}")
        tools.wait_loaded()
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
