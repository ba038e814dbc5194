#include "platform/TNativeWindows.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

namespace {

xcb_connection_t *Connection() {
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

void TNativeWindows::Unmap(quintptr window) {
    if (xcb_connection_t *c = Connection()) {
        xcb_unmap_window(c, xcb_window_t(window));
        xcb_flush(c);
    }
}

void TNativeWindows::Map(quintptr window) {
    if (xcb_connection_t *c = Connection()) {
        xcb_map_window(c, xcb_window_t(window));
        xcb_flush(c);
    }
}
