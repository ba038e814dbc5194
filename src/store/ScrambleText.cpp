#include "store/ScrambleText.h"

QByteArray ScrambleText(const QByteArray &text, const QByteArray &key) {
    const QByteArray k = key.isEmpty() ? QByteArray(DefaultScrambleKey) : key;
    QByteArray out(text.size(), Qt::Uninitialized);
    const int keyLen = k.size();
    for (int i = 0, kp = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const auto kb = static_cast<unsigned char>(k[kp]);
        out[i] = static_cast<char>((b & 0xF0) | ((b ^ kb) & 0x0F));
        if (++kp == keyLen)
            kp = 0;
    }
    return out;
}
