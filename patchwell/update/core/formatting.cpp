#include "formatting.h"

#include <QLocale>

#include "texts.h"

namespace patchwell::update {

QString FormatKB(qint32 Amount) {
    const auto bytes = static_cast<qint64>(static_cast<quint32>(Amount));
    return QLocale().formattedDataSize(bytes, 2, QLocale::DataSizeTraditionalFormat);
}

qint16 NextFrame(qint16 counter) {
    if (counter > 15) {
        return 0;
    }
    return static_cast<qint16>((counter + 1) % 15);
}

QString PercentLabelText(qint32 lPercent) {
    return texts::PercentPrefix() + QString::number(lPercent) + QStringLiteral("%");
}

QString PercentTitleText(qint32 lPercent) {
    return QStringLiteral("Downloading Update - ") + QString::number(lPercent) +
           QStringLiteral("% downloaded");
}

QString SizeLabelText(qint32 received, qint32 total) {
    return texts::SizePrefix() + FormatKB(received) + QStringLiteral("/") + FormatKB(total);
}

QString ErrorCodeText(qint32 lErrorCode) {
    switch (lErrorCode) {
        case 1:
            return QStringLiteral("Error Code - [1] Uknown Error!");
        case 2:
            return QStringLiteral("Error Code - [2] File Doesn't Exist!");
        case 3:
            return QStringLiteral("Error Code - [3] Server Timed Out!");
        case 4:
            return QStringLiteral("Error Code - [4] Download Was Cancelled By User!");
        case 5:
            return QStringLiteral("Error Code - [5] No Connection Present!");
        case 6:
            return QStringLiteral("Error Code - [6] Internal Server Error!");
        case 401:
            return QStringLiteral("Error Code - [401] Unauthorized Access!");
        case 403:
            return QStringLiteral("Error Code - [403] Access Denied!");
        default:
            return {};
    }
}

int ClampProgress(qint64 value, int minimum, int maximum) {
    if (value > maximum) {
        return maximum;
    }
    if (value < minimum) {
        return minimum;
    }
    return static_cast<int>(value);
}

}  // namespace patchwell::update
