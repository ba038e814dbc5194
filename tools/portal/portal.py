#!/usr/bin/env python3
"""The demo portal: every page and service of the game portal the program talks to, on 127.0.0.1.

    python3 tools/portal/portal.py [--port N] [--frame-port N] [--write-catalogue FILE]

The first line printed names the portal's address; the second the address of the second
listener, which serves the login frame of another origin. See README.md for the routes.
"""

import argparse
import io
import json
import os
import sys
import threading
import time
import zipfile
from email.utils import formatdate
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, quote, urlsplit

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import catalogue  # noqa: E402
import hostile  # noqa: E402
import modern  # noqa: E402
import pages  # noqa: E402
from catalogue import GAMES, VERIFICATION_CODE  # noqa: E402

try:
    import fetch_routes  # noqa: E402
except ImportError:  # the fetch component's routes are optional
    fetch_routes = None

import update_routes  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
STATIC = os.path.join(HERE, "static")
# Front-end libraries from the npm registry (scripts/setup.sh installs them with npm), served
# under short names so pages do not depend on a package's folder layout.
VENDOR_ROOT = os.path.join(HERE, "node_modules")
VENDOR = {
    "phaser.min.js": "phaser/dist/phaser.min.js",
    "vue.global.prod.js": "vue/dist/vue.global.prod.js",
    "react.production.min.js": "react/umd/react.production.min.js",
    "react-dom.production.min.js": "react-dom/umd/react-dom.production.min.js",
}
CONTENT_TYPES = {".js": "text/javascript; charset=utf-8", ".css": "text/css; charset=utf-8",
                 ".html": "text/html; charset=utf-8", ".png": "image/png"}
DEFAULT_AD_LINES = ["新游戏《扫雷》火热上线|{base}games/mines/",
                    "贪吃蛇挑战赛开始报名|{base}games/snake/",
                    "翻牌配对：考考你的记忆力|{base}games/memory/"]


class TPortalState:
    """What the portal has received, and what the test API has set. Shared by both listeners."""

    def __init__(self):
        self.lock = threading.Lock()
        self.base = ""
        self.frame_base = ""
        self.reset()

    def reset(self):
        with self.lock:
            self.logins = []
            self.stats = []
            self.requests = []
            self.play = []
            self.ad_text = None  # None: the default ad lines
            self.update = {"game_version": catalogue.CATALOGUE_VERSION, "main_version": 0,
                           "game_download": None, "main_download": None}
            self.notice_modified = time.time()

    def record(self, name, item):
        with self.lock:
            getattr(self, name).append(item)
            if name == "requests" and len(self.requests) > 1000:
                del self.requests[:500]
            if name == "play" and len(self.play) > 20000:
                del self.play[:10000]

    def snapshot(self, name):
        with self.lock:
            return list(getattr(self, name))

    def clear(self, name):
        with self.lock:
            getattr(self, name).clear()


STATE = TPortalState()


