#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Serves web/dist on localhost with the headers that make the page cross-origin isolated, so
that the engine can use threads: scripts/serve-web.py [port] [--plain] (--plain: without them,
the one-thread engine)."""
import functools
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    isolated = True

    def end_headers(self):
        if self.isolated:
            self.send_header("Cross-Origin-Opener-Policy", "same-origin")
            self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, *args):
        pass


def main():
    args = [a for a in sys.argv[1:] if a != "--plain"]
    Handler.isolated = "--plain" not in sys.argv
    Handler.extensions_map[".wasm"] = "application/wasm"
    Handler.extensions_map[".mjs"] = "text/javascript"
    port = int(args[0]) if args else 8021
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "web", "dist")
    handler = functools.partial(Handler, directory=root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    print(f"Quillmaren: http://127.0.0.1:{port}/", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
