#pragma once
// The account page of the settings window: the stored game accounts of the current user in an
// embedded page ("FORM" in the program's resources), one title row and one hidden edit row per
// account. Each listed item gets a row handle for the life of the view; saves and deletes from
// the page reach the user data document at once.

#include <QDomElement>
#include <QFont>
#include <QHash>
#include <QWebEngineView>

class TAccountBridge;
class TUserData;

class TAccountPage : public QWebEngineView {
    Q_OBJECT

public:
    static const QString FormUrl; // "qrc:/options/form"

    TAccountPage(TUserData &data, QWidget *parent = nullptr);

    // Shows the page; the table is filled once, when the document first completes.
    void Navigate();
    bool TableFilled() const { return FFilled; }
    // Font of the page's text (the main window's font).
    void SetHostFont(const QFont &font, const QColor &color);

    // Appends the rows of one item (an added account) to the table.
    void AppendItem(const QDomElement &item);
    // The item behind a row handle; null once deleted or never known.
    QDomElement ItemOf(int id) const { return FItems.value(id); }
    int HandleOf(const QDomElement &item) const;

    // "body, td, a:link, a:visited { ... }" for a font and colour.
    static QString HostStyleSheet(const QFont &font, const QColor &color);

signals:
    void TableReady(int rows); // the first filling is in the page
    void ItemSaved(int id);
    void ItemDeleted(int id);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void LoadFinished(bool ok);
    QJsonObject RowData(const QDomElement &item);
    void SaveItem(int id, const QString &caption, const QString &user, const QString &pass);
    void DeleteItem(int id);

    TUserData &FData;
    TAccountBridge *FBridge = nullptr;
    QHash<int, QDomElement> FItems;
    int FNextHandle = 1;
    bool FFilled = false;
    QString FStyleSheet;
};
