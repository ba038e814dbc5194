#include "mainwindow/TCatalogueRefresh.h"

#include "net/THTTPGet.h"
#include "platform/AnsiCodePage.h"
#include "side/TCatalogue.h"
#include "store/ScrambleText.h"

#include <QDomDocument>
#include <QSaveFile>

TCatalogueRefresh::TCatalogueRefresh(const QString &fileName, QObject *parent)
    : QObject(parent), FFileName(fileName) {}

void TCatalogueRefresh::Start(const QString &url) {
    FHTTPGet = new THTTPGet(this);
    FHTTPGet->SetURL(url);
    FHTTPGet->OnDoneString = [this](THTTPGet *, const QByteArray &result) {
        if (Replace(result, FFileName) && OnReplaced)
            OnReplaced();
        deleteLater();
    };
    FHTTPGet->OnError = [this](THTTPGet *) { deleteLater(); };
    FHTTPGet->StartTextFetch();
}

bool TCatalogueRefresh::IsCatalogue(const QByteArray &download, QString *text) {
    const QString plain = UnicodeFromAnsi(download);
    QDomDocument doc;
    if (!doc.setContent(plain))
        return false;
    const QDomNodeList top = doc.childNodes();
    if (top.count() < 2 || !top.item(0).isProcessingInstruction() ||
        top.item(0).nodeName().compare(QLatin1String("xml"), Qt::CaseInsensitive) != 0 ||
        !top.item(1).isElement())
        return false;
    if (text)
        *text = plain;
    return true;
}

bool TCatalogueRefresh::Replace(const QByteArray &download, const QString &fileName) {
    QString text;
    if (!IsCatalogue(download, &text))
        return false;
    const QByteArray scrambled = ScrambleText(download);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(scrambled) != scrambled.size() ||
        !file.commit())
        return false;
    Catalogue().LoadText(text);
    return true;
}
