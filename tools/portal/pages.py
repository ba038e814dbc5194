"""HTML pages of the demo portal. Every text that comes from a request is escaped here, once."""

from html import escape

from catalogue import GAMES, VERIFICATION_CODE

STYLE = '<link rel="stylesheet" href="/static/portal.css">'


def page(title, body, head=""):
    return (
        "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
        "<title>%s</title>%s%s</head>\n<body>\n%s\n</body></html>\n"
        % (escape(title), STYLE, head, body)
    )


def nav(base):
    links = [("mini/", "迷你站"), ("home.html", "官方网站"), ("bbs/", "使用交流"),
             ("community/", "游戏社区"), ("popup.html", "弹出窗口")]
    return '<div class="nav">%s</div>' % " | ".join(
        '<a href="%s%s">%s</a>' % (base, href, text) for href, text in links)


def game_list(base):
    return "<ul class=\"games\">%s</ul>" % "".join(
        '<li><a href="%sgames/%s/">%s</a></li>' % (base, gid, escape(g["caption"]))
        for gid, g in GAMES.items())


def simple(base, title, heading, text=""):
    return page(title, '%s<h1>%s</h1><p>%s</p>%s' % (nav(base), escape(heading), escape(text),
                                                   game_list(base)))


def login_form(gid, error="", action="login"):
    """The login form of a game, in the shape its kind asks for."""
    g = GAMES[gid]
    user = g["user"]
    pname, pid = g["password"]
    kind = g["kind"]
    fields = [
        '<label>帐号 <input type="text" name="%s" id="%s"></label>' % (user, user),
        '<label>密码 <input type="password" name="%s" id="%s"></label>' % (pname, pid),
    ]
    outside = ""
    if kind == "submit":
        fields.append('<input type="submit" value="登录">')
    elif kind == "code":
        fields.append('<label>验证码 <input type="text" name="%s" id="%s" size="6"></label>'
                      ' <span class="code" id="codeText">%s</span>'
                      % (g["check"], g["check"], VERIFICATION_CODE))
    if kind != "submit":
        # Not a form element, so the form keeps its element count.
        outside = ('<button type="button" id="loginButton" '
                   "onclick=\"document.getElementById('login').submit()\">登录</button>")
    err = '<p class="error" id="error">%s</p>' % escape(error) if error else ""
    return (
        '<div class="login">%s<form id="login" method="post" action="%s">%s</form>%s'
        '<script src="/static/enter.js"></script></div>'
        # A text box that belongs to no form: fill and capture must pass over it.
        '<p class="side">站内搜索 <input type="text" id="siteSearch"></p>'
        % (err, escape(action), "<br>".join(fields), outside)
    )


def login_page(base, gid, error=""):
    g = GAMES[gid]
    body = "%s<h1>%s</h1>%s" % (nav(base), escape(g["caption"]), login_form(gid, error))
    return page(g["caption"] + " - 登录", body)


def frame_outer_page(base, frame_base, gid):
    """The game page whose login form lives in a frame of another origin."""
    g = GAMES[gid]
    body = ('%s<h1>%s</h1><iframe id="gameFrame" src="%sframe/%s/" width="560" height="520">'
            "</iframe>" % (nav(base), escape(g["caption"]), frame_base, gid))
    return page(g["caption"] + " - 登录", body)


def frame_login_page(gid, error=""):
    g = GAMES[gid]
    return page(g["caption"] + " - 框架登录", "<h2>登录 %s</h2>%s"
                % (escape(g["caption"]), login_form(gid, error)))


def vendor_scripts(gid):
    """The npm libraries a game's play page loads before its own script."""
    return "".join('<script src="/vendor/%s"></script>' % name
                   for name in GAMES[gid].get("vendor", ()))


def play_page(base, gid, user, in_frame=False):
    g = GAMES[gid]
    body = ('<div class="bar">欢迎，<b id="player">%s</b>！ <a href="%sgames/%s/">退出</a>'
            ' <a href="%sgames/%s/info.html" target="_blank">游戏资讯</a></div>'
            '<div id="game"></div>%s<script src="/static/%s"></script>'
            % (escape(user), base, gid, base, gid, vendor_scripts(gid), g["script"]))
    if not in_frame:
        body = nav(base) + body
    return page(g["caption"] + " - 游戏中", body)


def info_page(base, gid):
    g = GAMES[gid]
    return simple(base, g["caption"] + " - 游戏资讯", g["caption"] + " 游戏资讯",
                  "版本说明、玩法介绍和最新活动。")


def search_page(base, engine, text):
    hits = [(gid, g) for gid, g in GAMES.items() if text and text in g["caption"]]
    items = "".join('<li><a href="%sgames/%s/">%s</a></li>' % (base, gid, escape(g["caption"]))
                    for gid, g in hits) or "<li>没有找到相关游戏</li>"
    body = ('%s<h1>搜索结果</h1><p>引擎：<span id="engine">%s</span> 关键词：'
            '<span id="query">%s</span></p><ul id="results">%s</ul>'
            % (nav(base), escape(engine), escape(text), items))
    return page("搜索结果 - " + text, body)


def game_search_page(base, kind, text):
    """The portal's own game search: games whose caption holds the text."""
    hits = [(gid, g) for gid, g in GAMES.items() if text and text in g["caption"]]
    items = "".join('<li><a href="%sgames/%s/">%s</a></li>' % (base, gid, escape(g["caption"]))
                    for gid, g in hits) or "<li>没有找到相关游戏</li>"
    body = ('%s<h1>游戏搜索</h1><p>类型：<span id="kind">%s</span> 关键字：'
            '<span id="query">%s</span></p><ul id="results">%s</ul>'
            % (nav(base), escape(kind), escape(text), items))
    return page("游戏搜索 - " + text, body)


def popup_page(base):
    body = (
        '%s<h1>弹出窗口</h1>'
        '<p><a href="#" id="openPopup" onclick="window.open(\'%spopup-child.html\', \'child\','
        ' \'width=420,height=320\'); return false;">打开新窗口</a></p>'
        '<p><a href="%spopup-child.html" id="blankLink" target="_blank">在新窗口中打开</a></p>'
        % (nav(base), base, base))
    return page("弹出窗口测试", body)


def notice_page():
    # The pane is steered by "javascript:show(N)" navigations; show() itself does nothing here.
    body = (
        '<div class="notice"><b>系统公告</b> '
        '<a href="javascript:show(3)" id="minimize">最小化</a> '
        '<a href="javascript:show(1)" id="close">关闭</a>'
        "<p>新游戏《扫雷》上线，欢迎体验！</p></div>"
        "<script>function show(n) {}\n"
        "window.addEventListener('load', function () { location.href = 'javascript:show(2)'; });"
        "</script>")
    return page("系统公告", body)
