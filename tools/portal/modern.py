"""Login pages as today's portals build them: Vue 3 and React 18 boxes that log in with fetch and
stay on their page, an e-mail box and a phone box, and a form that would send its password in the
address (GET). Served by portal.py under /games/<id>/ and /login-get.html.
"""

import json
from html import escape
from urllib.parse import quote

import pages
from catalogue import MODERN_GAMES

# The shared script of both script pages: posts the login as a form body and answers the JSON.
POST_LOGIN = """
function postLogin(user, pass) {
  var body = new URLSearchParams();
  body.append(%(user)s, user);
  body.append(%(pass)s, pass);
  return fetch('session', {method: 'POST', body: body}).then(function (r) { return r.json(); });
}
"""

VUE_APP = """
Vue.createApp({
  data: function () { return {user: '', pass: '', player: '', error: ''}; },
  methods: {
    login: function () {
      var self = this;
      postLogin(this.user, this.pass).then(function (r) {
        if (r.ok) { self.player = r.user; document.title = %(playing)s; }
        else self.error = r.error;
      });
    }
  },
  template: '<p v-if="error" class="error" id="error">{{ error }}</p>' +
    '<form v-if="!player" id="login" @submit.prevent="login">' +
    '<label>帐号 <input type="text" name="user" id="user" v-model="user"></label><br>' +
    '<label>密码 <input type="password" name="pass" id="pass" v-model="pass"></label><br>' +
    '<input type="submit" value="登录"></form>' +
    '<p v-else id="welcome">欢迎，<b id="player">{{ player }}</b>！</p>'
}).mount('#app');
"""

REACT_APP = """
(function () {
  var h = React.createElement;
  function App() {
    var u = React.useState(''), p = React.useState(''), who = React.useState(''),
        err = React.useState('');
    function submit(e) {
      e.preventDefault();
      postLogin(u[0], p[0]).then(function (r) {
        if (r.ok) { who[1](r.user); document.title = %(playing)s; }
        else err[1](r.error);
      });
    }
    if (who[0])
      return h('p', {id: 'welcome'}, '欢迎，', h('b', {id: 'player'}, who[0]), '！');
    return h('div', null,
      err[0] ? h('p', {className: 'error', id: 'error'}, err[0]) : null,
      h('form', {id: 'login', onSubmit: submit},
        h('label', null, '帐号 ', h('input', {type: 'text', name: 'login', id: 'login-user',
          value: u[0], onChange: function (e) { u[1](e.target.value); }})), h('br'),
        h('label', null, '密码 ', h('input', {type: 'password', name: 'pwd', id: 'pwd',
          value: p[0], onChange: function (e) { p[1](e.target.value); }})), h('br'),
        h('input', {type: 'submit', value: '登录'})));
  }
  ReactDOM.createRoot(document.getElementById('app')).render(h(App));
})();
"""


def first(values, name):
    found = values.get(name)
    return found[0] if found else ""


def quote_value(text):
    return quote(text, safe="")


def script_page(base, gid):
    g = MODERN_GAMES[gid]
    values = {"user": json.dumps(g["user"]), "pass": json.dumps(g["password"][0]),
              "playing": json.dumps(g["caption"] + " - 游戏中")}
    if g["kind"] == "vue":
        libs = ["vue.global.prod.js"]
        app = VUE_APP
    else:
        libs = ["react.production.min.js", "react-dom.production.min.js"]
        app = REACT_APP
    # The boxes exist only once the library has drawn them: a fill never meets a bare template.
    body = '%s<h1>%s</h1><div class="login" id="app"></div>%s<script>%s%s</script>' % (
        pages.nav(base), escape(g["caption"]),
        "".join('<script src="/vendor/%s"></script>' % lib for lib in libs),
        POST_LOGIN % values, app % values)
    return pages.page(g["caption"] + " - 登录", body)


def box_page(base, gid, error=""):
    """The classic e-mail and phone pages."""
    g = MODERN_GAMES[gid]
    pname, pid = g["password"]
    kind = g["kind"]
    label = "邮箱" if kind == "email" else "手机号"
    fields = ['<label>%s <input type="%s" name="%s" id="%s"></label>'
              % (label, kind, g["user"], g["user"]),
              '<label>密码 <input type="password" name="%s" id="%s"></label>' % (pname, pid)]
    outside = ""
    if kind == "email":
        fields.append('<input type="submit" value="登录">')
    else:
        outside = ('<button type="button" id="loginButton" '
                   "onclick=\"document.getElementById('login').submit()\">登录</button>")
    err = '<p class="error" id="error">%s</p>' % escape(error) if error else ""
    body = ('%s<h1>%s</h1><div class="login">%s<form id="login" method="post" action="login">'
            '%s</form>%s</div>' % (pages.nav(base), escape(g["caption"]), err,
                                  "<br>".join(fields), outside))
    return pages.page(g["caption"] + " - 登录", body)


def get_login_page(base):
    """A login whose form sends its fields in the address: a stored password must never go."""
    body = ('%s<h1>地址栏登录</h1><div class="login"><form id="login" method="get" '
            'action="/games/snake/login"><label>帐号 <input type="text" name="username" '
            'id="username"></label><br><label>密码 <input type="password" name="password" '
            'id="pwd"></label><br><input type="submit" id="go" value="登录"></form></div>'
            % pages.nav(base))
    return pages.page("地址栏登录", body)


def route(handler, path, query, form, base):
    """Answers the requests of this module's pages; False for any other path."""
    if path == "/login-get.html":
        handler.send(200, get_login_page(base))
        return True
    parts = path.split("/")  # "", "games", id, rest
    if len(parts) != 4 or parts[1] != "games" or parts[2] not in MODERN_GAMES:
        return False
    gid, rest = parts[2], parts[3]
    g = MODERN_GAMES[gid]
    scripted = g["kind"] in ("vue", "react")
    if rest == "":
        handler.send(200, script_page(base, gid) if scripted else box_page(base, gid))
    elif rest == "session" and scripted and handler.command == "POST":
        error = handler.take_login(gid, form)
        handler.send_json({"ok": not error, "error": error,
                           "user": first(form, g["user"])})
    elif rest == "login" and not scripted:
        error = handler.take_login(gid, form or query)
        if error:
            handler.send(200, box_page(base, gid, error))
        else:
            handler.redirect("%sgames/%s/play?user=%s" % (
                base, gid, quote_value(first(form or query, g["user"]))))
    elif rest == "play":
        handler.send(200, pages.play_page(base, gid, first(query, "user")))
    elif rest == "info.html":
        handler.send(200, pages.info_page(base, gid))
    else:
        handler.not_found()
    return True
