#include "platform/WinRecord.h"

#include <cstring>

namespace Win::Record {

QByteArray Encode(THeader h, const QByteArray &blob) {
    h.size = quint32(MinSize + blob.size());
    QByteArray bytes(reinterpret_cast<const char *>(&h), sizeof h);
    bytes += blob;
    return bytes;
}

qsizetype Needed(const QByteArray &in) {
    if (in.size() < qsizetype(sizeof(THeader)))
        return sizeof(THeader);
    quint32 size = 0;
    std::memcpy(&size, in.constData(), sizeof size);
    if (size > MaxSize || size < MinSize)
        return 0;
    return qsizetype(size) + qsizetype(sizeof size);
}

TTake Take(QByteArray &in, TRecord &r) {
    const qsizetype total = Needed(in);
    if (total == 0)
        return TTake::Malformed;
    if (in.size() < total)
        return TTake::Partial;
    std::memcpy(&r.h, in.constData(), sizeof r.h);
    r.blob = in.mid(sizeof r.h, total - qsizetype(sizeof r.h));
    in.remove(0, total);
    return TTake::Record;
}

} // namespace Win::Record
