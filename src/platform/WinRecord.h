#pragma once
// The record format of the window-message layer: what one process writes to another on its
// socket. Used by the layer's transport; tests write records with it as a raw peer would.

#include <QByteArray>
#include <QtGlobal>

namespace Win::Record {

// Record kinds and the operations a send can carry.
enum : quint8 { Send = 1, Post = 2, Reply = 3 };
enum : quint8 {
    OpMessage = 1,
    OpCopyData,
    OpSetText,
    OpGetText,
    OpShow,
    OpMove,
    OpClientRect,
    OpGetParent,
    OpIsWindow,
    OpIsVisible,
    OpNativeId,
};

// Every record: this header (its first field counts the bytes after it), then a byte block
// (text in UTF-8, copy-data, geometry). Both ends run on one machine, so host byte order.
#pragma pack(push, 1)
struct THeader {
    quint32 size = 0;
    quint8 kind = 0;
    quint8 op = 0;
    quint16 reserved = 0;
    quint32 msg = 0;
    quint64 id = 0;
    quint64 hwnd = 0;
    quint64 wParam = 0;
    qint64 lParam = 0; // the result in a reply
    quint64 dataWord = 0;
};
#pragma pack(pop)

inline constexpr quint32 MinSize = sizeof(THeader) - sizeof(quint32); // a record without block
// A larger length means a broken peer. The largest real records are window texts (an address
// is at most 2 MiB) and copy-data reports of a few KiB.
inline constexpr quint32 MaxSize = 4u << 20;

struct TRecord {
    THeader h;
    QByteArray blob;
};

// The bytes of one record; h.size is filled in.
QByteArray Encode(THeader h, const QByteArray &blob);

enum class TTake {
    Record,    // r holds the first record, removed from in
    Partial,   // not yet all of it has arrived
    Malformed, // a length no record can have: the stream cannot be trusted any further
};
TTake Take(QByteArray &in, TRecord &r);
// How many bytes in should hold before the first record in it can be taken (at least the
// header); 0 when its length is malformed.
qsizetype Needed(const QByteArray &in);

} // namespace Win::Record
