#include "mainwindow/SearchAddress.h"

namespace {

struct TEngine {
    const char *Caption;
    const char *Key;
};

constexpr TEngine Engines[SearchEngineCount] = {
    {"百度", "baidu"},
    {"谷歌", "google"},
    {"搜狗", "sogou"},
};

} // namespace

QString SearchEngineKey(int tag) {
    if (tag < 0 || tag >= SearchEngineCount)
        return QString();
    return QString::fromLatin1(Engines[tag].Key);
}

QString SearchEngineCaption(int tag) {
    if (tag < 0 || tag >= SearchEngineCount)
        return QString();
    return QString::fromUtf8(Engines[tag].Caption);
}

QString SearchUrl(const QString &service, int tag, const QString &text) {
    if (text.isEmpty() || tag < 0 || tag >= SearchEngineCount)
        return QString();
    return service + QStringLiteral("/go_search.php?s=") + SearchEngineKey(tag) +
           QStringLiteral("&k=") + QueryValue(text);
}

QString QueryValue(const QString &text) {
    QString value;
    value.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '%':
        case '&':
        case '#':
        case '+':
        case ';':
        case '=':
            value += QLatin1Char('%') +
                     QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
            break;
        default:
            value += c;
        }
    }
    return value;
}

QString CompleteAddress(const QString &text, Qt::KeyboardModifiers modifiers) {
    if (text.isEmpty())
        return text;
    // Enter on the keypad carries the keypad flag; it is the same key to the user.
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    if (held == Qt::ControlModifier)
        return QStringLiteral("http://www.") + text + QStringLiteral(".com/");
    if (held == Qt::ShiftModifier)
        return QStringLiteral("http://www.") + text + QStringLiteral(".net/");
    return text;
}