def update_archive():
    """A small update archive: one file at the top and one in a subfolder."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("update-readme.txt", "Ludora update\r\n" * 20)
        z.writestr("extras/notes.txt", "notes from the portal\r\n")
    return buf.getvalue()


def update_description():
    """The answer of the statistics endpoint: an INI text in GBK with CRLF lines."""
    with STATE.lock:
        u = dict(STATE.update)
    base = STATE.base
    lines = ["[Game]", "Version=" + str(u["game_version"]),
             "Download=" + (u["game_download"] or base + "update/games.xml"),
             "[Main]", "Version=" + str(u["main_version"]),
             "Download=" + (u["main_download"] or base + "update/update.dat"), ""]
    return "\r\n".join(lines).encode("gbk", "replace")


def first(query, name, default=""):
    values = query.get(name)
    return values[0] if values else default


class THandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "LudoraDemoPortal/1.0"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("portal: " + (fmt % args) + "\n")

    # --- answers ---------------------------------------------------------------------------

    def send(self, status, body, content_type="text/html; charset=utf-8", headers=()):
        if isinstance(body, str):
            body = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_json(self, value):
        self.send(200, json.dumps(value, ensure_ascii=False), "application/json; charset=utf-8")

    def redirect(self, location):
        self.send(303, "", headers=[("Location", location)])

    def not_found(self):
        self.send(404, pages.simple(STATE.base, "找不到页面", "404 找不到页面", self.path))

    # --- requests --------------------------------------------------------------------------

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        self.dispatch({})

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        raw = self.rfile.read(length) if length > 0 else b""
        form = parse_qs(raw.decode("utf-8", "replace"), keep_blank_values=True)
        self.dispatch(form, raw)

    def dispatch(self, form, raw=b""):
        parts = urlsplit(self.path)
        path = parts.path
        query = parse_qs(parts.query, keep_blank_values=True)
        if not path.startswith("/api/"):
            STATE.record("requests", {"method": self.command, "path": path,
                                      "query": parts.query, "port": self.server.server_port,
                                      "agent": self.headers.get("User-Agent", "")})
        try:
            if fetch_routes and path.startswith("/fetch/"):
                if fetch_routes.handle(self, path, query, raw):
                    return
            if self.server.role == "frame":
                self.frame_routes(path, query, form)
            else:
                self.main_routes(path, query, form, raw)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def main_routes(self, path, query, form, raw):
        base = STATE.base
        # Update and notification pane routes that tests steer (update_routes.py).
        if update_routes.handle(self, path, query, self.notice_modified):
            return
        simple = {
            "/": ("游戏门户", "游戏门户首页", "热门网页游戏，一站畅玩。"),
            "/mini/": ("游戏大厅迷你站", "游戏大厅迷你站", "从左侧游戏列表选择游戏开始。"),
            "/mini/home.html": ("迷你首页", "迷你首页", "今日推荐：扫雷、贪吃蛇。"),
            "/brand/": ("品牌站", "品牌站", "关于我们。"),
            "/home.html": ("官方网站", "官方网站", "游戏大厅官方网站。"),
            "/bbs/": ("使用交流", "使用交流论坛", "游戏大厅的使用问题在这里交流。"),
            "/community/": ("游戏社区", "游戏社区", "玩家社区。"),
        }
        # The side panel's section pages: news, forum and guides through the mini site's
        # redirector, the navigation page and the brand site's help.
        sections = {"2": ("游戏新闻", "游戏新闻", "最新的游戏资讯。"),
                    "3": ("玩家论坛", "玩家论坛", "和其他玩家交流心得。"),
                    "4": ("游戏攻略", "游戏攻略", "新手入门与高手进阶。")}
        simple["/daohang.html"] = ("游戏导航", "游戏导航", "常用游戏网站一览。")
        simple["/brand/help.html"] = ("使用帮助", "使用帮助", "游戏大厅的使用说明。")
        if path == "/mini/url.php" and first(query, "u") in sections:
            title, heading, text = sections[first(query, "u")]
            self.send(200, pages.simple(base, title, heading, text))
        elif path == "/plus/game_search.php":
            self.send(200, pages.game_search_page(base, first(query, "t"), first(query, "s")))
        elif path in simple:
            title, heading, text = simple[path]
            if path == "/bbs/" and first(query, "game") in GAMES:
                gname = GAMES[first(query, "game")]["caption"]
                title, heading = gname + " - 社区交流", gname + " 社区交流"
            self.send(200, pages.simple(base, title, heading, text))
        elif path == "/games.xml":
            self.send(200, catalogue.catalogue_file(base), "application/octet-stream")
        elif path == "/update/games.xml":
            with STATE.lock:
                version = STATE.update["game_version"]
            text = catalogue.catalogue_xml(base, version).encode("gbk")
            self.send(200, text, "text/xml; charset=gbk")
        elif path == "/update/update.dat":
            self.send(200, update_archive(), "application/zip")
        elif path == "/s.php":
            STATE.record("stats", {"query": urlsplit(self.path).query,
                                   **{k: first(query, k) for k in ("s", "t", "c", "v")}})
            self.send(200, update_description(), "text/plain; charset=gbk")
        elif path == "/scripts/sb.php":
            with STATE.lock:
                text = STATE.ad_text
            if text is None:
                text = "\r\n".join(line.format(base=base) for line in DEFAULT_AD_LINES)
            self.send(200, text.encode("gbk", "replace"), "text/plain; charset=gbk")
        elif path == "/notice.html":
            with STATE.lock:
                modified = STATE.notice_modified
            self.send(200, pages.notice_page(),
                      headers=[("Last-Modified", formatdate(modified, usegmt=True))])
        elif path in ("/search", "/search/go_search.php"):
            text = first(query, "k", first(query, "q"))
            self.send(200, pages.search_page(base, first(query, "s"), text))
        elif path == "/popup.html":
            self.send(200, pages.popup_page(base))
        elif path == "/popup-child.html":
            self.send(200, pages.simple(base, "弹出的窗口", "弹出的窗口", "这是一个新窗口。"))
        elif modern.route(self, path, query, form, base):
            pass  # script-built and e-mail/phone login pages (modern.py)
        elif path.startswith("/games/"):
            self.game_routes(path, query, form, base)
        elif path.startswith("/hostile/"):
            body = hostile.route(path, query, self.server.server_port)
            if body is None:
                self.not_found()
            else:
                self.send(200, body)
        elif path.startswith("/static/"):
            self.static(path)
        elif path.startswith("/vendor/"):
            self.vendor(path)
        elif path.startswith("/api/"):
            self.api(path, query)
        else:
            self.not_found()

    def notice_modified(self):
        with STATE.lock:
            return formatdate(STATE.notice_modified, usegmt=True)

    def game_routes(self, path, query, form, base):
        parts = path.split("/")  # "", "games", id, rest
        gid = parts[2] if len(parts) > 2 else ""
        rest = "/".join(parts[3:])
        if gid not in GAMES:
            self.not_found()
            return
        if len(parts) == 3:
            self.redirect(path + "/")
        elif rest == "":
            if GAMES[gid]["kind"] == "frame":
                self.send(200, pages.frame_outer_page(base, STATE.frame_base, gid))
            else:
                self.send(200, pages.login_page(base, gid))
        elif rest == "login" and GAMES[gid]["kind"] != "frame":
            error = self.take_login(gid, form or query)
            if error:
                self.send(200, pages.login_page(base, gid, error))
            else:
                self.redirect("%sgames/%s/play?user=%s" % (
                    base, gid, quote_value(first(form or query, GAMES[gid]["user"]))))
        elif rest == "play":
            self.send(200, pages.play_page(base, gid, first(query, "user")))
        elif rest == "info.html":
            self.send(200, pages.info_page(base, gid))
        else:
            self.not_found()

    def frame_routes(self, path, query, form):
        parts = path.split("/")  # "", "frame", id, rest
        if path.startswith("/static/"):
            self.static(path)
            return
        if len(parts) != 4 or parts[1] != "frame" or parts[2] not in GAMES:
            self.send(404, pages.page("找不到页面", "<h1>404</h1>"))
            return
        gid, rest = parts[2], parts[3]
        if rest == "":
            self.send(200, pages.frame_login_page(gid))
        elif rest == "login":
            error = self.take_login(gid, form or query)
            if error:
                self.send(200, pages.frame_login_page(gid, error))
            else:
                self.redirect("%sframe/%s/play?user=%s" % (
                    STATE.frame_base, gid, quote_value(first(form or query, GAMES[gid]["user"]))))
        elif rest == "play":
            self.send(200, pages.play_page(STATE.base, gid, first(query, "user"), in_frame=True))
        else:
            self.send(404, pages.page("找不到页面", "<h1>404</h1>"))

    def take_login(self, gid, form):
        """Records a login attempt; returns the error to show, or "" when it succeeded."""
        g = GAMES[gid]
        user = first(form, g["user"])
        password = first(form, g["password"][0])
        error = ""
        if not user or not password:
            error = "帐号和密码不能为空"
        elif g["kind"] == "code" and first(form, g["check"]) != VERIFICATION_CODE:
            error = "验证码错误"
        STATE.record("logins", {
            "game": gid, "user": user, "password": password, "ok": not error,
            "fields": {k: v[0] for k, v in form.items()},
            "port": self.server.server_port, "origin": self.server.role,
            # The monotonic clock in ms, as benchmarks on this machine read it.
            "received": int(time.monotonic() * 1000),
        })
        return error

    def static(self, path):
        name = os.path.basename(path)
        full = os.path.join(STATIC, name)
        if not name or path != "/static/" + name or not os.path.isfile(full):
            self.not_found()
            return
        with open(full, "rb") as f:
            body = f.read()
        self.send(200, body, CONTENT_TYPES.get(os.path.splitext(name)[1], "text/plain"))

    def vendor(self, path):
        rel = VENDOR.get(path[len("/vendor/"):])
        full = os.path.join(VENDOR_ROOT, rel) if rel else ""
        if not full or not os.path.isfile(full):
            self.send(404, b"missing: run scripts/setup.sh to install the portal's npm packages",
                      "text/plain")
            return
        with open(full, "rb") as f:
            body = f.read()
        self.send(200, body, "application/javascript")

    def play_api(self, path, query):
        """The play reports of the Phaser game (frame rate, timer ticks, WebGL) and their reading."""
        if path == "/api/play/report":
            STATE.record("play", {k: first(query, k) for k in query})
            self.send_json({})
        elif path == "/api/play":
            tag = first(query, "tag")
            self.send_json([r for r in STATE.snapshot("play") if not tag or r.get("tag") == tag])
        elif path == "/api/play/clear":
            STATE.clear("play")
            self.send_json([])
        else:
            self.send(404, "no such test call", "text/plain")

    def api(self, path, query):
        if path == "/api/logins":
            self.send_json(STATE.snapshot("logins"))
        elif path == "/api/logins/clear":
            STATE.clear("logins")
            self.send_json([])
        elif path == "/api/stats":
            self.send_json(STATE.snapshot("stats"))
        elif path == "/api/stats/clear":
            STATE.clear("stats")
            self.send_json([])
        elif path == "/api/requests":
            self.send_json(STATE.snapshot("requests"))
        elif path == "/api/requests/clear":
            STATE.clear("requests")
            self.send_json([])
        elif path == "/api/update":
            with STATE.lock:
                for key in ("game_version", "game_download", "main_download"):
                    if key in query:
                        STATE.update[key] = first(query, key)
                if "main_version" in query:
                    try:
                        STATE.update["main_version"] = int(first(query, "main_version"))
                    except ValueError:
                        self.send(400, "main_version must be a number", "text/plain")
                        return
                answer = dict(STATE.update)
            self.send_json(answer)
        elif path == "/api/adstrip":
            with STATE.lock:
                STATE.ad_text = first(query, "text") if "text" in query else None
            self.send_json({"text": STATE.ad_text})
        elif path == "/api/notice/touch":
            with STATE.lock:
                STATE.notice_modified = max(time.time(), STATE.notice_modified + 1)
            self.send_json({"modified": formatdate(STATE.notice_modified, usegmt=True)})
        elif path.startswith("/api/play"):
            self.play_api(path, query)
        elif path == "/api/reset":
            STATE.reset()
            self.send_json({})
        elif path == "/api/info":
            self.send_json({"base": STATE.base, "frame": STATE.frame_base,
                            "catalogueVersion": catalogue.CATALOGUE_VERSION,
                            "verificationCode": VERIFICATION_CODE})
        else:
            self.send(404, "no such test call", "text/plain")


def quote_value(text):
    return quote(text, safe="")


class TServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, role, verbose):
        super().__init__(("127.0.0.1", port), THandler)
        self.role = role
        self.verbose = verbose


def main(argv=None):
    parser = argparse.ArgumentParser(description="Demo game portal on 127.0.0.1")
    parser.add_argument("--port", type=int, default=8642, help="0 picks a free port")
    parser.add_argument("--frame-port", type=int, default=0,
                        help="port of the second origin (login frame); 0 picks a free port")
    parser.add_argument("--write-catalogue", metavar="FILE",
                        help="also write the scrambled games.xml for this portal to FILE")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    args = parser.parse_args(argv)

    main_server = TServer(args.port, "main", args.verbose)
    frame_server = TServer(args.frame_port, "frame", args.verbose)
    STATE.base = "http://127.0.0.1:%d/" % main_server.server_port
    STATE.frame_base = "http://127.0.0.1:%d/" % frame_server.server_port
    if args.write_catalogue:
        with open(args.write_catalogue, "wb") as f:
            f.write(catalogue.catalogue_file(STATE.base))

    print("Ludora demo portal on %s" % STATE.base, flush=True)
    print("Login frames (another origin) on %s" % STATE.frame_base, flush=True)
    threading.Thread(target=frame_server.serve_forever, daemon=True).start()
    try:
        main_server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
