#include "options/TAccountPage.h"

#include "options/TAccountBridge.h"
#include "options/TAccountWebPage.h"
#include "store/EWriteError.h"
#include "store/TUserData.h"

#include "dialogs/TfrmTip.h"

#include <QContextMenuEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QWebChannel>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineSettings>

const QString TAccountPage::FormUrl = QStringLiteral("qrc:/options/form");

namespace {

// A script call with one JSON argument: the data is never spliced into markup.
QString Call(const QString &function, const QJsonValue &argument) {
    const QJsonDocument doc = argument.isArray() ? QJsonDocument(argument.toArray())
                                                 : QJsonDocument(QJsonArray{argument});
    QString json = QString::fromUtf8(doc.toJson(QJsonDocument::Compact));
    if (!argument.isArray()) // unwrap the single value
        json = json.mid(1, json.size() - 2);
    return function + QLatin1Char('(') + json + QLatin1Char(')');
}

} // namespace

TAccountPage::TAccountPage(TUserData &data, QWidget *parent) : QWebEngineView(parent), FData(data) {
    setObjectName(QStringLiteral("AccountPage"));
    auto *page = new TAccountWebPage(this);
    setPage(page);
    page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    FBridge = new TAccountBridge(this);
    auto *channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("host"), FBridge);
    page->setWebChannel(channel);
    connect(FBridge, &TAccountBridge::SaveRequested, this, &TAccountPage::SaveItem);
    connect(FBridge, &TAccountBridge::DeleteRequested, this, &TAccountPage::DeleteItem);
    connect(this, &QWebEngineView::loadFinished, this, &TAccountPage::LoadFinished);
}

QString TAccountPage::HostStyleSheet(const QFont &font, const QColor &color) {
    const int points = font.pointSize() > 0 ? font.pointSize() : 9;
    return QStringLiteral("body, td, a:link, a:visited { font-family: \"%1\"; font-size: %2pt;"
                          "color: %3; text-decoration: none }")
        .arg(QString(font.family()).remove(QLatin1Char('"')).remove(QLatin1Char('\\')))
        .arg(points)
        .arg(color.name());
}

void TAccountPage::SetHostFont(const QFont &font, const QColor &color) {
    FStyleSheet = HostStyleSheet(font, color);
}

void TAccountPage::Navigate() {
    load(QUrl(FormUrl));
}

int TAccountPage::HandleOf(const QDomElement &item) const {
    for (auto it = FItems.cbegin(); it != FItems.cend(); ++it)
        if (it.value() == item)
            return it.key();
    return 0;
}

namespace {

// The game's own caption: the last step of its location ("休闲游戏\\贪吃蛇\\" gives "贪吃蛇").
QString GameOf(const QString &location) {
    const QStringList steps = location.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return steps.isEmpty() ? QString() : steps.last();
}

} // namespace

QJsonObject TAccountPage::RowData(const QDomElement &item) {
    // Every pair of rows gets a handle of its own, also for an item listed twice.
    const int id = FNextHandle++;
    FItems.insert(id, item);
    return QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("caption"), item.attribute(QStringLiteral("caption"))},
        {QStringLiteral("user"), item.attribute(QStringLiteral("user"))},
        {QStringLiteral("pass"), item.attribute(QStringLiteral("pass"))},
        {QStringLiteral("game"), GameOf(item.attribute(QStringLiteral("location")))}};
}

void TAccountPage::LoadFinished(bool ok) {
    if (!ok || FFilled)
        return;
    FFilled = true;
    QJsonArray rows;
    for (QDomNode n = FData.AccountsFolder().firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement item = n.toElement();
        if (item.tagName() == QLatin1String("item") &&
            item.hasAttribute(QStringLiteral("caption")) &&
            item.hasAttribute(QStringLiteral("user")))
            rows.append(RowData(item));
    }
    QString script;
    if (!FStyleSheet.isEmpty())
        script = Call(QStringLiteral("setHostStyle"), FStyleSheet) + QLatin1Char(';');
    script += Call(QStringLiteral("addItems"), rows);
    page()->runJavaScript(script,
                          [this](const QVariant &count) { emit TableReady(count.toInt()); });
}

void TAccountPage::AppendItem(const QDomElement &item) {
    if (item.isNull())
        return;
    page()->runJavaScript(Call(QStringLiteral("addItems"), QJsonArray{RowData(item)}));
}

void TAccountPage::SaveItem(int id, const QString &caption, const QString &user,
                            const QString &pass) {
    QDomElement item = FItems.value(id);
    if (item.isNull() || item.parentNode().isNull())
        return;
    const auto update = [&item](const QString &name, const QString &shown) {
        // A one-line box shows a stored value without its line breaks: the same text means the
        // box was left as it was, and the stored value (a working login) stays.
        const QString stored = item.attribute(name);
        if (shown != QString(stored).remove(QLatin1Char('\r')).remove(QLatin1Char('\n')))
            item.setAttribute(name, TUserData::StorableText(shown));
    };
    update(QStringLiteral("caption"), caption);
    update(QStringLiteral("user"), user);
    update(QStringLiteral("pass"), pass);
    try {
        FData.Save();
    } catch (const EWriteError &e) {
        ShowTip(QStringLiteral("提示"), QStringLiteral("无法保存用户数据文件！"), e.Message(),
                bkOk);
    }
    emit ItemSaved(id);
}

void TAccountPage::DeleteItem(int id) {
    QDomElement item = FItems.take(id);
    if (item.isNull() || item.parentNode().isNull())
        return;
    item.parentNode().removeChild(item);
    try {
        FData.Save();
    } catch (const EWriteError &e) {
        ShowTip(QStringLiteral("提示"), QStringLiteral("无法保存用户数据文件！"), e.Message(),
                bkOk);
    }
    emit ItemDeleted(id);
}

void TAccountPage::contextMenuEvent(QContextMenuEvent *event) {
    // The engine's own menu only where text is edited; nothing elsewhere.
    const QWebEngineContextMenuRequest *request = lastContextMenuRequest();
    if (request && request->isContentEditable()) {
        QMenu *menu = createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
    }
}
