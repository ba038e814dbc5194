#include "capture/TImageSaver.h"

#include "capture/TCaptureGeometry.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

QByteArray TImageSaver::Format(int type) {
    switch (TCaptureGeometry::NormalType(type)) {
    case itJpeg:
        return "jpeg";
    case itPng:
        return "png";
    default:
        return "bmp";
    }
}

QString TImageSaver::Save(const QImage &image, const QString &fileName, int type) {
    const QByteArray format = Format(type);
    if (!QImageWriter::supportedImageFormats().contains(format))
        return QStringLiteral("没有可用的 %1 编码器").arg(QString::fromLatin1(format.toUpper()));
    const QString shown = QFileInfo(fileName).fileName();
    QSaveFile file(fileName);
    // Never write straight into the target, even where the folder forbids a temporary file.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("无法写入文件 %1").arg(shown);
    QImageWriter writer(&file, format);
    if (type == itJpeg)
        writer.setQuality(JpegQuality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return QStringLiteral("无法保存图像 %1").arg(shown);
    }
    if (!file.commit())
        return QStringLiteral("无法写入文件 %1").arg(shown);
    return QString();
}
