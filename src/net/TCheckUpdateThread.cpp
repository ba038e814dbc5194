#include "net/TCheckUpdateThread.h"

#include "net/TUsageReport.h"

void TCheckUpdateThread::run() {
    QByteArray body;
    PlainGet(FUrl, FTimeout, &body);
    FReceived = body;
}
