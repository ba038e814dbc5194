#pragma once
// Reading and writing the program's data files (user data, account exports, catalogue,
// settings). What is read into memory is bounded, so a damaged or hostile file is refused
// instead of exhausting memory; what is written replaces the old file whole, readable by the
// user only (user data holds passwords).

#include <QByteArray>
#include <QString>

class TDataFile {
public:
    // Far above any real file: 5,000 games or 5,000 stored accounts take about 2 MB.
    static constexpr qint64 MaxSize = 16 * 1024 * 1024;

    // The whole file. False when it cannot be read or holds more than maxSize bytes; out is
    // then empty.
    static bool Read(const QString &path, QByteArray &out, qint64 maxSize = MaxSize);

    // Writes a temporary file beside path (owner read and write only), flushes it to disk and
    // renames it over path. False on failure, the old file then unchanged.
    static bool WritePrivate(const QString &path, const QByteArray &bytes);
};
