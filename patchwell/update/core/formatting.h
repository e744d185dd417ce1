#pragma once

#include <QString>

namespace patchwell::update {

// A short size text for a byte count ("500 bytes", "1.50 KB", "2.34 MB",
// "4.50 GB").
QString FormatKB(qint64 Amount);

// The animation frame that follows `counter`: 0 to 14 in turn, then 0 again;
// anything above 15 starts over at 0.
qint16 NextFrame(qint16 counter);

// "Percent Downloaded : 42%" and "Downloading Update - 42% downloaded".
QString PercentLabelText(qint32 lPercent);
QString PercentTitleText(qint32 lPercent);

// "Recived/Total Size : " + size of `received` + "/" + size of `total`.
QString SizeLabelText(qint64 received, qint64 total);

// The text for a code of the control's DLECode event ("Error Code - [4] ..."),
// from the control's table of codes; empty for unknown codes.
QString ErrorCodeText(qint32 lErrorCode);

// Value for a progress bar from minimum to maximum: out-of-range values are
// held at the nearer end.
int ClampProgress(qint64 value, int minimum, int maximum);

// `bytes` of a file of `total` bytes in the units of a progress bar, whose
// range is an int: bytes themselves up to 2 GiB - 1, beyond that the smallest
// whole number of bytes per unit that fits `total` into that range.
qint64 ProgressUnits(qint64 bytes, qint64 total);

}  // namespace patchwell::update
