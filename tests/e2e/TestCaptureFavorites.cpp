// The real executable under the X server, driven as a player would through the pointer and the
// keyboard: the shown page added to the favourites becomes a ".url" file, and a region dragged
// with the capture tool reaches the clipboard and a PNG file with exactly the screen's pixels.

#include "support/TTestSupport.h"

#include "core/TProgram.h"
#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "side/TFavorites.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QTest>

using TestSupport::ScreenRect;

namespace {

void Xdotool(const QStringList &arguments) {
    QProcess::execute(QStringLiteral("xdotool"), arguments);
}

// A shown window whose title is name.
bool WindowShown(const QString &name) {
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--name"), QStringLiteral("^") + name + QStringLiteral("$")});
    search.waitForFinished(10000);
    return !search.readAllStandardOutput().trimmed().isEmpty();
}

QString Point(int v) {
    return QString::number(v);
}

// Colours no two pixels of which share, at a place of the screen the main window leaves free.
class TPatternWindow : public QWidget {
public:
    QImage Image{160, 100, QImage::Format_RGB32};
    TPatternWindow()
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus) {
        for (int y = 0; y < Image.height(); ++y)
            for (int x = 0; x < Image.width(); ++x)
                Image.setPixel(x, y, qRgb(x, y * 2, 255 - x - y));
        setGeometry(20, 860, Image.width(), Image.height());
    }
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, Image); }
};

} // namespace

class TestCaptureFavorites : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe;
    QProcess FMain;
    HWND FMainWindow = 0;
    QRect FAddressBox;
    TPatternWindow FPattern;

    // The small tool bar buttons sit just left of the address box's frame, 20 pixels each:
    // capture nearest the box, favourites left of it.
    QPoint CaptureButton() const {
        return QPoint(FAddressBox.left() - 26, FAddressBox.center().y());
    }
    QPoint FavoritesButton() const {
        return QPoint(FAddressBox.left() - 46, FAddressBox.center().y());
    }

    void Click(const QPoint &p, int repeat = 1) {
        Xdotool({"mousemove", Point(p.x()), Point(p.y()), "click", "--repeat", Point(repeat),
                 "--delay", "80", "1"});
    }

    // Drags the capture tool's selection from a to b, screen coordinates.
    void DragSelection(const QPoint &a, const QPoint &b) {
        Xdotool({"mousemove", Point(a.x()), Point(a.y()), "mousedown", "1"});
        Xdotool({"mousemove", Point((a.x() + b.x()) / 2), Point((a.y() + b.y()) / 2)});
        Xdotool({"mousemove", Point(b.x()), Point(b.y()), "mouseup", "1"});
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        FExe = TestSupport::MakeProgramDir(FDir);
        const QString iniPath = FDir.path() + QStringLiteral("/ludora.ini");
        FPortal.WriteProgramSettings(iniPath);
        // The program's favourites and this test's reading of them share one data folder.
        qputenv("XDG_DATA_HOME", (FDir.path() + QStringLiteral("/data")).toLocal8Bit());

        TestSupport::TMainHandles h;
        QString line;
        QVERIFY2(TestSupport::StartMainProcess(FMain, FExe, h, {}, &line), qPrintable(line));
        FMainWindow = h.MainWindow;
        QTRY_VERIFY_WITH_TIMEOUT(
            Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab) != 0, 20000);
        const HWND box = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryAddressBox));
        QTRY_VERIFY_WITH_TIMEOUT(Win::GetWindowText(box).startsWith(QStringLiteral("http")), 20000);
        FAddressBox = ScreenRect(Win::NativeWindowOf(box));
        QVERIFY(!FAddressBox.isEmpty());
    }

    void cleanupTestCase() {
        if (FMain.state() != QProcess::NotRunning) {
            Win::PostMessage(FMainWindow, Win::WM_CLOSE);
            if (!FMain.waitForFinished(30000)) {
                FMain.kill();
                FMain.waitForFinished();
            }
        }
        Win::Finalize();
    }

    // The favourites button, then Enter in the dialog: the shown page's shortcut is written.
    void addShownPage() {
        const HWND tab = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab));
        QTRY_VERIFY_WITH_TIMEOUT(!Win::GetWindowText(tab).isEmpty() &&
                                     Win::GetWindowText(tab) != QStringLiteral("正在打开..."),
                                 20000);
        const QString title = Win::GetWindowText(tab);
        const HWND box = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryAddressBox));
        const QString url = Win::GetWindowText(box);

        Click(FavoritesButton());
        QTRY_VERIFY_WITH_TIMEOUT(WindowShown(QStringLiteral("添加收藏")), 10000);
        Xdotool({"key", "Return"});
        const QString file =
            TFavorites::Folder() + TFavorites::NameFromTitle(title) + QStringLiteral(".url");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 10000);
        QCOMPARE(TFavorites::ReadShortcut(file), url);
        QTRY_VERIFY(!WindowShown(QStringLiteral("添加收藏")));
    }

    // A double click on the dragged selection copies it: an image of its size, the screen's
    // pixels.
    void captureToClipboard() {
        FPattern.show();
        QVERIFY(QTest::qWaitForWindowExposed(&FPattern));
        QTest::qWait(200);
        Click(CaptureButton());
        QTRY_VERIFY_WITH_TIMEOUT(WindowShown(QStringLiteral("区域截图")), 10000);
        const QPoint origin = FPattern.geometry().topLeft();
        DragSelection(origin + QPoint(10, 20), origin + QPoint(90, 70));
        Click(origin + QPoint(50, 45), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!WindowShown(QStringLiteral("区域截图")), 10000);
        QImage copied;
        QTRY_VERIFY_WITH_TIMEOUT(!(copied = QApplication::clipboard()->image()).isNull(), 10000);
        QCOMPARE(copied.size(), QSize(80, 50));
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), FPattern.Image.copy(10, 20, 80, 50));
    }

    // The save button, then the PNG type and a name in the save dialog: the file holds exactly
    // the selected screen pixels.
    void captureSavedAsPng() {
        Click(CaptureButton());
        QTRY_VERIFY_WITH_TIMEOUT(WindowShown(QStringLiteral("区域截图")), 10000);
        const QPoint origin = FPattern.geometry().topLeft();
        DragSelection(origin + QPoint(30, 10), origin + QPoint(150, 90));
        // 120 x 80: the 44 x 22 bar is inside the selection, 5 pixels from its corner; the save
        // button is its right half.
        Click(origin + QPoint(30 + 5 + 22 + 11, 10 + 5 + 11));
        QTRY_VERIFY_WITH_TIMEOUT(WindowShown(QStringLiteral("保存为文件")), 10000);
        const QString name = FDir.path() + QStringLiteral("/shot");
        Xdotool({"type", "--delay", "5", name});
        // From the name field, Tab reaches the type list; its last type is PNG.
        Xdotool({"key", "Tab", "End"});
        Xdotool({"key", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(name + QStringLiteral(".png")), 10000);
        const QImage saved(name + QStringLiteral(".png"));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), FPattern.Image.copy(30, 10, 120, 80));
    }
};

QTEST_MAIN(TestCaptureFavorites)
#include "TestCaptureFavorites.moc"
