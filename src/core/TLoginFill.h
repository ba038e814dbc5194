#pragma once
// Filling a stored login into a page: on every tick of the fill timer the top document is tried,
// then each frame in order, until one takes the login. A frame is first asked with a dry run,
// so the values go only to the frame that holds the form, and only to that frame's origin.
// While the page is still loading a fill that did not finish is tried again on the next tick.
//
// A login belongs to the site of the game it was stored for (scheme and registrable domain;
// ports do not count). Nothing is filled while the top document is on another site; frames of
// the game's site come first, a frame of another site only when none of them took the login.

#include "core/TScriptRunner.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

class TLoginFill : public QObject {
    Q_OBJECT
public:
    static constexpr int FillInterval = 333;      // ms between attempts while the page loads
    static constexpr int FrameReplyTimeout = 500; // ms: a frame silent that long is passed over

    explicit TLoginFill(TScriptRunner &runner, QObject *parent = nullptr);

    // The login of a six-line registration reply; each value is emptied once written.
    void SetLogin(const QString &check, const QString &user, const QString &password,
                  const QString &userBox, const QString &passwordBox);
    QString User() const { return FUser; }
    QString Password() const { return FPassword; }
    QString Check() const { return FCheck; }
    // The game's registered URL, whose site the login is bound to. Without one nothing is filled.
    void SetSite(const QString &gameUrl) { FSite = SiteOf(gameUrl); }

    // "scheme://registrable-domain" of a URL or origin; an address or a single-label host is its
    // own domain. Empty for anything without a host or not http(s).
    static QString SiteOf(const QString &url);
    // A URL that holds a stored password (a reply gone wrong, a page that learnt it) is neither
    // opened nor recorded; a password that is part of the game's own URL says nothing.
    static bool UrlHoldsPassword(const QString &url, const QString &password,
                                 const QString &gameUrl);

    void SetLoading(bool loading) { FLoading = loading; }
    // The top-level document of a navigation exists: with a login to fill, the timer starts.
    void NavigateComplete();
    // The host is closing: nothing runs any more.
    void Stop();
    // A message of the injected script about this fill ("probe" or "fill"); others are ignored.
    void ScriptMessage(const QJsonObject &message);

signals:
    // One fill attempt over the page and its frames ended.
    void FillAttempted(bool finished);

private:
    void TimerTick();
    void FillTop(const QString &origin);
    void FillFrame(int index);
    void Finish(bool finished);
    QJsonObject State(bool withValues) const;

    TScriptRunner &FRunner;
    QString FCheck;
    QString FUser;
    QString FPassword;
    QString FUserBox;
    QString FPasswordBox;
    QString FSite;
    bool FLoading = false;
    bool FStopped = false;

    QTimer FTimer;
    QTimer FReply; // a frame that does not answer is passed over
    bool FActive = false;
    int FSeq = 0;
    int FFrame = 0;
    int FFrames = 0;
    bool FAwaitingFill = false; // the frame was sent the values, not just asked
    bool FOtherSites = false;   // second pass: frames of other sites
    int FOtherCandidate = -1;   // first frame of another site that holds a form
};
