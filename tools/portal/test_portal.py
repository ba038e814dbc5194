#!/usr/bin/env python3
"""Self-test of the demo portal: a real portal process on free ports, asked over HTTP."""

import json
import os
import re
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET
from html.parser import HTMLParser
from urllib.error import HTTPError
from urllib.parse import urlencode
from urllib.request import Request, urlopen

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import catalogue  # noqa: E402


class TForms(HTMLParser):
    """Collects the login form's elements, every iframe and the title of a page."""

    def __init__(self):
        super().__init__()
        self.in_form = False
        self.elements = []
        self.outside_inputs = []
        self.iframes = []
        self.title = ""
        self._in_title = False

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "form" and a.get("id") == "login":
            self.in_form = True
        elif tag in ("input", "button", "select", "textarea"):
            (self.elements if self.in_form else self.outside_inputs).append((tag, a))
        elif tag == "iframe":
            self.iframes.append(a.get("src", ""))
        elif tag == "title":
            self._in_title = True

    def handle_endtag(self, tag):
        if tag == "form":
            self.in_form = False
        elif tag == "title":
            self._in_title = False

    def handle_data(self, data):
        if self._in_title:
            self.title += data


class TPortalTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.proc = subprocess.Popen([sys.executable, os.path.join(HERE, "portal.py"), "--port", "0"],
                                    stdout=subprocess.PIPE, text=True)
        first = cls.proc.stdout.readline()
        second = cls.proc.stdout.readline()
        cls.base = re.search(r"http://127\.0\.0\.1:\d+/", first).group(0)
        cls.frame = re.search(r"http://127\.0\.0\.1:\d+/", second).group(0)

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        cls.proc.wait(10)
        cls.proc.stdout.close()

    def setUp(self):
        self.get("api/reset")

    def get(self, path, data=None, base=None):
        url = (base or self.base) + path
        body = urlencode(data).encode() if data is not None else None
        with urlopen(Request(url, data=body), timeout=10) as r:
            return r.read(), r

    def api(self, path):
        return json.loads(self.get(path)[0].decode("utf-8"))

    def page(self, path, base=None):
        p = TForms()
        p.feed(self.get(path, base=base)[0].decode("utf-8"))
        return p

    def test_catalogue_file_is_scrambled_gbk_for_this_port(self):
        raw, r = self.get("games.xml")
        text = catalogue.scramble(raw).decode("gbk")
        self.assertTrue(text.startswith('<?xml version="1.0"?>'))
        root = ET.fromstring(text)
        self.assertEqual(root.get("version"), catalogue.CATALOGUE_VERSION)
        sections = [s.get("caption") for s in root]
        self.assertEqual(sections, ["休闲游戏", "网页游戏", "休闲游戏"])
        urls = [e.get("url") for e in root.iter() if e.get("url")]
        self.assertTrue(urls and all(u.startswith(self.base) for u in urls))
        mines = root.find(".//*[@caption='扫雷']")
        self.assertEqual(mines.get("check"), "vcode")
        self.assertIsNone(root.find(".//*[@caption='即将推出']").get("url"))
        self.assertEqual(len(root.findall("./section/folder/folder/game")), 1)

    def test_login_forms_have_the_shapes_the_filler_expects(self):
        pair = self.page("games/snake/")
        self.assertEqual([a.get("type") for _, a in pair.elements], ["text", "password"])
        submit = self.page("games/2048/")
        self.assertEqual([a.get("type") for _, a in submit.elements], ["text", "password", "submit"])
        code = self.page("games/mines/")
        self.assertEqual([(a.get("type"), a.get("name")) for _, a in code.elements][2],
                         ("text", "vcode"))
        self.assertEqual(len(code.elements), 3)
        titles = {pair.title, submit.title, code.title, self.page("games/memory/").title}
        self.assertEqual(len(titles), 4)

    def test_logins_are_recorded_and_checked(self):
        _, r = self.get("games/snake/login", {"username": "小明", "password": "p&ss w"})
        self.assertIn("/games/snake/play?user=", r.geturl())
        self.get("games/mines/login", {"account": "bob", "passwd": "x", "vcode": "0000"})
        self.get("games/mines/login", {"account": "bob", "passwd": "x", "vcode": "2718"})
        self.get("games/2048/login", {"uid": "", "upass": "y"})
        logins = self.api("api/logins")
        self.assertEqual([(l["game"], l["user"], l["password"], l["ok"]) for l in logins],
                         [("snake", "小明", "p&ss w", True), ("mines", "bob", "x", False),
                          ("mines", "bob", "x", True), ("2048", "", "y", False)])
        self.assertEqual(logins[2]["fields"]["vcode"], "2718")
        self.assertEqual(self.api("api/logins/clear"), [])
        self.assertEqual(self.api("api/logins"), [])

    def test_frame_login_comes_from_another_origin(self):
        outer = self.page("games/memory/")
        self.assertEqual(outer.elements, [])
        self.assertEqual(len(outer.iframes), 1)
        self.assertTrue(outer.iframes[0].startswith(self.frame))
        self.assertNotEqual(self.frame, self.base)
        inner = self.page(outer.iframes[0][len(self.frame):], base=self.frame)
        self.assertEqual(len(inner.elements), 2)
        _, r = self.get("frame/memory/login", {"name": "amy", "secret": "s3"}, base=self.frame)
        self.assertTrue(r.geturl().startswith(self.frame + "frame/memory/play"))
        (login,) = self.api("api/logins")
        self.assertEqual((login["game"], login["user"], login["origin"]), ("memory", "amy", "frame"))

    def test_statistics_endpoint_records_and_answers_update_description(self):
        raw, _ = self.get("s.php?s=A1B2C3D4E5F6&t=3&c=kel_1_0_0&v=7")
        text = raw.decode("gbk")
        self.assertIn("[Game]\r\nVersion=" + catalogue.CATALOGUE_VERSION, text)
        self.assertIn("[Main]\r\nVersion=0\r\n", text)
        self.api("api/update?main_version=9&game_version=next")
        text = self.get("s.php")[0].decode("gbk")
        self.assertIn("Version=9", text)
        self.assertIn("Version=next", text)
        stats = self.api("api/stats")
        self.assertEqual((stats[0]["s"], stats[0]["t"], stats[0]["c"], stats[0]["v"]),
                         ("A1B2C3D4E5F6", "3", "kel_1_0_0", "7"))
        newer = ET.fromstring(self.get("update/games.xml")[0].decode("gbk"))
        self.assertEqual(newer.get("version"), "next")

    def test_ad_strip_search_and_notice(self):
        lines = self.get("scripts/sb.php?pid=kel_1_0_0")[0].decode("gbk").split("\r\n")
        self.assertTrue(all("|" + self.base in l for l in lines))
        self.api("api/adstrip?" + urlencode({"text": "没有竖线\r\n链接|http://x/"}))
        self.assertEqual(self.get("scripts/sb.php")[0].decode("gbk"), "没有竖线\r\n链接|http://x/")
        html = self.get("search/go_search.php?s=baidu&k=%3Cb%3E%E6%89%AB%E9%9B%B7")[0].decode("utf-8")
        self.assertNotIn("<b>扫雷", html)
        self.assertIn("&lt;b&gt;扫雷", html)
        found = self.get("search?q=%E6%89%AB%E9%9B%B7")[0].decode("utf-8")
        self.assertIn("games/mines/", found)
        for path, heading in (("mini/url.php?u=2&pid=x", "游戏新闻"), ("mini/url.php?u=4", "游戏攻略"),
                              ("daohang.html?pid=x", "游戏导航"), ("brand/help.html", "使用帮助")):
            self.assertIn(heading, self.get(path)[0].decode("utf-8"))
        html = self.get("plus/game_search.php?t=%E6%89%80%E6%9C%89&s=a%26b%3Cb%3E")[0].decode("utf-8")
        self.assertIn('<span id="query">a&amp;b&lt;b&gt;</span>', html)
        self.assertIn("games/mines/", self.get("plus/game_search.php?s=%E6%89%AB")[0].decode())
        _, r1 = self.get("notice.html")
        first_modified = r1.headers["Last-Modified"]
        self.assertEqual(self.get("notice.html")[1].headers["Last-Modified"], first_modified)
        self.api("api/notice/touch")
        self.assertNotEqual(self.get("notice.html")[1].headers["Last-Modified"], first_modified)

    def test_modern_login_pages(self):
        # E-mail and phone boxes are classic forms; the script pages log in at ./session and
        # answer JSON, the login recorded as the classic ones are.
        email = self.page("games/email/")
        self.assertEqual([a.get("type") for _, a in email.elements], ["email", "password", "submit"])
        tel = self.page("games/tel/")
        self.assertEqual([a.get("type") for _, a in tel.elements], ["tel", "password"])
        for gid, lib in (("vue", "vue.global.prod.js"), ("react", "react-dom.production.min.js")):
            html = self.get("games/%s/" % gid)[0].decode("utf-8")
            self.assertIn('src="/vendor/%s"' % lib, html)
        answer = json.loads(self.get("games/vue/session", {"user": "小明", "pass": "p w"})[0])
        self.assertEqual(answer, {"ok": True, "error": "", "user": "小明"})
        self.assertFalse(json.loads(self.get("games/react/session", {"login": "x"})[0])["ok"])
        self.get("games/tel/login", {"mobile": "13800138000", "password": "t"})
        self.assertEqual([(l["game"], l["user"], l["ok"]) for l in self.api("api/logins")],
                         [("vue", "小明", True), ("react", "x", False), ("tel", "13800138000", True)])
        folder = ET.fromstring(catalogue.catalogue_xml(self.base)).find(
            "./section/folder[@caption='新式登录']")
        self.assertEqual([g.get("url") for g in folder],
                         [self.base + "games/%s/" % gid for gid in catalogue.MODERN_GAMES])

    def test_unknown_paths_and_static_escapes_are_refused(self):
        for path in ("nothing", "games/nogame/", "static/../portal.py", "static/%2e%2e/portal.py"):
            with self.assertRaises(HTTPError) as cm:
                self.get(path)
            self.assertEqual(cm.exception.code, 404)


if __name__ == "__main__":
    unittest.main()
