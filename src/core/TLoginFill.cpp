#include "core/TLoginFill.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QVariantMap>

namespace {

QString Json(const QJsonObject &object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A JavaScript string literal holding text.
QString JsString(const QString &text) {
    const QString array =
        QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return array.mid(1, array.size() - 2);
}

bool IsAddress(const QString &host) {
    if (host.contains(u':'))
        return true; // IPv6
    for (const QChar c : host)
        if (!c.isDigit() && c != u'.')
            return false;
    return true;
}

} // namespace

QString TLoginFill::SiteOf(const QString &url) {
    const QUrl u(url);
    const QString scheme = u.scheme().toLower();
    QString host = u.host().toLower();
    if (host.endsWith(u'.'))
        host.chop(1);
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https")) || host.isEmpty())
        return QString();
    QString domain = host;
    if (!IsAddress(host)) {
        const QStringList labels = host.split(u'.');
        int keep = 2;
        // Country domains with a second level of their own: example.com.cn, example.co.uk.
        static const QStringList secondLevels{"com", "net", "org", "gov", "edu", "ac", "co"};
        if (labels.size() >= 3 && labels.last().size() == 2 &&
            secondLevels.contains(labels.at(labels.size() - 2)))
            keep = 3;
        if (labels.size() > keep)
            domain = labels.mid(labels.size() - keep).join(u'.');
    }
    return scheme + QLatin1String("://") + domain;
}

bool TLoginFill::UrlHoldsPassword(const QString &url, const QString &password,
                                  const QString &gameUrl) {
    if (password.size() < 4 || gameUrl.contains(password))
        return false;
    if (url.contains(password) || QUrl::fromPercentEncoding(url.toUtf8()).contains(password))
        return true;
    // A form's query writes a blank as "+".
    QByteArray plus = url.toUtf8();
    plus.replace('+', ' ');
    return QUrl::fromPercentEncoding(plus).contains(password);
}

TLoginFill::TLoginFill(TScriptRunner &runner, QObject *parent) : QObject(parent), FRunner(runner) {
    FTimer.setSingleShot(true);
    FTimer.setInterval(FillInterval);
    connect(&FTimer, &QTimer::timeout, this, &TLoginFill::TimerTick);
    FReply.setSingleShot(true);
    connect(&FReply, &QTimer::timeout, this, [this]() { FillFrame(FFrame + 1); });
}

void TLoginFill::SetLogin(const QString &check, const QString &user, const QString &password,
                          const QString &userBox, const QString &passwordBox) {
    FCheck = check;
    FUser = user;
    FPassword = password;
    FUserBox = userBox;
    FPasswordBox = passwordBox;
}

void TLoginFill::NavigateComplete() {
    if (!FUser.isEmpty() && !FPassword.isEmpty() && !FStopped)
        FTimer.start();
}

void TLoginFill::Stop() {
    FStopped = true;
    FActive = false;
    FTimer.stop();
    FReply.stop();
}

QJsonObject TLoginFill::State(bool withValues) const {
    // Without values, non-empty ones become a mark of their own: the frame's dry run only asks
    // whether they are empty.
    const QString mark = QStringLiteral("\u0001");
    QJsonObject st;
    st[QStringLiteral("pass")] = withValues || FPassword.isEmpty() ? FPassword : mark;
    st[QStringLiteral("user")] = withValues || FUser.isEmpty() ? FUser : mark;
    st[QStringLiteral("check")] = FCheck;
    st[QStringLiteral("ubox")] = FUserBox;
    st[QStringLiteral("pbox")] = FPasswordBox;
    return st;
}

void TLoginFill::TimerTick() {
    FTimer.stop();
    if (FActive || FStopped)
        return;
    FActive = true;
    FOtherSites = false;
    FOtherCandidate = -1;
    const int seq = ++FSeq;
    // Where the top document is, before anything is sent to it.
    FRunner.RunScript(
        TScriptRunner::HostCall(QStringLiteral("where()")), [this, seq](const QVariant &result) {
            if (!FActive || FSeq != seq)
                return;
            const QString origin = result.toMap().value(QStringLiteral("origin")).toString();
            // The top document has left the game's site: its frames are no
            // business of the game's either.
            if (FSite.isEmpty() || SiteOf(origin) != FSite) {
                Finish(false);
                return;
            }
            FillTop(origin);
        });
}

void TLoginFill::FillTop(const QString &origin) {
    const int seq = FSeq;
    // The script writes nothing unless its document still has that origin.
    FRunner.RunScript(
        TScriptRunner::HostCall(
            QStringLiteral("fill(%1, %2)").arg(Json(State(true))).arg(JsString(origin))),
        [this, seq](const QVariant &result) {
            if (!FActive || FSeq != seq)
                return;
            const QVariantMap r = result.toMap();
            if (r.isEmpty()) {
                Finish(false);
                return;
            }
            FPassword = r.value(QStringLiteral("pass")).toString();
            FUser = r.value(QStringLiteral("user")).toString();
            if (r.value(QStringLiteral("finished")).toBool()) {
                Finish(true);
                return;
            }
            FFrames = r.value(QStringLiteral("frames")).toInt();
            FillFrame(0);
        });
}

void TLoginFill::FillFrame(int index) {
    if (!FActive)
        return;
    FReply.stop();
    FFrame = index;
    FAwaitingFill = false;
    if (index >= FFrames) {
        // No frame of the game's site took the login: the first of another site that holds
        // a form may.
        if (!FOtherSites && FOtherCandidate >= 0 && !FPassword.isEmpty()) {
            FOtherSites = true;
            FillFrame(FOtherCandidate);
            return;
        }
        Finish(false);
        return;
    }
    // First a dry run without the login: the values go only to a frame that takes them.
    QJsonObject probe = State(false);
    probe[QStringLiteral("cmd")] = QStringLiteral("probe");
    probe[QStringLiteral("seq")] = FSeq;
    probe[QStringLiteral("frame")] = index;
    const int seq = FSeq;
    FRunner.RunScript(
        TScriptRunner::HostCall(QStringLiteral("post(%1, %2, '*')").arg(index).arg(Json(probe))),
        [this, seq, index](const QVariant &posted) {
            if (FActive && FSeq == seq && FFrame == index && !posted.toBool())
                FillFrame(index + 1);
        });
    FReply.start(FrameReplyTimeout);
}

void TLoginFill::Finish(bool finished) {
    FActive = false;
    FReply.stop();
    // While the page loads its form may still appear; once complete, that was the last try.
    if (!finished && FLoading && !FStopped)
        FTimer.start();
    emit FillAttempted(finished);
}

void TLoginFill::ScriptMessage(const QJsonObject &m) {
    const QString ev = m.value(QStringLiteral("ev")).toString();
    const int seq = m.value(QStringLiteral("seq")).toInt();
    const int frame = m.value(QStringLiteral("frame")).toInt();
    if (!FActive || FSeq != seq || FFrame != frame)
        return;
    if (ev == QLatin1String("probe")) {
        if (FAwaitingFill)
            return;
        const bool wrote = m.value(QStringLiteral("wrote")).toBool();
        const QString origin = m.value(QStringLiteral("origin")).toString();
        // A login is never posted where it could be read by whoever is there by then: a frame
        // without an origin of its own (sandboxed, data:) is passed over.
        const QString site = SiteOf(origin);
        if ((!wrote && !m.value(QStringLiteral("finished")).toBool() &&
             !m.value(QStringLiteral("acted")).toBool()) ||
            origin.isEmpty() || origin == QLatin1String("null") || site.isEmpty()) {
            FillFrame(frame + 1);
            return;
        }
        // First pass: the game's site only; second pass: the others.
        if ((site == FSite) == FOtherSites) {
            if (!FOtherSites && FOtherCandidate < 0)
                FOtherCandidate = frame;
            FillFrame(frame + 1);
            return;
        }
        // This frame holds the form. Without anything to write it gets marks only.
        QJsonObject fill = State(wrote);
        fill[QStringLiteral("cmd")] = QStringLiteral("fill");
        fill[QStringLiteral("seq")] = seq;
        fill[QStringLiteral("frame")] = frame;
        FAwaitingFill = true;
        FReply.start(FrameReplyTimeout);
        FRunner.RunScript(TScriptRunner::HostCall(QStringLiteral("post(%1, %2, %3)")
                                                      .arg(frame)
                                                      .arg(Json(fill))
                                                      .arg(JsString(origin))),
                          [](const QVariant &) {});
        return;
    }
    if (ev != QLatin1String("fill") || !FAwaitingFill)
        return;
    if (m.value(QStringLiteral("passEmpty")).toBool())
        FPassword.clear();
    if (m.value(QStringLiteral("userEmpty")).toBool())
        FUser.clear();
    if (m.value(QStringLiteral("finished")).toBool())
        Finish(true);
    else
        FillFrame(frame + 1);
}
