// Runs in every frame of a page host's page, in a world of its own that the page's scripts cannot
// reach. It fills a stored login into the page and reads a login the user typed. Results go to
// the host as console messages that begin with a secret of this host's, handed to this world
// alone: a page can imitate the source id of a console message, never the secret.
// The host talks to the top frame directly and to the other frames through postMessage, which
// carries the token below so that the page cannot drive the listener.
(function () {
    'use strict';
    const TOKEN = '@TOKEN@';
    const SECRET = '@SECRET@'; // never leaves this world, unlike TOKEN
    const FRAME_LIMIT = 100;
    const isTop = window === window.top;

    function report(obj) {
        console.log('ludora:' + SECRET + ':' + JSON.stringify(obj));
    }

    function inputsOf(doc) {
        return doc ? doc.getElementsByTagName('input') : [];
    }

    function typeOf(e) {
        return String(e.type || '').toLowerCase();
    }

    // Boxes a user name, an e-mail address or a phone number is typed into (an INPUT without a
    // type is a text box).
    function isUserBox(type) {
        return type === 'text' || type === 'email' || type === 'tel';
    }

    // Writes a value as typing does: through the platform's own setter, which libraries that
    // wrap an input's value (React) cannot see past, then the events typing causes.
    const valueSetter = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, 'value').set;
    function typeInto(e, value) {
        valueSetter.call(e, value);
        e.dispatchEvent(new Event('input', { bubbles: true }));
        e.dispatchEvent(new Event('change', { bubbles: true }));
    }

    // The login of a form on its way out, told at once: a frame's document may be gone before
    // the host's capture question reaches it.
    function snapshot() {
        const login = capture(document);
        if (login)
            report({ ev: 'snapshot', report: login });
    }

    const formMethod = Object.getOwnPropertyDescriptor(HTMLFormElement.prototype, 'method').get;
    let filling = null; // the form the fill is submitting, while its submit event runs

    // Submits as Enter in the form would: the page's submit handlers run and may keep the page.
    // A stored password never goes into an address: a submission by GET that no handler of the
    // page took over is cancelled. Returns whether the form was left to go.
    function submitForm(form, submitter) {
        const state = { form: form, submitter: submitter, cancelled: false };
        filling = state;
        try {
            // Controls named "submit" or "method" shadow the form's own members.
            if (submitter)
                HTMLFormElement.prototype.requestSubmit.call(form, submitter);
            else
                HTMLFormElement.prototype.requestSubmit.call(form);
        } finally {
            filling = null;
        }
        return !state.cancelled;
    }

    function submitsByGet(form, submitter) {
        const method = submitter && submitter.hasAttribute('formmethod')
            ? String(submitter.formMethod) : String(formMethod.call(form));
        return method.toLowerCase() === 'get';
    }

    window.addEventListener('submit', snapshot, true);
    // After the page's own handlers (React listens at its root): whatever none of them stopped
    // would go out by GET with the password in its address. A handler that stops the event
    // before it gets here still meets the host, which opens no address holding the password.
    window.addEventListener('submit', function (ev) {
        const st = filling;
        if (st && ev.target === st.form && !ev.defaultPrevented &&
            submitsByGet(st.form, st.submitter)) {
            ev.preventDefault();
            st.cancelled = true;
        }
    }, false);

    // One document. st = {pass, user, check, ubox, pbox}; pass and user are emptied as they
    // are written. With dry set nothing is touched: the outcome says what a real run would do.
    function fill(doc, st, dry) {
        const out = { finished: false, wrote: false, acted: false };
        let passBox = null;
        const inputs = inputsOf(doc);
        for (let i = inputs.length - 1; i >= 0; --i) {
            const e = inputs[i];
            if (!e.form)
                continue;
            const type = typeOf(e);
            if (type === 'password') {
                if (!st.pass)
                    return out;
                if (st.pbox && st.pbox !== (e.name || '') + (e.id || ''))
                    continue;
                if (!dry)
                    typeInto(e, st.pass);
                st.pass = '';
                passBox = e;
                out.wrote = true;
            } else if (isUserBox(type)) {
                if (st.pass) {
                    // The verification code must be typed by the user: give it the caret.
                    if (st.check && st.check === e.name) {
                        out.acted = true;
                        if (!dry)
                            e.focus();
                    }
                    continue;
                }
                if (!(st.ubox && st.ubox !== e.name)) {
                    if (!dry)
                        typeInto(e, st.user);
                    st.user = '';
                    out.wrote = true;
                }
                const form = e.form;
                const count = form.elements.length;
                // Kept on its page unsent, the filled form waits for the player at its password.
                const submit = function (submitter) {
                    if (!submitForm(form, submitter) && passBox)
                        passBox.focus();
                };
                if (count === 2) {
                    out.acted = true;
                    if (!dry)
                        submit(null);
                } else if (count === 3) {
                    const third = form.elements[2];
                    if (third && third.tagName === 'INPUT') {
                        out.acted = true;
                        if (!dry) {
                            const kind = typeOf(third);
                            if (kind === 'text')
                                third.focus();
                            else
                                submit(kind === 'submit' || kind === 'image' ? third : null);
                        }
                    }
                }
                out.finished = true;
                return out;
            }
        }
        return out;
    }

    // One document: the login typed into it, or null.
    function capture(doc) {
        let pass = null;
        let pbox = '';
        const inputs = inputsOf(doc);
        for (let i = inputs.length - 1; i >= 0; --i) {
            const e = inputs[i];
            if (!e.form || !e.value)
                continue;
            const type = typeOf(e);
            if (type === 'password') {
                if (pass !== null)
                    return null;
                pass = e.value;
                pbox = (e.name || '') + (e.id || '');
            } else if (isUserBox(type) && pass !== null) {
                return { user: e.value, ubox: e.name || '', pass: pass, pbox: pbox };
            }
        }
        return null;
    }

    function frameCount() {
        return Math.min(window.frames.length, FRAME_LIMIT);
    }

    if (isTop) {
        // Called by the host with runJavaScript in this world.
        window.LudoraHost = {
            where: function () {
                return { origin: String(location.origin), frames: frameCount() };
            },
            // origin: where the host found this document; a document that has since been
            // replaced gets nothing.
            fill: function (st, origin) {
                if (String(location.origin) !== origin)
                    return null;
                const r = fill(document, st, false);
                return { finished: r.finished, pass: st.pass, user: st.user,
                         frames: frameCount() };
            },
            // The top document first; failing that every frame is asked at once, before the
            // navigation that triggered it can replace their documents. Each answers by itself.
            capture: function (seq) {
                const report = capture(document);
                const frames = frameCount();
                if (report === null) {
                    for (let i = 0; i < frames; ++i) {
                        window.frames[i].postMessage(
                            { token: TOKEN, cmd: 'capture', seq: seq, frame: i }, '*');
                    }
                }
                return { report: report, frames: frames };
            },
            // Passes a command to one frame of this document; origin limits who may read it.
            post: function (index, msg, origin) {
                const target = index < frameCount() ? window.frames[index] : null;
                if (!target)
                    return false;
                msg.token = TOKEN;
                target.postMessage(msg, origin || '*');
                return true;
            },
        };
        report({ ev: 'doc', url: String(location.href) });
        return;
    }

    window.addEventListener('message', function (ev) {
        const m = ev.data;
        if (!m || typeof m !== 'object' || m.token !== TOKEN || ev.source !== window.parent)
            return;
        // Registered before any page script, so the page's own listeners never see it.
        ev.stopImmediatePropagation();
        const base = { seq: m.seq, frame: m.frame };
        if (m.cmd === 'probe') {
            const st = { pass: m.pass ? '\u0001' : '', user: m.user ? '\u0001' : '',
                         check: m.check, ubox: m.ubox, pbox: m.pbox };
            const r = fill(document, st, true);
            report(Object.assign(base, { ev: 'probe', origin: String(location.origin),
                                         finished: r.finished, wrote: r.wrote,
                                         acted: r.acted }));
        } else if (m.cmd === 'fill') {
            const st = { pass: m.pass, user: m.user, check: m.check, ubox: m.ubox, pbox: m.pbox };
            const r = fill(document, st, false);
            report(Object.assign(base, { ev: 'fill', finished: r.finished,
                                         passEmpty: !st.pass, userEmpty: !st.user }));
        } else if (m.cmd === 'capture') {
            report(Object.assign(base, { ev: 'capture', report: capture(document) }));
        }
    }, true);
})();
