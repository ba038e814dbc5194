#include "controls/TGetHistoryThread.h"

#include <QMutexLocker>

TGetHistoryThread::TGetHistoryThread(const QString &historyPath, int limit, QObject *parent)
    : QThread(parent), FPath(historyPath), FLimit(limit) {}

TGetHistoryThread::~TGetHistoryThread() {
    {
        QMutexLocker lock(&FMutex);
        FStop = true;
        FWake.wakeAll();
    }
    wait();
}

void TGetHistoryThread::Search(const QString &typed) {
    {
        QMutexLocker lock(&FMutex);
        FRequest = typed;
        FHasRequest = true;
        FWake.wakeAll();
    }
    if (!isRunning())
        start();
}

bool TGetHistoryThread::IsBusy() const {
    QMutexLocker lock(&FMutex);
    return FHasRequest || FSearching;
}

void TGetHistoryThread::run() {
    THistoryStore store(FPath);
    QMutexLocker lock(&FMutex);
    for (;;) {
        while (!FHasRequest && !FStop)
            FWake.wait(&FMutex);
        if (FStop)
            return;
        const QString typed = FRequest;
        FHasRequest = false;
        FSearching = true;
        lock.unlock();
        const QList<THistoryEntry> entries = store.Search(typed, FLimit);
        lock.relock();
        FSearching = false;
        // A newer text is waiting: its result follows, this one would only flash by.
        if (FHasRequest)
            continue;
        // Queued to this object's thread; dropped with the object if the box goes first.
        QMetaObject::invokeMethod(
            this, [this, typed, entries] { emit Found(typed, entries); }, Qt::QueuedConnection);
    }
}
