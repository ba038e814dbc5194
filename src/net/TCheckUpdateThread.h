#pragma once
// The daily report's worker: one plain GET on a thread of its own, so that the main thread
// keeps handling events while the portal answers.

#include <QByteArray>
#include <QString>
#include <QThread>

class TCheckUpdateThread : public QThread {
    Q_OBJECT
public:
    TCheckUpdateThread(const QString &url, int timeoutMs) : FUrl(url), FTimeout(timeoutMs) {}
    // The answer's body; empty until the thread has finished, or when nothing usable came back.
    QByteArray Received() const { return FReceived; }

protected:
    void run() override;

private:
    QString FUrl;
    int FTimeout;
    QByteArray FReceived;
};
