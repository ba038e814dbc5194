#pragma once
// The machine tag of the usage reports, from the hardware address of the first network adapter.

#include <QByteArray>
#include <QString>

class TMachineId {
public:
    // The first non-loopback interface with a 6-byte hardware address that is not all zero;
    // empty when there is none.
    static QByteArray AdapterAddress();
    // Bytes 0 to 3 read as a little-endian 32-bit number, then bytes 4 and 5 as a little-endian
    // 16-bit number, each in upper-case hexadecimal without leading zeros. "" unless 6 bytes.
    static QString TagFromAddress(const QByteArray &address);
    // The tag of this machine's adapter, "" without one.
    static QString Tag() { return TagFromAddress(AdapterAddress()); }
};
