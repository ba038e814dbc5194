#include "core/TLoginCapture.h"

TLoginCapture::TLoginCapture(TScriptRunner &runner, QObject *parent)
    : QObject(parent), FRunner(runner) {
    FReply.setSingleShot(true);
    connect(&FReply, &QTimer::timeout, this, [this]() {
        // Whoever has not answered by now has nothing to report.
        for (int i = FFrame; i < FFrames; ++i)
            if (!FFound.contains(i))
                FFound.insert(i, QVariantMap());
        if (FTopDone)
            Advance();
        else
            Finish(false);
    });
    FSettle.setSingleShot(true);
    FSettle.setInterval(SubmitSettle);
    connect(&FSettle, &QTimer::timeout, this, [this]() {
        // A capture of a navigation under way takes the login up itself.
        if (FActive || !FArmed || FStopped || FSubmitted.isEmpty())
            return;
        const QVariantMap login = FSubmitted;
        FSubmitted.clear();
        FSubmittedAge.invalidate();
        FArmed = false;
        emit Found(login);
    });
}

void TLoginCapture::Stop() {
    FStopped = true;
    FActive = false;
    FReply.stop();
    FSettle.stop();
}

void TLoginCapture::Start(bool fromCommand) {
    if (FStopped)
        return;
    // A later navigation replaces a run still waiting for frames: its documents are the ones
    // about to go.
    const bool wasActive = FActive;
    FFromCommand = fromCommand || (wasActive && FFromCommand);
    FFromNavigate = !fromCommand || (wasActive && FFromNavigate);
    FActive = true;
    const int seq = ++FSeq;
    FFrame = 0;
    FFrames = 0;
    FFound.clear();
    FTopDone = false;
    FRunner.RunScript(TScriptRunner::HostCall(QStringLiteral("capture(%1)").arg(seq)),
                      [this, seq](const QVariant &result) {
                          if (!FActive || FSeq != seq)
                              return;
                          const QVariantMap r = result.toMap();
                          const QVariantMap login = r.value(QStringLiteral("report")).toMap();
                          if (!login.isEmpty()) {
                              emit Found(login);
                              Finish(true);
                              return;
                          }
                          FFrames = r.value(QStringLiteral("frames")).toInt();
                          FTopDone = true;
                          FReply.start(FrameReplyTimeout);
                          Advance();
                      });
    // A document that never answers (the page went away meanwhile) must not block later runs.
    FReply.start(FrameReplyTimeout);
}

void TLoginCapture::Advance() {
    if (!FTopDone)
        return;
    while (FActive && FFrame < FFrames && FFound.contains(FFrame)) {
        const QVariantMap login = FFound.value(FFrame);
        if (!login.isEmpty()) {
            emit Found(login);
            Finish(true);
            return;
        }
        ++FFrame;
    }
    if (FActive && FFrame >= FFrames)
        Finish(false);
}

void TLoginCapture::Finish(bool sent) {
    if (!sent && FFromNavigate && !FSubmitted.isEmpty() && FSubmittedAge.isValid() &&
        FSubmittedAge.elapsed() < SubmittedLifetime) {
        emit Found(FSubmitted);
        sent = true;
    }
    FSubmitted.clear();
    FSubmittedAge.invalidate();
    FActive = false;
    FReply.stop();
    if (sent && FFromNavigate)
        FArmed = false;
    if (!sent && FFromCommand)
        emit NothingFound();
}

void TLoginCapture::ScriptMessage(const QJsonObject &m) {
    const QString ev = m.value(QStringLiteral("ev")).toString();
    if (ev == QLatin1String("snapshot")) {
        // Disarmed, the login has been reported already (or is not wanted).
        if (!FArmed)
            return;
        FSubmitted = m.value(QStringLiteral("report")).toObject().toVariantMap();
        FSubmittedAge.start();
        if (!FSubmitted.isEmpty())
            FSettle.start();
        return;
    }
    if (ev != QLatin1String("capture"))
        return;
    const int frame = m.value(QStringLiteral("frame")).toInt();
    if (!FActive || FSeq != m.value(QStringLiteral("seq")).toInt() || frame < FFrame)
        return;
    FFound.insert(frame, m.value(QStringLiteral("report")).toObject().toVariantMap());
    Advance();
}
