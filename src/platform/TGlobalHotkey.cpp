#include "platform/TGlobalHotkey.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

xcb_connection_t *Connection() {
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t RootWindow(xcb_connection_t *c) {
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen ? screen->root : XCB_NONE;
}

// The X keysym of a Qt key without its modifiers; 0 for keys the boss key does not take.
quint32 KeysymOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint32('a' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return quint32(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return 0xffbe + quint32(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_Escape:
        return 0xff1b;
    case Qt::Key_Pause:
        return 0xff13;
    case Qt::Key_Home:
        return 0xff50;
    case Qt::Key_End:
        return 0xff57;
    case Qt::Key_Insert:
        return 0xff63;
    case Qt::Key_Delete:
        return 0xffff;
    case Qt::Key_QuoteLeft:
        return 0x60;
    default:
        return 0;
    }
}

quint8 KeycodeOf(xcb_connection_t *c, quint32 keysym) {
    const xcb_setup_t *setup = xcb_get_setup(c);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    xcb_get_keyboard_mapping_reply_t *reply = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, xcb_keycode_t(first), quint8(count)), nullptr);
    if (!reply)
        return 0;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    quint8 found = 0;
    for (int i = 0; i < count && !found; ++i)
        for (int j = 0; j < perCode; ++j)
            if (syms[i * perCode + j] == keysym) {
                found = quint8(first + i);
                break;
            }
    std::free(reply);
    return found;
}

// Caps Lock and Num Lock (Mod2 on every usual keyboard map) must not stop the key.
constexpr quint16 LockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                    XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

} // namespace

TGlobalHotkey::TGlobalHotkey(QObject *parent) : QObject(parent) {
    if (qApp)
        qApp->installNativeEventFilter(this);
}

TGlobalHotkey::~TGlobalHotkey() {
    Release();
    if (qApp)
        qApp->removeNativeEventFilter(this);
}

void TGlobalHotkey::Release() {
    xcb_connection_t *c = Connection();
    if (c && FKeycode != 0) {
        const xcb_window_t root = RootWindow(c);
        for (quint16 lock : LockVariants)
            xcb_ungrab_key(c, FKeycode, root, quint16(FModifiers | lock));
        xcb_flush(c);
    }
    FKeycode = 0;
    FModifiers = 0;
    FDown = false;
    FKey = QKeySequence();
}

bool TGlobalHotkey::SetKey(const QKeySequence &key) {
    Release();
    if (key.isEmpty())
        return true;
    xcb_connection_t *c = Connection();
    if (!c)
        return false;
    const QKeyCombination combination = key[0];
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const quint32 keysym = KeysymOf(int(combination.key()));
    const quint8 keycode = keysym ? KeycodeOf(c, keysym) : 0;
    if (keycode == 0)
        return false;
    quint16 modifiers = 0;
    if (mods & Qt::ShiftModifier)
        modifiers |= XCB_MOD_MASK_SHIFT;
    if (mods & Qt::ControlModifier)
        modifiers |= XCB_MOD_MASK_CONTROL;
    if (mods & Qt::AltModifier)
        modifiers |= XCB_MOD_MASK_1;
    if (mods & Qt::MetaModifier)
        modifiers |= XCB_MOD_MASK_4;

    const xcb_window_t root = RootWindow(c);
    bool ok = true;
    for (quint16 lock : LockVariants) {
        xcb_generic_error_t *error = xcb_request_check(
            c, xcb_grab_key_checked(c, 1, root, quint16(modifiers | lock), keycode,
                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (error) {
            ok = false;
            std::free(error);
        }
    }
    FKeycode = keycode;
    FModifiers = modifiers;
    if (!ok) {
        // Held by another program: give back the variants we did get.
        Release();
        return false;
    }
    FKey = QKeySequence(combination);
    return true;
}

bool TGlobalHotkey::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) {
    if (FKeycode == 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto *key = static_cast<const xcb_key_press_event_t *>(message);
    if (key->detail != FKeycode || key->event != RootWindow(Connection()))
        return false;
    if (type == XCB_KEY_RELEASE) {
        FDown = false;
        FReleaseTime = key->time;
        return true;
    }
    // A held key repeats as presses alone, or as releases each followed by a press at the same
    // moment.
    const bool repeat = FDown || (FReleaseTime != 0 && key->time == FReleaseTime);
    FDown = true;
    if (!repeat)
        emit Pressed();
    return true;
}
