#pragma once
// The account page's web page: its alert and confirm go through the program's message box, and
// it stays on its own document.

#include <QWebEnginePage>

class TAccountWebPage : public QWebEnginePage {
    Q_OBJECT

public:
    explicit TAccountWebPage(QObject *parent = nullptr);

protected:
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override {}
};
