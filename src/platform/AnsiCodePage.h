#pragma once
// The ANSI code page of every data file: GBK (code page 936), converted with iconv so that files
// stay byte-compatible with existing installations.

#include <QByteArray>
#include <QString>

enum class TUnmappable {
    Question,    // a character GBK cannot hold becomes "?"
    XmlReference // ... becomes "&#xHHHH;", so XML text keeps it
};

QByteArray AnsiFromUnicode(const QString &text, TUnmappable unmappable = TUnmappable::Question);
// Invalid byte sequences become U+FFFD; never fails.
QString UnicodeFromAnsi(const QByteArray &bytes);
