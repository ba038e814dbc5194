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

    // A page asks for a new window: the URL it asked for (often empty) and whether a click or
    // key of the user's opened it. Null refuses the window.
    std::function<QWebEnginePage *(const QUrl &url, bool userInitiated)> OnCreateWindow;
    // False refuses the navigation.
    std::function<bool(const QUrl &, NavigationType, bool isMainFrame)> OnBeforeNavigate;
    // Only messages of the host's own injected script, which begin with the secret it was given.
    std::function<void(const QString &message)> OnScriptMessage;
    QString Secret;

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;

private:
    // What the engine told of the window it is about to ask createWindow for.
    QUrl FRequestedUrl;
    bool FUserInitiated = false;
};
