#pragma once
// The notification check's worker: asks the notification page for its Last-Modified header on a
// thread of its own and hands the value to the main thread. At most one check runs at a time;
// the thread frees itself when it ends.

#include <QString>
#include <QThread>

class TGetThread : public QThread {
    Q_OBJECT

public:
    static constexpr int MaxValue = 30; // characters of the header that are kept
    static constexpr int TimeoutMs = 20000;

    explicit TGetThread(const QString &url);

    // The Last-Modified value of the page, or "" when the page or the header was not there.
    static QString LastModified(const QString &url, int timeoutMs, const QThread *worker);

signals:
    // Queued to the owner's thread; only for a successful answer with the header.
    void Checked(const QString &lastModified);

protected:
    void run() override;

private:
    QString FUrl;
};
