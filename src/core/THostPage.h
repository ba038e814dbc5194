#pragma once
// The web page of one page host: passes the engine's calls that the host must answer (new
// windows, navigations, console output of the injected script) on to it.

#include <QWebEnginePage>

#include <functional>

class THostPage : public QWebEnginePage {
    Q_OBJECT
public:
    THostPage(QWebEngineProfile *profile, QObject *parent);

    // The name of the injected script; its console output has the source id "userscript:" + it.
    static constexpr char ScriptName[] = "ludorahost";

    std::function<QWebEnginePage *()> OnCreateWindow;
    std::function<void(const QUrl &, NavigationType, bool isMainFrame)> OnBeforeNavigate;
    // Only messages of the host's own injected script: their source id cannot come from a page.
    std::function<void(const QString &message)> OnScriptMessage;

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;
};
