#include "core/THostPage.h"

#include <QWebEngineNewWindowRequest>

THostPage::THostPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent) {
    // The request comes before createWindow, which does not tell whether the user asked.
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) {
                FRequestedUrl = request.requestedUrl();
                FUserInitiated = request.isUserInitiated();
            });
}

QWebEnginePage *THostPage::createWindow(WebWindowType) {
    const QUrl url = FRequestedUrl;
    const bool userInitiated = FUserInitiated;
    FRequestedUrl.clear();
    FUserInitiated = false;
    return OnCreateWindow ? OnCreateWindow(url, userInitiated) : nullptr;
}

bool THostPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) {
    return !OnBeforeNavigate || OnBeforeNavigate(url, type, isMainFrame);
}

void THostPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                         const QString &sourceID) {
    // A page can give its own console output the injected script's source id; only the secret
    // tells the injected script's messages apart.
    const QString prefix = QLatin1String("ludora:") + Secret + u':';
    if (OnScriptMessage && Secret.size() >= 16 &&
        sourceID == QLatin1String("userscript:") + QLatin1String(ScriptName) &&
        message.startsWith(prefix))
        OnScriptMessage(message.mid(prefix.size()));
}
