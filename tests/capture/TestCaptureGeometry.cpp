// The capture tool's arithmetic and image writing, without windows.

#include "capture/TCaptureGeometry.h"
#include "capture/TImageSaver.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

class TestCaptureGeometry : public QObject {
    Q_OBJECT

private slots:
    // Window rectangles to snapshot pixels: unchanged at 100 %, scaled at 125 % and 200 %, and
    // neighbours stay neighbours at a fractional scale.
    void snapshotPixelsOfWindowRectangles() {
        const QRect r(310, 410, 100, 60);
        QCOMPARE(TCaptureGeometry::ImageRect(r, 1.0), r);
        QCOMPARE(TCaptureGeometry::ImageRect(QRect(8, 4, 80, 40), 1.25), QRect(10, 5, 100, 50));
        QCOMPARE(TCaptureGeometry::ImageRect(r, 2.0), QRect(620, 820, 200, 120));
        const QRect a = TCaptureGeometry::ImageRect(QRect(0, 0, 3, 3), 1.25);
        const QRect b = TCaptureGeometry::ImageRect(QRect(3, 3, 3, 3), 1.25);
        QCOMPARE(a.x() + a.width(), b.x());
        QCOMPARE(a.y() + a.height(), b.y());
        QCOMPARE(TCaptureGeometry::ImageRect(QRect(0, 0, 1280, 1024), 1.25).size(),
                 QSize(1600, 1280));
    }

    // Every handle, the grip bands between them and the body, on a 100 x 60 selection.
    void partsUnderThePointer() {
        const int w = 100, h = 60; // middle bands: 47 < x < 52, 27 < y < 32
        const struct {
            int x, y, part;
        } cases[] = {
            {0, 0, spTopLeft},       {4, 4, spTopLeft},     {99, 0, spTopRight},
            {96, 4, spTopRight},     {0, 59, spBottomLeft}, {4, 56, spBottomLeft},
            {99, 59, spBottomRight}, {0, 30, spLeft},       {99, 30, spRight},
            {50, 0, spTop},          {50, 59, spBottom},    {50, 30, spMove},
            {0, 20, spMove},         {99, 40, spMove},      {20, 0, spMove},
            {50, 5, spMove},         {0, 27, spMove},       {0, 31, spLeft},
            {0, 5, spMove},          {0, 55, spMove},       {5, 30, spMove},
            {95, 30, spMove},        {47, 0, spMove},       {48, 59, spBottom},
            {52, 59, spMove},
        };
        for (const auto &c : cases)
            QVERIFY2(TCaptureGeometry::PartAt(c.x, c.y, w, h) == c.part,
                     qPrintable(QStringLiteral("(%1, %2)").arg(c.x).arg(c.y)));
        QCOMPARE(TCaptureGeometry::PartCursor(spTopLeft), Qt::SizeFDiagCursor);
        QCOMPARE(TCaptureGeometry::PartCursor(spBottomLeft), Qt::SizeBDiagCursor);
        QCOMPARE(TCaptureGeometry::PartCursor(spRight), Qt::SizeHorCursor);
        QCOMPARE(TCaptureGeometry::PartCursor(spBottom), Qt::SizeVerCursor);
        QCOMPARE(TCaptureGeometry::PartCursor(spMove), Qt::SizeAllCursor);
    }

    // Dragging any border part past its opposite side stops 10 pixels short of it; the
    // opposite sides stay where they are.
    void resizingKeepsTenPixels() {
        const QRect bounds(100, 200, 50, 40); // right 150, bottom 240
        const QPoint far(1000, 1000), near(-1000, -1000);
        QCOMPARE(TCaptureGeometry::Resize(spLeft, bounds, far), QRect(140, 200, 10, 40));
        QCOMPARE(TCaptureGeometry::Resize(spRight, bounds, near), QRect(100, 200, 10, 40));
        QCOMPARE(TCaptureGeometry::Resize(spTop, bounds, far), QRect(100, 230, 50, 10));
        QCOMPARE(TCaptureGeometry::Resize(spBottom, bounds, near), QRect(100, 200, 50, 10));
        QCOMPARE(TCaptureGeometry::Resize(spTopLeft, bounds, far), QRect(140, 230, 10, 10));
        QCOMPARE(TCaptureGeometry::Resize(spTopRight, bounds, QPoint(-5, 999)),
                 QRect(100, 230, 10, 10));
        QCOMPARE(TCaptureGeometry::Resize(spBottomLeft, bounds, QPoint(999, -5)),
                 QRect(140, 200, 10, 10));
        QCOMPARE(TCaptureGeometry::Resize(spBottomRight, bounds, near), QRect(100, 200, 10, 10));
        // Ordinary drags follow the pointer.
        QCOMPARE(TCaptureGeometry::Resize(spTopLeft, bounds, QPoint(90, 180)),
                 QRect(90, 180, 60, 60));
        QCOMPARE(TCaptureGeometry::Resize(spBottomRight, bounds, QPoint(170, 260)),
                 QRect(100, 200, 70, 60));
        QCOMPARE(TCaptureGeometry::Resize(spMove, bounds, far), bounds);
    }

