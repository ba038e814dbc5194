#pragma once
// Fetches a newer catalogue and puts it in place of "games.xml": only a download that parses
// and holds the XML declaration and a root element is stored (scrambled, through a temporary
// file), so a failed or garbled download never costs the player the catalogue they have.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class THTTPGet;

class TCatalogueRefresh : public QObject {
    Q_OBJECT

public:
    // fileName: the "games.xml" to replace.
    explicit TCatalogueRefresh(const QString &fileName, QObject *parent = nullptr);

    void Start(const QString &url);
    // The process-wide catalogue holds the new one and the file is written.
    std::function<void()> OnReplaced;

    // A download that is a catalogue: it parses and its top nodes are the declaration and the
    // root element. On success the plain text is in *text.
    static bool IsCatalogue(const QByteArray &download, QString *text = nullptr);
    // Validates, writes the scrambled file and loads it as the process-wide catalogue.
    static bool Replace(const QByteArray &download, const QString &fileName);

private:
    QString FFileName;
    THTTPGet *FHTTPGet = nullptr;
};
