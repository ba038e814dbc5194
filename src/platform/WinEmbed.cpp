// Embedding in the window-message layer: a window of this process shown inside a window of any
// process, by reparenting its native window.
#include "platform/WinLayer.h"

#include <QEvent>

namespace Win {

namespace Detail {

void DetachForeign(TWindow &w) {
    if (!w.foreignParent)
        return;
    if (w.widget && w.widget->windowHandle())
        w.widget->windowHandle()->setParent(nullptr);
    delete w.foreignParent.data();
    w.foreignParent = nullptr;
}

namespace {

// Puts child's native window into parent's. The child always stays a top-level widget of its
// own, also under a parent of this process: joined to that window's widget tree, a page (drawn
// with OpenGL) would switch the whole window to OpenGL composition, in which native strips
// beside the page area are never drawn.
bool Embed(HWND child, HWND parent) {
    TWindow *w = LocalWindow(child);
    if (!w || !w->widget)
        return false;
    QWindow *target = nullptr;
    QPointer<QWindow> foreign;
    if (IsLocal(parent)) {
        TWindow *p = LocalWindow(parent);
        if (!p || !p->widget)
            return false;
        // Through a wrapper of our own, as for a foreign window: a child of the parent's
        // QWindow would be deleted with it, under the feet of the child's widget.
        foreign = QWindow::fromWinId(p->widget->winId());
        target = foreign;
    } else {
        const quint64 native = quint64(Call(Record::OpNativeId, parent, 0, 0, 0));
        if (native == 0)
            return false;
        w = LocalWindow(child); // the call served others: look again
        if (!w || !w->widget)
            return false;
        foreign = QWindow::fromWinId(WId(native));
        target = foreign;
    }
    if (!target)
        return false;
    QWidget *widget = w->widget;
    if (widget->parentWidget())
        widget->setParent(nullptr);
    widget->winId(); // a native top-level window of ours to reparent
    QPointer<QWindow> old = w->foreignParent;
    widget->windowHandle()->setParent(target);
    w->foreignParent = foreign;
    if (old != foreign)
        delete old.data();
    w->remoteParent = parent;
    return true;
}

// A widget whose native window is made anew (a web view switches its top level to an OpenGL
// surface when first shown) loses its parent window: embed the new one again.
class TEmbedKeeper : public QObject {
public:
    explicit TEmbedKeeper(HWND hwnd, QObject *parent) : QObject(parent), FHwnd(hwnd) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::WinIdChange && !FBusy) {
            TWindow *w = LocalWindow(FHwnd);
            if (w && w->widget == watched && w->remoteParent) {
                FBusy = true;
                const bool visible = w->widget->isVisible();
                Embed(FHwnd, w->remoteParent);
                if (visible)
                    w->widget->show();
                FBusy = false;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    HWND FHwnd;
    bool FBusy = false;
};

} // namespace

} // namespace Detail

using namespace Detail;

bool SetParent(HWND child, HWND parent) {
    TWindow *w = LocalWindow(child);
    if (!w || !w->widget || child == parent)
        return false;
    QWidget *widget = w->widget;
    const bool wasVisible = widget->isVisible();

    if (parent == 0) {
        DetachForeign(*w);
        if (widget->parentWidget())
            widget->setParent(nullptr);
        w->remoteParent = 0;
    } else {
        if (!Embed(child, parent))
            return false;
        w = LocalWindow(child);
        if (w && !w->embedKeeper) {
            auto *keeper = new TEmbedKeeper(child, widget);
            widget->installEventFilter(keeper);
            w->embedKeeper = keeper;
        }
    }
    if (wasVisible)
        widget->show();
    return true;
}

quint64 NativeWindowOf(HWND hwnd) {
    return quint64(Call(Record::OpNativeId, hwnd, 0, 0, 0));
}

} // namespace Win
