#include "mainwindow/TBossKey.h"

#include "mainwindow/TPlayerTools.h"
#include "mainwindow/TfrmMain.h"
#include "platform/TNativeWindows.h"
#include "store/TSettings.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

namespace {

// Windows of the hall's own that stand on the screen: not the page hosts, whose windows live
// inside the page area, nor tool tips and pop-up menus, which are closed instead.
bool OwnScreenWindow(const QWidget *w) {
    if (!w->isWindow() || !w->isVisible() || w->isMinimized())
        return false;
    const Qt::WindowType type = w->windowType();
    if (type == Qt::ToolTip || type == Qt::Popup || type == Qt::Desktop)
        return false;
    const QWindow *native = w->windowHandle();
    return native != nullptr && native->parent() == nullptr;
}

} // namespace

TBossKey::TBossKey(TfrmMain &form) : FForm(form) {
    connect(&FHotkey, &TGlobalHotkey::Pressed, this, &TBossKey::Toggle);
}

QString TBossKey::KeyText() {
    return Settings().ReadString(TKey::BossKey).trimmed();
}

bool TBossKey::Apply() {
    const QString text = KeyText();
    if (text.isEmpty())
        return FHotkey.SetKey(QKeySequence());
    const QKeySequence key = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (key.isEmpty() || key.count() != 1) {
        FHotkey.SetKey(QKeySequence());
        return false;
    }
    return FHotkey.SetKey(key);
}

void TBossKey::Toggle() {
    if (FHidden)
        Show();
    else
        Hide();
}

void TBossKey::Unmap(QWidget *window) {
    TNativeWindows::Unmap(window->winId());
    FWindows.append(window);
}

void TBossKey::Hide() {
    FHidden = true;
    // Menus hold the pointer and the keyboard: they close, which loses nothing.
    for (int i = 0; i < 10 && QApplication::activePopupWidget(); ++i)
        QApplication::activePopupWidget()->close();
    QToolTip::hideText();
    FActive = QApplication::activeWindow();
    // Taken off at the X server only: a dialog waiting for its answer goes on waiting.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (OwnScreenWindow(w))
            Unmap(w);
    qApp->installEventFilter(this);

    TTabSet &tabs = FForm.FTabs;
    for (int i = 0; i < tabs.Count(); ++i) {
        if (tabs.Tab(i).Muted)
            continue;
        FMuted.append(tabs.Tab(i).Handle);
        FForm.FPlayerTools->SetMuted(i, true);
    }
    FTray = FForm.findChild<QSystemTrayIcon *>();
    if (FTray && FTray->isVisible())
        FTray->hide();
    else
        FTray = nullptr;
}

void TBossKey::Show() {
    FHidden = false;
    qApp->removeEventFilter(this);
    for (const QPointer<QWidget> &w : std::as_const(FWindows))
        if (w && w->isVisible())
            TNativeWindows::Map(w->winId());
    FWindows.clear();
    for (HWND handle : std::as_const(FMuted)) {
        const int index = FForm.FTabs.IndexOfHandle(handle);
        if (index >= 0)
            FForm.FPlayerTools->SetMuted(index, false);
    }
    FMuted.clear();
    if (FTray)
        FTray->show();
    FTray = nullptr;
    if (FActive && FActive->isVisible()) {
        FActive->raise();
        FActive->activateWindow();
    }
}

bool TBossKey::eventFilter(QObject *watched, QEvent *event) {
    if (FHidden && event->type() == QEvent::Show && watched->isWidgetType()) {
        QPointer<QWidget> w = static_cast<QWidget *>(watched);
        if (w->isWindow()) {
            // After the toolkit has mapped it.
            QTimer::singleShot(0, this, [this, w]() {
                if (FHidden && w && OwnScreenWindow(w) && !FWindows.contains(w))
                    Unmap(w);
            });
        }
    }
    return false;
}
