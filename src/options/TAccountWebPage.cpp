#include "options/TAccountWebPage.h"

#include "dialogs/TfrmTip.h"

#include <QApplication>
#include <QWebEngineProfile>

namespace {

// One off-the-record profile for every account page of the process: nothing of the stored
// accounts reaches the disk, and a second opening skips making a browser context.
QWebEngineProfile *AccountProfile() {
    static QWebEngineProfile *profile = new QWebEngineProfile(qApp);
    return profile;
}

} // namespace

TAccountWebPage::TAccountWebPage(QObject *parent) : QWebEnginePage(AccountProfile(), parent) {}

void TAccountWebPage::javaScriptAlert(const QUrl &, const QString &msg) {
    ShowTip(QStringLiteral("提示"), msg, QString(), bkYesNo);
}

bool TAccountWebPage::javaScriptConfirm(const QUrl &, const QString &msg) {
    return ShowTip(QStringLiteral("提示"), msg, QString(), bkYesNo) == mrYes;
}

bool TAccountWebPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool) {
    // Only the page itself: the window builds it once and every command comes over the channel.
    return url.scheme() == QLatin1String("qrc");
}
