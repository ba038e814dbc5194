#include "platform/AnsiCodePage.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

constexpr char AnsiCharset[] = "GBK";

// One converter per call: iconv descriptors carry shift state and are not thread-safe.
class TIconv {
public:
    TIconv(const char *to, const char *from) : FCd(iconv_open(to, from)) {}
    ~TIconv() {
        if (Valid())
            iconv_close(FCd);
    }
    TIconv(const TIconv &) = delete;
    TIconv &operator=(const TIconv &) = delete;
    bool Valid() const { return FCd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; returns false at an invalid or unmappable sequence, with
    // *in advanced to it.
    bool Convert(const char *&in, size_t &inLeft, QByteArray &out) {
        char buffer[4096];
        while (inLeft > 0) {
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            char *src = const_cast<char *>(in);
            const size_t r = iconv(FCd, &src, &inLeft, &dst, &dstLeft);
            out.append(buffer, int(dst - buffer));
            in = src;
            if (r == size_t(-1)) {
                if (errno == E2BIG)
                    continue;
                return false;
            }
        }
        return true;
    }

private:
    iconv_t FCd;
};

int Utf8Length(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

} // namespace

QByteArray AnsiFromUnicode(const QString &text, TUnmappable unmappable) {
    const QByteArray utf8 = text.toUtf8();
    TIconv cd(AnsiCharset, "UTF-8");
    if (!cd.Valid())
        return text.toLatin1();
    QByteArray out;
    out.reserve(utf8.size());
    const char *in = utf8.constData();
    size_t left = size_t(utf8.size());
    while (!cd.Convert(in, left, out)) {
        const int len = std::min<int>(Utf8Length(static_cast<unsigned char>(*in)), int(left));
        if (unmappable == TUnmappable::XmlReference) {
            const QString ch = QString::fromUtf8(in, len);
            const uint code = ch.isEmpty() ? 0xFFFD : ch.toUcs4().value(0, 0xFFFD);
            out += "&#x" + QByteArray::number(code, 16).toUpper() + ';';
        } else {
            out += '?';
        }
        in += len;
        left -= size_t(len);
    }
    return out;
}

QString UnicodeFromAnsi(const QByteArray &bytes) {
    TIconv cd("UTF-8", AnsiCharset);
    if (!cd.Valid())
        return QString::fromLatin1(bytes);
    QByteArray out;
    out.reserve(bytes.size() * 3 / 2);
    const char *in = bytes.constData();
    size_t left = size_t(bytes.size());
    while (!cd.Convert(in, left, out)) {
        out += "\xEF\xBF\xBD"; // U+FFFD for the byte that does not decode
        ++in;
        --left;
    }
    return QString::fromUtf8(out);
}
