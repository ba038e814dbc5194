#pragma once
// The ANSI code page of every data file: GBK (code page 936), converted with iconv so that files
// stay byte-compatible with existing installations.

#include <QByteArray>
#include <QString>

// Characters GBK cannot hold become "?".
QByteArray AnsiFromUnicode(const QString &text);
// Invalid byte sequences become U+FFFD; never fails.
QString UnicodeFromAnsi(const QByteArray &bytes);
