#pragma once

#include <QString>

namespace patchwell::update {

// A short size text for a byte count ("500 bytes", "1.50 KB", "2.34 MB"). The
// count is taken as an unsigned 32-bit number, as the control's counts are.
QString FormatKB(qint32 Amount);

// The animation frame that follows `counter`: 0 to 14 in turn, then 0 again;
// anything above 15 starts over at 0.
qint16 NextFrame(qint16 counter);

// "Percent Downloaded : 42%" and "Downloading Update - 42% downloaded".
QString PercentLabelText(qint32 lPercent);
QString PercentTitleText(qint32 lPercent);

// "Recived/Total Size : " + size of `received` + "/" + size of `total`.
QString SizeLabelText(qint32 received, qint32 total);

// The text for a code of the control's DLECode event ("Error Code - [4] ..."),
// from the control's table of codes; empty for unknown codes.
QString ErrorCodeText(qint32 lErrorCode);

// Value for a progress bar from minimum to maximum: out-of-range values are
// held at the nearer end.
int ClampProgress(qint64 value, int minimum, int maximum);

}  // namespace patchwell::update
