#include "options/TAccountWebPage.h"

#include "dialogs/TfrmTip.h"

#include <QWebEngineProfile>

TAccountWebPage::TAccountWebPage(QObject *parent)
    : QWebEnginePage(new QWebEngineProfile(parent), parent) {
    profile()->setParent(this);
}

void TAccountWebPage::javaScriptAlert(const QUrl &, const QString &msg) {
    ShowTip(QStringLiteral("提示"), msg, QString(), 4);
}

bool TAccountWebPage::javaScriptConfirm(const QUrl &, const QString &msg) {
    return ShowTip(QStringLiteral("提示"), msg, QString(), 4) == 6;
}

bool TAccountWebPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool) {
    // Only the page itself: the window builds it once and every command comes over the channel.
    return url.scheme() == QLatin1String("qrc");
}
