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
    if (FWorker) {
        FWorker->disconnect(this);
        FWorker->wait();
        delete FWorker;
    }
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
    FWorker = QThread::create(
        [this, download]() { FStored = Store(download, FFileName, &FDoc, &FFileBytes); });
    connect(FWorker, &QThread::finished, this, [this]() {
        if (FStored) {
            Catalogue().Adopt(FDoc, FFileBytes);
            if (OnReplaced)
                OnReplaced();
        }
        Done(FStored);
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
