#pragma once
// Fetches a newer catalogue and puts it in place of "games.xml": only a download that parses
// within the data file bounds and holds the XML declaration and a root element is stored
// (scrambled, through a temporary file), so a failed or garbled download never costs the player
// the catalogue they have. The parse and the write run on a worker thread: a hostile download
// never stops the window.

#include <QByteArray>
#include <QDomDocument>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;
class THTTPGet;

class TCatalogueRefresh : public QObject {
    Q_OBJECT

public:
    // fileName: the "games.xml" to replace.
    explicit TCatalogueRefresh(const QString &fileName, QObject *parent = nullptr);
    // No event follows. A parse still running is not waited for past a moment (a catalogue
    // within the bounds may take seconds): it ends on its own, or with the process.
    ~TCatalogueRefresh() override;

    void Start(const QString &url);
    // The process-wide catalogue holds the new one and the file is written.
    std::function<void()> OnReplaced;
    // The refresh is over, replaced or not; the object deletes itself next.
    std::function<void(bool replaced)> OnFinished;

    // A download that is a catalogue: it parses within the data file bounds and its top nodes
    // are the declaration and the root element. On success the document is in *doc.
    static bool IsCatalogue(const QByteArray &download, QDomDocument *doc = nullptr);
    // Validates and writes the scrambled file; safe on any thread. On success the document and
    // the file's bytes are in *doc and *fileBytes.
    static bool Store(const QByteArray &download, const QString &fileName, QDomDocument *doc,
                      QByteArray *fileBytes);

private:
    void Check(const QByteArray &download);
    void Done(bool replaced);

    QString FFileName;
    THTTPGet *FHTTPGet = nullptr;
    // What the worker found; shared with it, as it may outlive this object.
    struct TOutcome {
        bool Stored = false;
        QDomDocument Doc;
        QByteArray FileBytes;
    };
    QThread *FWorker = nullptr;
    std::shared_ptr<TOutcome> FOutcome;
};
