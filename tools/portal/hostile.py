"""Hostile pages: what a page of the open web may try on the program that shows it.

Served on the main listener under /hostile/. "Another site" is the same listener reached as
localhost, so a page can hold a frame of a different site without a second server.
"""

import json

from pages import page

# A login report as the injected script once wrote it, sent under the script's own source id.
FORGED_REPORT = json.dumps({"ev": "snapshot", "report": {
    "user": "forged", "pass": "forged-pw", "ubox": "u", "pbox": "p"}})


def other_site(port):
    return "http://localhost:%d/" % port


def route(path, query, port):
    """The (title, body) of a hostile page, or None."""
    if path == "/hostile/open-javascript.html":
        # A pop-up whose document comes from a javascript: URL.
        return page("打开脚本窗口", "<p>opener</p><script>"
                    "window.open('javascript:\"<title>zz</title>hi\"');</script>")
    if path == "/hostile/open-write.html":
        # Pop-ups without a web address whose documents the opener writes.
        return page("写入新窗口", "<p>opener</p><script>"
                    "['', 'about:blank#x'].forEach(function (url) {"
                    " var w = window.open(url);"
                    " if (w) { w.document.write('<title>written</title><p>hi</p>');"
                    " w.document.close(); } });</script>")
    if path == "/hostile/flood.html":
        # Half of them after a move within the page, which is no new page load.
        return page("弹窗轰炸", "<p>flood</p><script>for (var i = 0; i < 50; ++i) {"
                    " if (i % 2) location.hash = 'n' + i;"
                    " window.open('/popup-child.html?' + i); }</script>")
    if path == "/hostile/forge.html":
        # Pretends to be the injected script telling of a submitted login, then navigates so
        # that an armed capture would look for it.
        code = "console.log(%s)\n//# sourceURL=userscript:ludorahost" % json.dumps(
            "ludora:" + FORGED_REPORT)
        return page("伪造消息", "<p>forge</p><script>eval(%s);"
                    "if (!location.search) setTimeout(function () {"
                    " location.href = '/hostile/forge.html?again'; }, 300);</script>"
                    % json.dumps(code))
    if path == "/hostile/decoy-form.html":
        # A login form that sends whatever it gets to its own site.
        return page("诱饵登录", '<form id="decoy" action="/hostile/steal" method="get">'
                    '<input type="text" name="u"><input type="password" name="p"></form>')
    if path == "/hostile/steal":
        return page("收到", "<p>stolen</p>")
    if path == "/hostile/decoy-frames.html":
        # The first frame, of another site, holds a password input; the second the real form.
        return page("诱饵框架", '<iframe src="%shostile/decoy-form.html"></iframe>'
                    '<iframe src="/games/2048/"></iframe>' % other_site(port))
    if path == "/hostile/leave.html":
        # No form here; later the page goes to another site that has one.
        return page("离开", "<p>leaving</p><script>setTimeout(function () {"
                    " location.href = '%shostile/decoy-form.html'; }, 1000);</script>"
                    % other_site(port))
    return None
