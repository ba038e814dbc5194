#include "mainwindow/TCatalogueRefresh.h"

#include "net/THTTPGet.h"
#include "platform/AnsiCodePage.h"
#include "side/TCatalogue.h"
#include "store/ScrambleText.h"
#include "store/TBoundedXml.h"

#include <QSaveFile>
#include <QThread>

TCatalogueRefresh::TCatalogueRefresh(const QString &fileName, QObject *parent)
    : QObject(parent), FFileName(fileName) {}

TCatalogueRefresh::~TCatalogueRefresh() {
    if (!FWorker)
        return;
    FWorker->disconnect(this);
    if (FWorker->wait(200)) {
        delete FWorker;
        return;
    }
    // Closing never waits for it: it holds nothing of this object's.
    connect(FWorker, &QThread::finished, FWorker, &QObject::deleteLater);
}

void TCatalogueRefresh::Start(const QString &url) {
    FHTTPGet = new THTTPGet(this);
    FHTTPGet->SetURL(url);
    FHTTPGet->OnDoneString = [this](THTTPGet *, const QByteArray &result) { Check(result); };
    FHTTPGet->OnError = [this](THTTPGet *) { Done(false); };
    FHTTPGet->StartTextFetch();
}

void TCatalogueRefresh::Check(const QByteArray &download) {
    if (FWorker)
        return;
    FOutcome = std::make_shared<TOutcome>();
    FWorker = QThread::create([outcome = FOutcome, download, fileName = FFileName]() {
        outcome->Stored = Store(download, fileName, &outcome->Doc, &outcome->FileBytes);
    });
    connect(FWorker, &QThread::finished, this, [this]() {
        const bool stored = FOutcome->Stored;
        if (stored) {
            Catalogue().Adopt(FOutcome->Doc, FOutcome->FileBytes);
            if (OnReplaced)
                OnReplaced();
        }
        Done(stored);
    });
    FWorker->start();
}

void TCatalogueRefresh::Done(bool replaced) {
    if (OnFinished)
        OnFinished(replaced);
    deleteLater();
}

bool TCatalogueRefresh::IsCatalogue(const QByteArray &download, QDomDocument *doc) {
    QDomDocument parsed;
    if (download.size() > TBoundedXml::MaxLength ||
        !TBoundedXml::Parse(UnicodeFromAnsi(download), parsed))
        return false;
    const QDomNodeList top = parsed.childNodes();
    if (top.count() < 2 || !top.item(0).isProcessingInstruction() ||
        top.item(0).nodeName().compare(QLatin1String("xml"), Qt::CaseInsensitive) != 0 ||
        !top.item(1).isElement())
        return false;
    if (doc)
        *doc = parsed;
    return true;
}

bool TCatalogueRefresh::Store(const QByteArray &download, const QString &fileName,
                              QDomDocument *doc, QByteArray *fileBytes) {
    QDomDocument parsed;
    if (!IsCatalogue(download, &parsed))
        return false;
    const QByteArray scrambled = ScrambleText(download);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(scrambled) != scrambled.size() ||
        !file.commit())
        return false;
    *doc = parsed;
    *fileBytes = scrambled;
    return true;
}
