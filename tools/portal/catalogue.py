"""The demo portal's game catalogue: the games it hosts and the "games.xml" built from them.

"games.xml" is GBK XML text scrambled whole: every byte keeps its high four bits and has its low
four bits XORed with those of the key byte, the key wrapping around.
"""

from xml.sax.saxutils import quoteattr

DEFAULT_KEY = b"Qm7tVx2Lr9Pz4Kc8Wn3Hs6Jd5"
CATALOGUE_VERSION = "2026.12.1"


def scramble(data, key=b""):
    """Scrambles (and, applied again, unscrambles) bytes with the key; empty = default key."""
    key = key or DEFAULT_KEY
    n = len(key)
    return bytes((b & 0xF0) | ((b ^ key[i % n]) & 0x0F) for i, b in enumerate(data))


# The games the portal hosts. "kind" is the shape of the login form:
#   pair   user + password, exactly 2 form elements, submitted by script from a button outside
#   submit user + password + an INPUT of type "submit" (3 elements)
#   code   user + password + verification-code text box last (3 elements)
#   frame  a pair form inside an iframe served from the second port (another origin)
GAMES = {
    "snake": {
        "caption": "贪吃蛇", "kind": "pair", "user": "username",
        "password": ("password", "pwd"), "script": "snake.js",
    },
    "2048": {
        "caption": "二〇四八", "kind": "submit", "user": "uid",
        "password": ("upass", "upass"), "script": "g2048.js",
    },
    "mines": {
        "caption": "扫雷", "kind": "code", "user": "account",
        "password": ("passwd", "loginpw"), "check": "vcode", "script": "mines.js",
    },
    "memory": {
        "caption": "翻牌配对", "kind": "frame", "user": "name",
        "password": ("secret", "secret"), "script": "memory.js",
    },
}

# Login boxes as today's portals build them; modern.py serves their pages. "kind":
#   vue    Vue 3 (v-model, @submit.prevent), logs in with fetch to ./session and stays
#   react  React 18 controlled inputs (value + onChange), logs in with fetch to ./session
#   email  classic POST form: a box of type "email" + password + an INPUT of type submit
#   tel    classic POST form: a box of type "tel" + password, the button outside submits
MODERN_GAMES = {
    "vue": {"caption": "星空消消乐", "kind": "vue", "user": "user",
            "password": ("pass", "pass"), "script": "snake.js"},
    "react": {"caption": "方块大作战", "kind": "react", "user": "login",
              "password": ("pwd", "pwd"), "script": "snake.js"},
    "email": {"caption": "邮箱农场", "kind": "email", "user": "email",
              "password": ("mailpw", "mailpw"), "script": "g2048.js"},
    "tel": {"caption": "手机斗地主", "kind": "tel", "user": "mobile",
            "password": ("password", "telpw"), "script": "mines.js"},
}
GAMES.update(MODERN_GAMES)
# A game on a real HTML5 game engine (Phaser 3 from npm, served under /vendor/): its play page
# takes mode=canvas|webgl, sprites=N and report=TAG (see static/phaser_game.js).
GAMES["phaser"] = {
    "caption": "星海漫游", "kind": "pair", "user": "player",
    "password": ("password", "pw"), "script": "phaser_game.js", "vendor": ("phaser.min.js",),
}

# The verification code the "code" kind shows and expects.
VERIFICATION_CODE = "2718"


def _attrs(**values):
    return "".join(" %s=%s" % (k, quoteattr(v)) for k, v in values.items() if v is not None)


def catalogue_xml(base, version=CATALOGUE_VERSION):
    """The catalogue text for a portal whose base URL is `base` ("http://127.0.0.1:<port>/").

    Besides the playable games it holds the shapes the program must cope with: a game without
    "url", an entry without "caption", badge values "0" and "yes", a url that already has a
    query, and a second section with the same caption as the first.
    """

    def game(gid, **extra):
        g = GAMES[gid]
        return "<game%s/>" % _attrs(
            caption=g["caption"], url=base + "games/%s/" % gid, check=g.get("check"),
            infoUrl=base + "games/%s/info.html" % gid, bbsUrl=base + "bbs/?game=" + gid, **extra)

    lines = [
        '<?xml version="1.0"?>',
        "<games%s>" % _attrs(version=version),
        '<section caption="休闲游戏">',
        '<folder caption="经典小游戏" new="1">',
        game("snake", hot="1", new="1"),
        game("2048", new="yes"),
        "</folder>",
        game("mines", hot="0", new="0"),
        '<folder caption="益智">',
        '<folder caption="记忆">',
        game("memory", hot="1"),
        "</folder>",
        "</folder>",
        "</section>",
        '<section caption="网页游戏">',
        "<game%s/>" % _attrs(caption="弹出窗口", url=base + "popup.html"),
        "<game%s/>" % _attrs(caption="区服选择", url=base + "games/snake/?server=2"),
        "<game%s/>" % _attrs(caption="即将推出"),
        game("phaser"),
        '<folder hot="0">',
        "<game%s/>" % _attrs(caption="无名目录里的游戏", url=base + "games/2048/"),
        "</folder>",
        # The login boxes of today's portals, in a folder of their own.
        '<folder caption="新式登录">',
        *(game(gid) for gid in MODERN_GAMES),
        "</folder>",
        "</section>",
        '<section caption="休闲游戏">',
        "<game%s/>" % _attrs(caption="贪吃蛇", url=base + "games/snake/?copy=1"),
        "</section>",
        "</games>",
    ]
    return "\n".join(lines) + "\n"


def catalogue_file(base, version=CATALOGUE_VERSION):
    """The bytes of "games.xml": GBK, scrambled with the default key."""
    return scramble(catalogue_xml(base, version).encode("gbk"))