    void dragSpanAndKeptSize() {
        QCOMPARE(TCaptureGeometry::Span(QPoint(50, 60), QPoint(20, 90)), QRect(20, 60, 30, 30));
        QVERIFY(!TCaptureGeometry::Keeps(QSize(0, 0)));
        QVERIFY(!TCaptureGeometry::Keeps(QSize(5, 5)));
        QVERIFY(!TCaptureGeometry::Keeps(QSize(100, 5)));
        QVERIFY(TCaptureGeometry::Keeps(QSize(6, 6)));
    }

    // The 44 x 22 bar inside a large selection, else beside it and always on the screen.
    void buttonBarPlacement() {
        const QSize bar(44, 22), screen(1920, 1080);
        QCOMPARE(TCaptureGeometry::BarPosition(QRect(100, 100, 200, 100), bar, screen),
                 QPoint(105, 105));
        // Small selections in the four corners of the screen.
        QCOMPARE(TCaptureGeometry::BarPosition(QRect(0, 0, 30, 30), bar, screen), QPoint(0, 35));
        QCOMPARE(TCaptureGeometry::BarPosition(QRect(1890, 0, 30, 30), bar, screen),
                 QPoint(1876, 35));
        QCOMPARE(TCaptureGeometry::BarPosition(QRect(0, 1050, 30, 30), bar, screen),
                 QPoint(0, 1023));
        QCOMPARE(TCaptureGeometry::BarPosition(QRect(1890, 1050, 30, 30), bar, screen),
                 QPoint(1876, 1023));
        // A narrow selection as tall as the screen: the bar goes inside its bottom.
        QCOMPARE(TCaptureGeometry::BarPosition(QRect(500, 0, 40, 1080), bar, screen),
                 QPoint(500, 1053));
    }

    void hintDodgesThePointer() {
        const QRect left(10, 10, 200, 100), right(1710, 10, 200, 100);
        QCOMPARE(TCaptureGeometry::HintLeftWhileDragging(left, 1920, QPoint(50, 50)), 1720);
        QCOMPARE(TCaptureGeometry::HintLeftWhileDragging(left, 1920, QPoint(50, 110)), 10);
        QCOMPARE(TCaptureGeometry::HintLeftWhileDragging(left, 1920, QPoint(300, 50)), 10);
        QCOMPARE(TCaptureGeometry::HintLeftWhileDragging(right, 1920, QPoint(1800, 50)), 10);
        QCOMPARE(TCaptureGeometry::HintLeftOnEnter(left, 1920), 1710);
        QCOMPARE(TCaptureGeometry::HintLeftOnEnter(right, 1920), 10);
    }

    void extensionRule() {
        QCOMPARE(TCaptureGeometry::SaveName("/d/shot", itJpeg), QString("/d/shot.jpg"));
        QCOMPARE(TCaptureGeometry::SaveName("/d/shot.JPG", itJpeg), QString("/d/shot.JPG"));
        QCOMPARE(TCaptureGeometry::SaveName("/d/shot.png", itJpeg), QString("/d/shot.png.jpg"));
        QCOMPARE(TCaptureGeometry::SaveName("/d.x/shot", 0), QString("/d.x/shot.bmp"));
        QCOMPARE(TCaptureGeometry::SaveName("/d/shot.Png", itPng), QString("/d/shot.Png"));
    }

    // Each type is written in its own format; a save that cannot happen says why and leaves
    // nothing behind, an existing file unchanged.
    void savingImages() {
        QTemporaryDir dir;
        QImage image(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                image.setPixel(x, y, qRgb(x * 6, y * 8, (x + y) * 3));
        for (int type : {itBmp, itJpeg, itPng}) {
            const QString path = dir.filePath(QStringLiteral("shot%1").arg(type));
            QCOMPARE(TImageSaver::Save(image, path, type), QString());
            QImageReader reader(path);
            QCOMPARE(reader.format(), TImageSaver::Format(type));
            const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(back.size(), image.size());
            if (type != itJpeg)
                QCOMPARE(back, image);
        }

        const QString missing = dir.filePath(QStringLiteral("no/such/folder/shot.png"));
        QVERIFY(!TImageSaver::Save(image, missing, itPng).isEmpty());
        QVERIFY(!QFile::exists(missing));

        // The target is a folder: the save fails and no temporary file is left in its folder.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken.png")));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries);
        QVERIFY(
            !TImageSaver::Save(image, dir.filePath(QStringLiteral("taken.png")), itPng).isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries), before);
    }
};

QTEST_GUILESS_MAIN(TestCaptureGeometry)
#include "TestCaptureGeometry.moc"
