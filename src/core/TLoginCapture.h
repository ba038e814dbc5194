#pragma once
// Reading a login the user typed: the top document is asked first, then every frame at once
// (before the navigation that set it off replaces their documents); frames answer in any order
// and the first in frame order that has a login wins. A capture set off by a navigation while
// armed falls back on the login a form told the host as it went out, when that is recent.
// While armed, a form submitted in any frame is reported by itself when no navigation follows
// (pages that log in by script stay where they are); one login gives one report either way.

#include "core/TScriptRunner.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

class TLoginCapture : public QObject {
    Q_OBJECT
public:
    static constexpr int FrameReplyTimeout = 500; // ms: a frame silent that long has nothing
    static constexpr int SubmittedLifetime =
        3000; // ms: a submitted login belongs to its navigation
    // ms a submitted login waits for the navigation it may set off before it is reported alone
    static constexpr int SubmitSettle = 250;

    explicit TLoginCapture(TScriptRunner &runner, QObject *parent = nullptr);

    // Armed by a six-line registration reply, until a capture set off by a navigation reports.
    bool Armed() const { return FArmed; }
    void Arm() { FArmed = true; }

    // fromCommand: asked by the main window, which is told when nothing is found; otherwise a
    // navigation began while armed.
    void Start(bool fromCommand);
    // The host is closing: nothing runs any more.
    void Stop();
    // A message of the injected script about captures ("capture" or "snapshot").
    void ScriptMessage(const QJsonObject &message);

signals:
    // A login was found: {user, pass, ubox, pbox}.
    void Found(const QVariantMap &login);
    // A capture the main window asked for found no login.
    void NothingFound();

private:
    void Advance();
    void Finish(bool sent);

    TScriptRunner &FRunner;
    bool FArmed = false;
    bool FStopped = false;
    bool FActive = false;
    int FSeq = 0;
    int FFrame = 0;
    int FFrames = 0;
    bool FFromCommand = false;
    bool FFromNavigate = false;
    bool FTopDone = false;         // the top document has answered
    QTimer FReply;                 // a frame that does not answer is passed over
    QMap<int, QVariantMap> FFound; // answers of frames not yet due, by index
    // The login of the last form submitted in any frame, told by the frame as it went out; used
    // when a capture started by that navigation finds the frame's document already replaced.
    QVariantMap FSubmitted;
    QElapsedTimer FSubmittedAge;
    QTimer FSettle; // a submitted login that no navigation took up is reported when it fires
};
