#include "platform/TMachineId.h"

#include <QNetworkInterface>

QByteArray TMachineId::AdapterAddress() {
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        if (i.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QByteArray address = QByteArray::fromHex(i.hardwareAddress().toLatin1());
        if (address.size() == 6 && address.count('\0') != 6)
            return address;
    }
    return QByteArray();
}

QString TMachineId::TagFromAddress(const QByteArray &address) {
    if (address.size() != 6)
        return QString();
    const auto b = [&address](int i) { return quint32(quint8(address[i])); };
    const quint32 low = b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
    const quint32 high = b(4) | b(5) << 8;
    return QString::number(low, 16).toUpper() + QString::number(high, 16).toUpper();
}
