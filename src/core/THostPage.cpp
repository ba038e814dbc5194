#include "core/THostPage.h"

THostPage::THostPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent) {}

QWebEnginePage *THostPage::createWindow(WebWindowType) {
    return OnCreateWindow ? OnCreateWindow() : nullptr;
}

bool THostPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) {
    if (OnBeforeNavigate)
        OnBeforeNavigate(url, type, isMainFrame);
    return true;
}

void THostPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                         const QString &sourceID) {
    if (OnScriptMessage && sourceID == QLatin1String("userscript:") + QLatin1String(ScriptName) &&
        message.startsWith(QLatin1String("ludora:")))
        OnScriptMessage(message.mid(7));
}
