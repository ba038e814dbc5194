// The window-message layer between this test process and real peer processes.
#include "platform/PeerMessages.h"
#include "platform/WinMessages.h"
#include "platform/WinRecord.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr quint32 SelfPost = Win::WM_USER + 20;

// rwx for the owner, nothing for group and others (mode 0700).
bool IsPrivate(const QString &path) {
    const QFile::Permissions p = QFileInfo(path).permissions();
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    return (p & others) == 0 && (p & owner) == owner;
}

// One peer process and the handles it printed.
struct TPeer {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    HWND window = 0;
    HWND edit = 0;
};

// A plain socket client of this process's own layer, writing whatever records a broken or
// hostile peer would.
class TRawClient {
public:
    explicit TRawClient(qint64 pid = QCoreApplication::applicationPid()) {
        const QByteArray path = QFile::encodeName(Win::RuntimeDir() + QString("/%1.sock").arg(pid));
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
        FFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(FFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
            ::close(FFd);
            FFd = -1;
        }
    }
    ~TRawClient() { Close(); }
    bool Connected() const { return FFd >= 0; }
    bool Write(const QByteArray &bytes) {
        return ::send(FFd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    void Close() {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }
    // Reads what has arrived; true once the layer has closed its end.
    bool Dropped() {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::recv(FFd, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0)
                FIn.append(buf, n);
            else
                return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
        }
    }
    const QByteArray &In() const { return FIn; }

private:
    int FFd = -1;
    QByteArray FIn;
};

QByteArray WithSize(Win::Record::THeader h, quint32 size, const QByteArray &blob = {}) {
    QByteArray bytes = Win::Record::Encode(h, blob);
    std::memcpy(bytes.data(), &size, sizeof size);
    return bytes;
}

} // namespace

class TestWinMessages : public QObject {
    Q_OBJECT

private:
    QTemporaryDir FDir;
    HWND FSelf = 0;
    bool FSelfPostSeen = false;
    bool FSelfPostSeenDuringSend = false;
    std::vector<TPeer> FPeers;

    TPeer &StartPeer(const QStringList &args = {}) {
        TPeer peer;
        peer.process->setProgram(QCoreApplication::applicationDirPath() + "/platform_peer");
        peer.process->setArguments(args);
        peer.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        peer.process->start();
        QByteArray line;
        while (!line.contains('\n') && peer.process->waitForReadyRead(20000))
            line += peer.process->readAllStandardOutput();
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 3 && parts.at(0) == "ready") {
            peer.window = parts.at(1).toULongLong();
            peer.edit = parts.at(2).toULongLong();
        }
        FPeers.push_back(std::move(peer));
        return FPeers.back();
    }

    static void Kill(TPeer &peer) {
        peer.process->kill();
        peer.process->waitForFinished(10000);
    }

