#include "patchwell/update/core/formatting.h"

#include <QLocale>

#include <limits>

#include "patchwell/download/control/download_codes.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/update/core/texts.h"

namespace patchwell::update {

QString FormatKB(qint64 Amount) {
    return QLocale().formattedDataSize(Amount, 2, QLocale::DataSizeTraditionalFormat);
}

qint16 NextFrame(qint16 counter) {
    if (counter > 15) {
        return 0;
    }
    return static_cast<qint16>((counter + 1) % 15);
}

QString PercentLabelText(qint32 lPercent) {
    return texts::PercentDownloaded(lPercent);
}

QString PercentTitleText(qint32 lPercent) {
    return texts::PercentTitle(lPercent);
}

QString SizeLabelText(qint64 received, qint64 total) {
    return texts::Size(FormatKB(received), FormatKB(total));
}

QString ErrorCodeText(qint32 lErrorCode) {
    // The control's own table, so that a number means here what it means
    // where the control raises it; its summary shown as the control's other
    // texts are.
    const download::ErrorCodeInfo* info = download::FindErrorCode(lErrorCode);
    if (info == nullptr) {
        return QString();
    }
    return texts::ErrorCode(lErrorCode, download::texts::Translated(info->summary));
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

qint64 ProgressUnits(qint64 bytes, qint64 total) {
    constexpr qint64 kRange = std::numeric_limits<int>::max();
    const qint64 perUnit = total <= kRange ? 1 : total / kRange + 1;
    return bytes / perUnit;
}

}  // namespace patchwell::update
