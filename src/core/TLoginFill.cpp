#include "core/TLoginFill.h"

#include <QJsonArray>
#include <QJsonDocument>
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

} // namespace

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
    const int seq = ++FSeq;
    FRunner.RunScript(TScriptRunner::HostCall(QStringLiteral("fill(%1)").arg(Json(State(true)))),
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
        if ((!wrote && !m.value(QStringLiteral("finished")).toBool() &&
             !m.value(QStringLiteral("acted")).toBool()) ||
            origin.isEmpty() || origin == QLatin1String("null")) {
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
