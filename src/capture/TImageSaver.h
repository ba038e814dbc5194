#pragma once
// Writes a captured image as BMP, JPEG (quality 75) or PNG. The file appears whole or not at
// all: the image goes into a temporary file in the same folder, which then replaces the target.

#include <QImage>
#include <QString>

class TImageSaver {
public:
    static constexpr int JpegQuality = 75;

    // Returns an empty string on success, otherwise a short message for the player; on failure
    // no file is left behind and an existing file of that name is unchanged.
    static QString Save(const QImage &image, const QString &fileName, int type);
    // The image format name a type is written in ("bmp", "jpeg", "png").
    static QByteArray Format(int type);
};