private slots:
    void initTestCase() {
        QVERIFY(FDir.isValid());
        // A folder that others could enter is made private before use.
        const QString loose = FDir.path() + "/loose/run";
        QDir().mkpath(loose);
        QFile::setPermissions(loose, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadOther | QFile::ExeOther);
        qputenv("LUDORA_RUNTIME_DIR", loose.toLocal8Bit());
        QVERIFY(!IsPrivate(loose));
        QVERIFY(Win::Initialize());
        QVERIFY(IsPrivate(loose));
        Win::Finalize();
        // The folder that is named is made, with no rights for anyone else.
        const QString fresh = FDir.path() + "/fresh/run";
        qputenv("LUDORA_RUNTIME_DIR", fresh.toLocal8Bit());
        QVERIFY(Win::Initialize());
        QCOMPARE(Win::RuntimeDir(), fresh);
        QVERIFY(IsPrivate(fresh));
        Win::Finalize();

        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        FSelf = Win::RegisterWindow(nullptr, "TestSelf", [this](const Win::TMessage &m) -> LRESULT {
            if (m.msg == PeerMsg::Answer) {
                FSelfPostSeenDuringSend = FSelfPostSeen;
                return m.lParam * 2;
            }
            if (m.msg == SelfPost)
                FSelfPostSeen = true;
            return 0;
        });
        QVERIFY(FSelf != 0);
    }

    void cleanupTestCase() {
        for (TPeer &peer : FPeers)
            Kill(peer);
        Win::Finalize();
    }

    void windowsOfThisProcess() {
        QStringList seen;
        const HWND local = Win::RegisterWindow(nullptr, QString(), [&](const Win::TMessage &m) {
            seen << QString("%1:%2:%3:%4").arg(m.msg).arg(m.lParam).arg(m.sent).arg(m.text);
            return LRESULT(m.wParam + 1);
        });
        QCOMPARE(Win::SendMessage(local, Win::WM_USER, 41, 0), LRESULT(42));
        QVERIFY(Win::PostMessage(local, Win::WM_USER + 1, 0, 5));
        QCOMPARE(seen.size(), 1); // a post waits for the event loop
        QVERIFY(Win::SetWindowText(local, QString::fromUtf8("正在打开...")));
        QCOMPARE(Win::GetWindowText(local), QString::fromUtf8("正在打开..."));
        QCOMPARE(Win::GetWindowText(local, 4), QString::fromUtf8("正在打开"));
        QTRY_COMPARE(seen.size(), 3);
        QCOMPARE(seen.at(1), QString::fromUtf8("12:0:1:正在打开..."));
        QCOMPARE(seen.at(2), QString("1025:5:0:"));

        // A procedure that throws answers 0 and the exception is reported, not propagated.
        QString reported;
        Win::SetExceptionHandler([&](const QString &what) { reported = what; });
        const HWND thrower = Win::RegisterWindow(nullptr, QString(), [](const Win::TMessage &) {
            throw std::runtime_error("no catalogue");
            return LRESULT(1);
        });
        QCOMPARE(Win::SendMessage(thrower, Win::WM_USER), LRESULT(0));
        QCOMPARE(reported, QString("no catalogue"));
        Win::SetExceptionHandler(nullptr);
        Win::UnregisterWindow(thrower);

        Win::UnregisterWindow(local);
        QVERIFY(!Win::IsWindow(local));
        QCOMPARE(Win::SendMessage(local, Win::WM_USER, 1, 0), LRESULT(0));
        QVERIFY(!Win::PostMessage(local, Win::WM_USER, 1, 0));
        QVERIFY(Win::GetClientRect(local).isNull());
    }

    void sendsTextsAndCopyDataAcrossProcesses() {
        TPeer &peer = StartPeer();
        QVERIFY(peer.window != 0);
        QVERIFY(peer.window >> 32 != FSelf >> 32);
        QVERIFY(Win::IsWindow(peer.window));
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Echo, 12, 34), LRESULT(12034));
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Echo, 0, -5), LRESULT(-5));

        const QString title = QString::fromUtf8("空白页 line1\nline2\r\n");
        QVERIFY(Win::SetWindowText(peer.window, title));
        QCOMPARE(Win::GetWindowText(peer.window), title);
        // The procedure saw WM_SETTEXT after the text was stored.
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::TextSeen), LRESULT(1));

        QByteArray block(200 * 1024, '\0');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i * 7 % 251);
        QCOMPARE(Win::SendCopyData(peer.window, FSelf, 9, block), LRESULT(9 + block.size()));
        QCOMPARE(Win::GetWindowText(peer.window, -1), QString::fromLatin1(block.toBase64()));
        QCOMPARE(Win::SendCopyData(peer.window, FSelf, 0, QByteArray()), LRESULT(0));
    }

    void postsArriveInOrder() {
        TPeer &peer = StartPeer();
        const int count = 5000;
        for (int i = 0; i < count; ++i)
            QVERIFY(Win::PostMessage(peer.window, PeerMsg::Sequence, 0, i));
        QTRY_COMPARE(Win::SendMessage(peer.window, PeerMsg::PostCount), LRESULT(count));
    }

    void sendsNestWhileWaiting() {
        TPeer &peer = StartPeer();
        // A post to ourselves before the send is not delivered while we wait in it; the send
        // the peer makes back to us is.
        FSelfPostSeen = false;
        QVERIFY(Win::PostMessage(FSelf, SelfPost));
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Nested, FSelf, 21), LRESULT(43));
        QVERIFY(!FSelfPostSeenDuringSend);
        QTRY_VERIFY(FSelfPostSeen);

        // The peer reads and rewrites our text while we wait in our send, as a main window
        // writes the registration reply into a page host.
        QVERIFY(Win::SetWindowText(FSelf, "http://127.0.0.1/start"));
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::WriteBack, FSelf), LRESULT(1));
        QCOMPARE(Win::GetWindowText(FSelf), QString("reply:http://127.0.0.1/start"));
    }

    void refusesMalformedRecords() {
        using namespace Win::Record;
        THeader send;
        send.kind = Send;
        send.op = OpMessage;
        send.msg = PeerMsg::Answer;
        send.hwnd = FSelf;
        send.lParam = 21;
        send.id = 77;

        // A record cut off with its writer still there holds nothing up.
        TRawClient stalled;
        QVERIFY(stalled.Connected());
        QVERIFY(stalled.Write(WithSize(send, MinSize + 100, QByteArray(10, 'x'))));

        // Too short, longer than the limit, cut off by its writer's end: the peer is dropped.
        const QByteArray bad[] = {
            WithSize(send, 3),
            WithSize(send, MinSize - 1),
            WithSize(send, MaxSize + 1),
            WithSize(send, 0xFFFFFFFFu),
        };
        for (const QByteArray &bytes : bad) {
            TRawClient client;
            QVERIFY(client.Write(bytes + QByteArray(64, '\xff')));
            QTRY_VERIFY(client.Dropped());
            QVERIFY(client.In().isEmpty()); // no answer to anything it wrote
        }
        {
            TRawClient client;
            QVERIFY(client.Write(WithSize(send, MinSize + 1000, QByteArray(500, 'y'))));
            client.Close();
        }

        // A well-formed record after all that is still served, by a new client and by a peer.
        TRawClient good;
        QVERIFY(good.Write(Encode(send, QByteArray())));
        QTRY_VERIFY(good.In().size() >= qsizetype(sizeof(THeader)) || good.Dropped());
        QCOMPARE(good.In().size(), qsizetype(sizeof(THeader)));
        THeader reply;
        std::memcpy(&reply, good.In().constData(), sizeof reply);
        QCOMPARE(reply.kind, quint8(Reply));
        QCOMPARE(reply.id, quint64(77));
        QCOMPARE(reply.lParam, qint64(42));
        TPeer &peer = StartPeer();
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Nested, FSelf, 5), LRESULT(11));
        QVERIFY(!stalled.Dropped());
    }

    // A process that opens connection after connection, or starts records it never finishes,
    // costs a peer neither descriptors nor memory beyond a bound; real traffic still passes.
    void boundsWhatPeersHold() {
        using namespace Win::Record;
        TPeer &peer = StartPeer();
        const qint64 pid = peer.process->processId();
        auto descriptors = [pid] {
            return QDir(QString("/proc/%1/fd").arg(pid))
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                .size();
        };
        const qsizetype before = descriptors();
        std::vector<std::unique_ptr<TRawClient>> idle;
        for (int i = 0; i < 400; ++i)
            idle.push_back(std::make_unique<TRawClient>(pid));
        QVERIFY(idle.back()->Connected());
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Echo, 1, 2), LRESULT(1002));
        qInfo("peer descriptors: %d before, %d after 400 idle connections", int(before),
              int(descriptors()));
        QVERIFY(descriptors() < before + 40);
        idle.clear();

        THeader post;
        post.kind = Post;
        post.op = OpMessage;
        post.hwnd = peer.window;
        const QByteArray unfinished =
            WithSize(post, MaxSize, QByteArray(qsizetype(MaxSize) - 4096, 'z'));
        std::vector<std::unique_ptr<TRawClient>> big;
        for (int i = 0; i < 8; ++i) {
            big.push_back(std::make_unique<TRawClient>(pid));
            big.back()->Write(unfinished); // fails once the peer has dropped it
        }
        int dropped = 0;
        QTRY_VERIFY((dropped = int(std::count_if(big.begin(), big.end(),
                                                 [](auto &c) { return c->Dropped(); }))) >= 4);
        qInfo("%d of 8 unfinished %u-byte records dropped", dropped, MaxSize);
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Echo, 3, 4), LRESULT(3004));
    }

    // With no per-user runtime folder, the shared temporary folder's name may be taken by anyone
    // (here a link): the layer starts in a private folder under the home instead, and peers
    // started the same way find each other there.
    void startsWhenTheTemporaryNameIsTaken() {
        const QString tmp = FDir.path() + "/tmp";
        const QString home = FDir.path() + "/home";
        QDir().mkpath(tmp);
        QDir().mkpath(home + "/elsewhere");
        QVERIFY(QFile::link(home + "/elsewhere", tmp + QString("/ludora-%1").arg(geteuid())));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("LUDORA_RUNTIME_DIR");
        env.remove("XDG_RUNTIME_DIR");
        env.insert("TMPDIR", tmp);
        env.insert("HOME", home);
        QProcess peer;
        peer.setProcessEnvironment(env);
        peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        peer.start(QCoreApplication::applicationDirPath() + "/platform_peer");
        QVERIFY(peer.waitForReadyRead(20000));
        QVERIFY(peer.readAllStandardOutput().startsWith("ready "));
        const QString dir = home + QString("/.cache/ludora/run-%1").arg(geteuid());
        QVERIFY(QFile::exists(dir + QString("/%1.sock").arg(peer.processId())));
        QVERIFY(IsPrivate(dir));
        QVERIFY(QDir(home + "/elsewhere").isEmpty());
        peer.kill();
        peer.waitForFinished(10000);
    }

    void deadPeerAnswersZero() {
        TPeer &peer = StartPeer();
        bool gone = false;
        Win::WatchOwnerProcess(peer.window, [&] { gone = true; });
        Kill(peer);
        QTRY_VERIFY(gone);
        // Were the end not seen, this send would wait for the (very long) timeout.
        Win::SetSendTimeout(3600 * 1000);
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Echo, 1, 1), LRESULT(0));
        QVERIFY(!Win::IsWindow(peer.window));
        QVERIFY(!Win::PostMessage(peer.window, PeerMsg::Echo));
        QCOMPARE(Win::GetWindowText(peer.window), QString());

        bool late = false;
        Win::WatchOwnerProcess(peer.window, [&] { late = true; });
        QTRY_VERIFY(late);

        // A peer that ends while we wait for its answer.
        TPeer &dying = StartPeer();
        QProcess::startDetached(
            "sh", {"-c", QString("sleep 0.5; kill -9 %1").arg(dying.process->processId())});
        QCOMPARE(Win::SendMessage(dying.window, PeerMsg::Hang, 0, 3600 * 1000), LRESULT(0));
        Win::SetSendTimeout(3000);
    }

    void hungPeerTimesOut() {
        TPeer &peer = StartPeer();
        Win::SetSendTimeout(300);
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Hang, 0, 1500), LRESULT(0));
        // Its late answer is not taken for the answer of the next send.
        Win::SetSendTimeout(20000);
        QCOMPARE(Win::SendMessage(peer.window, PeerMsg::Echo, 3, 4), LRESULT(3004));
        Win::SetSendTimeout(3000);
    }

    void findWindowSkipsEndedProcesses() {
        TPeer &crashed = StartPeer({"--class", "TStale", "--crash"});
        QVERIFY(crashed.window != 0);
        crashed.process->waitForFinished(10000);
        QCOMPARE(Win::FindWindow("TStale"), HWND(0));

        TPeer &live = StartPeer({"--class", "TLive"});
        QCOMPARE(Win::FindWindow("TLive"), live.window);
        QCOMPARE(Win::FindWindow("TestSelf"), FSelf);
        QCOMPARE(Win::FindWindow("TNobody"), HWND(0));
        Kill(live);
        QCOMPARE(Win::FindWindow("TLive"), HWND(0));
    }

    void embedsAWindowOfAnotherProcess() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X display");
        QWidget host;
        host.setWindowTitle("embed host");
        host.setGeometry(50, 50, 400, 300);
        const HWND hostWindow = Win::RegisterWindow(&host, QString(), nullptr);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));

        TPeer &peer = StartPeer();
        const quint64 native = quint64(Win::SendMessage(peer.window, PeerMsg::Embed, hostWindow));
        QVERIFY(native != 0);
        QCOMPARE(Win::NativeWindowOf(peer.window), native);
        QCOMPARE(Win::GetParent(peer.window), hostWindow);
        QCOMPARE(Win::GetRootWindow(peer.window), hostWindow);
        QVERIFY(Win::IsChild(hostWindow, peer.window));
        QVERIFY(!Win::IsChild(peer.window, hostWindow));
        QCOMPARE(Win::GetClientRect(peer.window), QRect(0, 0, 400, 300));
        QVERIFY(Win::IsWindowVisible(peer.window));

        // The X server has the peer's window inside ours.
        QProcess tree;
        tree.start("xwininfo", {"-children", "-id", QString::number(host.winId())});
        QVERIFY(tree.waitForFinished(10000));
        QVERIFY2(tree.readAllStandardOutput().contains("0x" + QByteArray::number(native, 16)),
                 "the peer's window is not a child of the host window");

        // Keys typed into the embedded window reach the peer's line edit. Raised first: other
        // tests may show windows on the same display.
        host.raise();
        const QPoint centre = host.mapToGlobal(QPoint(200, 150));
        QProcess::execute("xdotool", {"mousemove", QString::number(centre.x()),
                                      QString::number(centre.y()), "click", "1"});
        QTest::qWait(200);
        QProcess::execute("xdotool", {"type", "--delay", "20", "abc"});
        QTRY_COMPARE(Win::GetWindowText(peer.edit), QString("abc"));

        QVERIFY(Win::ShowWindow(peer.window, Win::SW_HIDE));
        QVERIFY(!Win::IsWindowVisible(peer.window));
        QVERIFY(Win::MoveWindow(peer.window, 0, 0, 120, 80));
        QCOMPARE(Win::GetClientRect(peer.window), QRect(0, 0, 120, 80));
    }

    void embedsAWindowOfThisProcess() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X display");
        auto *area = new QWidget;
        area->setGeometry(60, 60, 300, 200);
        const HWND areaWindow = Win::RegisterWindow(area, QString(), nullptr);
        area->show();
        QVERIFY(QTest::qWaitForWindowExposed(area));

        // Lets the test make the native window anew.
        struct TRecreatable : QLineEdit {
            using QWidget::create;
            using QWidget::destroy;
        };
        auto *page = new TRecreatable;
        page->resize(300, 200);
        const HWND pageWindow = Win::RegisterWindow(page, QString(), nullptr);
        QVERIFY(Win::SetParent(pageWindow, areaWindow));
        page->show();
        // The child keeps a widget tree of its own, so its drawing never changes the parent's.
        QVERIFY(page->isWindow());
        QCOMPARE(Win::GetParent(pageWindow), areaWindow);
        QVERIFY(Win::IsChild(areaWindow, pageWindow));

        auto xChildren = [&]() {
            QProcess tree;
            tree.start("xwininfo", {"-children", "-id", QString::number(area->winId())});
            tree.waitForFinished(10000);
            return tree.readAllStandardOutput();
        };
        QTRY_VERIFY(xChildren().contains("0x" + QByteArray::number(quint64(page->winId()), 16)));

        // A native window made anew (as a web view does when first shown) is embedded again.
        page->destroy(true, true);
        page->create();
        page->show();
        QTRY_VERIFY(xChildren().contains("0x" + QByteArray::number(quint64(page->winId()), 16)));

        // The parent may go first; the child is destroyed afterwards without harm.
        delete area;
        QVERIFY(!Win::IsWindow(areaWindow));
        QTest::qWait(50);
        delete page;
        QVERIFY(!Win::IsWindow(pageWindow));
    }
};

QTEST_MAIN(TestWinMessages)
#include "TestWinMessages.moc"
