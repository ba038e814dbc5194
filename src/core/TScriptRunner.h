#pragma once
// What the login fill and capture need of a page: a script run in the top frame's isolated
// world, where the injected script's interface (LudoraHost) lives and reaches the other frames.

#include <QString>
#include <QVariant>

#include <functional>

class TScriptRunner {
public:
    virtual ~TScriptRunner() = default;
    // done gets the script's result; it is never called once the page has gone.
    virtual void RunScript(const QString &code, std::function<void(const QVariant &)> done) = 0;

    // A call of the injected script's interface; null where the document has none
    // (about:blank).
    static QString HostCall(const QString &call) {
        return QStringLiteral("typeof LudoraHost === 'undefined' ? null : LudoraHost.") + call;
    }
};
