// The other process of the window-message tests: registers a window (holding a line edit) and
// answers the messages the tests send. Prints "ready <window> <edit>" once it serves.
#include "platform/PeerMessages.h"
#include "platform/WinMessages.h"

#include <QApplication>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int classAt = args.indexOf("--class");
    const QString className =
        classAt > 0 && classAt + 1 < args.size() ? args.at(classAt + 1) : QStringLiteral("Peer");
    if (!Win::Initialize()) {
        std::fprintf(stderr, "peer: the layer did not start\n");
        return 2;
    }

    QWidget top;
    top.resize(200, 100);
    auto *layout = new QVBoxLayout(&top);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *edit = new QLineEdit(&top);
    edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(edit);

    HWND self = 0;
    int expected = 0;
    bool gap = false;
    int textSeen = 0;
    self = Win::RegisterWindow(&top, className, [&](const Win::TMessage &m) -> LRESULT {
        switch (m.msg) {
        case PeerMsg::Echo:
            return LRESULT(m.wParam) * 1000 + m.lParam;
        case PeerMsg::Nested:
            return Win::SendMessage(HWND(m.wParam), PeerMsg::Answer, 0, m.lParam) + 1;
        case PeerMsg::Hang:
            QThread::msleep(ulong(m.lParam));
            return 7;
        case PeerMsg::Sequence:
            if (m.sent || m.lParam != expected)
                gap = true;
            ++expected;
            return 0;
        case PeerMsg::PostCount:
            return gap ? -1 : expected;
        case PeerMsg::WriteBack:
            return Win::SetWindowText(HWND(m.wParam),
                                      "reply:" + Win::GetWindowText(HWND(m.wParam)));
        case PeerMsg::Embed: {
            const HWND parent = HWND(m.wParam);
            if (!Win::SetParent(self, parent))
                return 0;
            const QRect r = Win::GetClientRect(parent);
            Win::MoveWindow(self, 0, 0, r.width(), r.height());
            Win::ShowWindow(self, Win::SW_SHOW);
            edit->setFocus();
            return LRESULT(Win::NativeWindowOf(self));
        }
        case PeerMsg::TextSeen:
            return textSeen;
        case Win::WM_SETTEXT:
            if (Win::GetWindowText(self) == m.text)
                ++textSeen;
            return 0;
        case Win::WM_COPYDATA:
            // The block comes back as the window text, so the sender can compare it.
            Win::SetWindowText(self, QString::fromLatin1(m.data.toBase64()));
            return LRESULT(m.dataWord) + m.data.size();
        }
        return 0;
    });
    const HWND editWindow = Win::RegisterWindow(edit, QString(), nullptr);
    QObject::connect(edit, &QLineEdit::textChanged,
                     [&](const QString &text) { Win::SetWindowText(editWindow, text); });

    std::printf("ready %llu %llu\n", static_cast<unsigned long long>(self),
                static_cast<unsigned long long>(editWindow));
    std::fflush(stdout);
    if (args.contains("--crash"))
        _exit(0); // ends without cleaning up, as a crashed process would
    return app.exec();
}
