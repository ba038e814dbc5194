"""Routes of the update and the notification pane that tests steer (see README.md).

    GET /api/update/archive?file=F&rate=R   serve file F as /update/update.dat, R bytes a second
                                            (no file: the built-in archive; no rate: at once)
    GET /api/notice/steps?steps=D:N,...     the notification page navigates to
                                            "javascript:show(N)" D ms after loading, per step
    GET /update/garbled.xml                 a 200 answer that is no catalogue
"""

import os
import threading
import time
from html import escape

import pages

_LOCK = threading.Lock()
_STATE = {"archive": None, "rate": 0, "steps": None}


def reset():
    with _LOCK:
        _STATE.update({"archive": None, "rate": 0, "steps": None})


def _first(query, name, default=""):
    values = query.get(name)
    return values[0] if values else default


def _notice_page(steps):
    script = ["function show(n) {}"]
    for delay, n in steps:
        script.append("setTimeout(function () { location.href = 'javascript:show(%d)'; }, %d);"
                      % (n, delay))
    body = ('<div class="notice"><b>系统公告</b> '
            '<a href="javascript:show(3)" id="minimize">最小化</a> '
            '<a href="javascript:show(1)" id="close">关闭</a> '
            '<a href="/home.html" target="_blank" id="more">详情</a>'
            "<p>新游戏《扫雷》上线，欢迎体验！</p></div>"
            "<script>%s</script>" % "\n".join(script))
    return pages.page("系统公告", body)


def _send_file(handler, path, rate):
    size = os.path.getsize(path)
    handler.send_response(200)
    handler.send_header("Content-Type", "application/zip")
    handler.send_header("Content-Length", str(size))
    handler.send_header("Cache-Control", "no-store")
    handler.end_headers()
    chunk = 64 * 1024
    with open(path, "rb") as f:
        while True:
            data = f.read(chunk)
            if not data:
                break
            handler.wfile.write(data)
            if rate > 0:
                time.sleep(len(data) / rate)


def handle(handler, path, query, modified):
    """Answers the request and returns True when it is one of these routes."""
    if path == "/api/reset":
        reset()
        return False  # the portal resets its own state too
    if path == "/api/update/archive":
        with _LOCK:
            _STATE["archive"] = _first(query, "file") or None
            _STATE["rate"] = int(_first(query, "rate", "0") or 0)
        handler.send_json({"archive": _STATE["archive"], "rate": _STATE["rate"]})
        return True
    if path == "/api/notice/steps":
        steps = []
        for item in _first(query, "steps").split(","):
            if ":" in item:
                delay, n = item.split(":", 1)
                steps.append((int(delay), int(n)))
        with _LOCK:
            _STATE["steps"] = steps or None
        handler.send_json({"steps": steps})
        return True
    if path == "/update/update.dat":
        with _LOCK:
            archive, rate = _STATE["archive"], _STATE["rate"]
        if not archive:
            return False
        if not os.path.isfile(archive):
            handler.not_found()
        else:
            _send_file(handler, archive, rate)
        return True
    if path == "/notice.html":
        with _LOCK:
            steps = _STATE["steps"]
        if steps is None:
            return False
        handler.send(200, _notice_page(steps), headers=[("Last-Modified", modified())])
        return True
    if path == "/update/garbled.xml":
        handler.send(200, "<html><body>%s</body></html>" % escape("服务器正忙"),
                     "text/html; charset=utf-8")
        return True
    return False
