#pragma once
// The address box's worker: searches the history file for the typed text away from the user
// interface thread. It runs one search at a time and then waits for the next; a text typed
// while a search runs is searched as soon as that search ends, and only the newest of several
// waiting texts is searched at all.

#include "store/THistoryStore.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

class TGetHistoryThread : public QThread {
    Q_OBJECT
public:
    // The history file is opened on the worker thread, at its first search.
    TGetHistoryThread(const QString &historyPath, int limit, QObject *parent = nullptr);
    ~TGetHistoryThread() override; // ends the thread and waits for it

    // From the user interface thread: search for typed next; starts the thread the first time.
    void Search(const QString &typed);
    // True while a search runs or waits to run.
    bool IsBusy() const;

signals:
    // On the user interface thread (the thread that owns this object), for the newest text.
    void Found(const QString &typed, const QList<THistoryEntry> &entries);

protected:
    void run() override;

private:
    const QString FPath;
    const int FLimit;
    mutable QMutex FMutex;
    QWaitCondition FWake;
    QString FRequest;
    bool FHasRequest = false;
    bool FSearching = false;
    bool FStop = false;
};
