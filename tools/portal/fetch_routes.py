"""Answers the portal serves under /fetch/ for exercising the HTTP fetch component.

The portal calls handle(handler, path, query, body) for every GET or POST whose path starts
with "/fetch/"; it returns True when it answered. `handler` is the portal's
BaseHTTPRequestHandler, `path` the path without the query, `query` the dict of
urllib.parse.parse_qs, `body` the request body the portal has already read.

  /fetch/bytes?n=N            N bytes of a fixed pattern (every byte value occurs), with
                              Content-Length; &nolength=1 leaves the header out and ends the
                              body by closing the connection; &every=K&ms=M sends K bytes and
                              then waits M ms, over and over (a slow body)
  /fetch/truncated?n=N&send=M Content-Length N, but only M bytes before the connection closes
  /fetch/echo                 the request as text: method, path, headers, body
  /fetch/status?code=C        status C with a small body
  /fetch/redirect?to=P        302 to P (a path on this portal)
  /fetch/auth?user=U&password=P  Basic authentication for U/P, then "welcome U"
"""

import base64
import time


_PERIOD = bytes((i * 131 + 7) & 0xFF for i in range(256))


def pattern(n):
    """The body of /fetch/bytes: byte i is (i * 131 + 7) mod 256."""
    return (_PERIOD * (n // 256 + 1))[:n]


def _arg(query, name, default=None):
    values = query.get(name)
    return values[0] if values else default


def _int_arg(query, name, default=0):
    try:
        return int(_arg(query, name, default))
    except (TypeError, ValueError):
        return default


def _send(handler, status, body, content_type="application/octet-stream", headers=()):
    handler.send_response(status)
    handler.send_header("Content-Type", content_type)
    handler.send_header("Content-Length", str(len(body)))
    for name, value in headers:
        handler.send_header(name, value)
    handler.end_headers()
    handler.wfile.write(body)


def _bytes(handler, query):
    n = max(0, _int_arg(query, "n"))
    every = _int_arg(query, "every")
    pause = _int_arg(query, "ms") / 1000.0
    nolength = _arg(query, "nolength") == "1"
    handler.send_response(200)
    handler.send_header("Content-Type", "application/octet-stream")
    if nolength:
        # Only the closed connection ends such a body.
        handler.send_header("Connection", "close")
        handler.close_connection = True
    else:
        handler.send_header("Content-Length", str(n))
    handler.end_headers()
    body = pattern(n)
    if every <= 0:
        handler.wfile.write(body)
        return
    for start in range(0, n, every):
        handler.wfile.write(body[start:start + every])
        handler.wfile.flush()
        if start + every < n:
            time.sleep(pause)


def _truncated(handler, query):
    n = max(0, _int_arg(query, "n"))
    sent = min(n, max(0, _int_arg(query, "send")))
    handler.send_response(200)
    handler.send_header("Content-Type", "application/octet-stream")
    handler.send_header("Content-Length", str(n))
    handler.send_header("Connection", "close")
    handler.end_headers()
    handler.wfile.write(pattern(n)[:sent])
    handler.wfile.flush()
    handler.close_connection = True


def _echo(handler, body):
    lines = ["METHOD " + handler.command, "PATH " + handler.path]
    for name, value in handler.headers.items():
        lines.append("HEADER " + name.lower() + ": " + value)
    text = ("\n".join(lines) + "\nBODY ").encode("latin-1", "replace") + body
    _send(handler, 200, text, "text/plain")


def _auth(handler, query):
    user = _arg(query, "user", "")
    password = _arg(query, "password", "")
    expected = "Basic " + base64.b64encode((user + ":" + password).encode()).decode()
    if handler.headers.get("Authorization") == expected:
        _send(handler, 200, ("welcome " + user).encode(), "text/plain")
    else:
        _send(handler, 401, b"who are you?", "text/plain",
              [("WWW-Authenticate", 'Basic realm="fetch"')])


def handle(handler, path, query, body=b""):
    if not path.startswith("/fetch/"):
        return False
    route = path[len("/fetch/"):]
    try:
        if route == "bytes":
            _bytes(handler, query)
        elif route == "truncated":
            _truncated(handler, query)
        elif route == "echo":
            _echo(handler, body)
        elif route == "status":
            code = _int_arg(query, "code", 404)
            _send(handler, code, ("status %d page" % code).encode(), "text/html")
        elif route == "redirect":
            handler.send_response(302)
            handler.send_header("Location", _arg(query, "to", "/"))
            handler.send_header("Content-Length", "0")
            handler.end_headers()
        elif route == "auth":
            _auth(handler, query)
        else:
            _send(handler, 404, b"no such fetch route", "text/plain")
    except (BrokenPipeError, ConnectionResetError):
        # The client cancelled; nothing to answer.
        handler.close_connection = True
    return True
