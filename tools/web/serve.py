#!/usr/bin/env python3
"""Serves a folder on 127.0.0.1 with the types browsers want for a WebAssembly page.

    serve.py DIR PORT      until Ctrl+C; one line says where the show is

browser_check.py uses serve() on a port of its own.
"""
import functools
import http.server
import sys
import threading


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript", ".data": "application/octet-stream"}

    def log_message(self, *args):
        pass


def make_server(directory, port):
    return http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(QuietHandler, directory=directory))


def serve(directory, port=0):
    """Serves in a thread; the caller reads the port from server.server_address."""
    server = make_server(directory, port)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    directory, port = sys.argv[1], int(sys.argv[2])
    try:
        server = make_server(directory, port)
    except OSError as e:
        print(f"web: cannot serve on 127.0.0.1:{port}: {e.strerror} (choose another with --port N)", file=sys.stderr)
        return 1
    print(f"solmire: the show is at http://127.0.0.1:{port}/ (open it in a browser; Ctrl+C stops the server)",
          file=sys.stderr)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
