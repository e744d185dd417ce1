#include <gtest/gtest.h>

#include <QLocale>

#include "patchwell/download/control/progress_format.h"
#include "patchwell/download/control/testing/control_fakes.h"

namespace patchwell::download {
namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

TEST(FormatRate, ByteRangeRoundsHalfToEven) {
    EXPECT_EQ(FormatRate(0, kEnglish), QStringLiteral("0 Bytes/S"));
    EXPECT_EQ(FormatRate(700, kEnglish), QStringLiteral("700 Bytes/S"));
    EXPECT_EQ(FormatRate(1023, kEnglish), QStringLiteral("1023 Bytes/S"));
    EXPECT_EQ(FormatRate(2.5, kEnglish), QStringLiteral("2 Bytes/S"));
    EXPECT_EQ(FormatRate(3.5, kEnglish), QStringLiteral("4 Bytes/S"));
    EXPECT_EQ(FormatRate(512.4, kEnglish), QStringLiteral("512 Bytes/S"));
}

TEST(FormatRate, KilobyteRangeShortestForm) {
    EXPECT_EQ(FormatRate(1024, kEnglish), QStringLiteral("1 KB/S"));
    EXPECT_EQ(FormatRate(1536, kEnglish), QStringLiteral("1.5 KB/S"));
    EXPECT_EQ(FormatRate(2000, kEnglish), QStringLiteral("1.95 KB/S"));
    EXPECT_EQ(FormatRate(12288, kEnglish), QStringLiteral("12 KB/S"));
    EXPECT_EQ(FormatRate(1048575, kEnglish), QStringLiteral("1024 KB/S"));  // no grouping
    EXPECT_EQ(FormatRate(1034.24, kEnglish), QStringLiteral("1.01 KB/S"));
    // 1.125 KB is exact in binary and rounds to the even hundredth.
    EXPECT_EQ(FormatRate(1152, kEnglish), QStringLiteral("1.12 KB/S"));
}

TEST(FormatRate, OutsideTheRangesIsEmpty) {
    EXPECT_EQ(FormatRate(1023.5, kEnglish), QString());
    EXPECT_EQ(FormatRate(1048576, kEnglish), QString());
    EXPECT_EQ(FormatRate(2 * 1048576.0, kEnglish), QString());
    EXPECT_EQ(FormatRate(-1, kEnglish), QString());
    EXPECT_EQ(FormatRate(std::nan(""), kEnglish), QString());
}

TEST(FormatRate, UsesTheLocaleDecimalSeparator) {
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(FormatRate(1536, german), QStringLiteral("1,5 KB/S"));
    EXPECT_EQ(FormatRate(1048575, german), QStringLiteral("1024 KB/S"));
    const QLocale previous;
    QLocale::setDefault(german);
    EXPECT_EQ(FormatRate(2000), QStringLiteral("1,95 KB/S"));
    QLocale::setDefault(previous);
}

TEST(FormatTimeLeft, Seconds) {
    EXPECT_EQ(FormatTimeLeft(0), QStringLiteral("0 sec"));
    EXPECT_EQ(FormatTimeLeft(42.4f), QStringLiteral("42 sec"));
    EXPECT_EQ(FormatTimeLeft(58.5f), QStringLiteral("59 sec"));  // half away from zero
    EXPECT_EQ(FormatTimeLeft(59), QStringLiteral("59 sec"));
}

TEST(FormatTimeLeft, Minutes) {
    EXPECT_EQ(FormatTimeLeft(60), QStringLiteral("1 min 0 sec"));
    EXPECT_EQ(FormatTimeLeft(125), QStringLiteral("2 min 5 sec"));
    EXPECT_EQ(FormatTimeLeft(119.6f), QStringLiteral("1 min 0 sec"));
    EXPECT_EQ(FormatTimeLeft(3599), QStringLiteral("59 min 59 sec"));
    EXPECT_EQ(FormatTimeLeft(62.5f), QStringLiteral("1 min 2 sec"));  // half to even
}

TEST(FormatTimeLeft, HoursAndEverythingElse) {
    EXPECT_EQ(FormatTimeLeft(3600), QStringLiteral("1 hr 0 min"));
    EXPECT_EQ(FormatTimeLeft(3700), QStringLiteral("1 hr 2 min"));
    EXPECT_EQ(FormatTimeLeft(7170), QStringLiteral("1 hr 0 min"));
    EXPECT_EQ(FormatTimeLeft(59.5f), QStringLiteral("0 hr 1 min"));
    EXPECT_EQ(FormatTimeLeft(-5), QStringLiteral("-1 hr 0 min"));
    EXPECT_EQ(FormatTimeLeft(-3600), QStringLiteral("-1 hr 0 min"));
    EXPECT_EQ(FormatTimeLeft(-7000), QStringLiteral("-2 hr -57 min"));  // mod keeps the sign
    EXPECT_EQ(FormatTimeLeft(1e12f), QStringLiteral("277777776 hr 38 min"));
}

TEST(ProgressArithmetic, PercentRoundsHalfToEvenAndFailsWhereItMust) {
    EXPECT_EQ(PercentOf(1024, 2500), 41);
    EXPECT_EQ(PercentOf(2048, 2500), 82);
    EXPECT_EQ(PercentOf(1, 8), 12);  // 12.5
    EXPECT_EQ(PercentOf(3, 8), 38);  // 37.5
    EXPECT_EQ(PercentOf(2024, 3000), 67);
    EXPECT_THROW(PercentOf(1, 0), ArithmeticError);
    EXPECT_THROW(PercentOf(2147483647, 1), ArithmeticError);
    EXPECT_THROW(DivideSingle(5, 0.0f), ArithmeticError);
    EXPECT_THROW(DivideSingle(0, 0.0f), ArithmeticError);
    EXPECT_FLOAT_EQ(DivideSingle(1476, 1024.0f), 1.44140625f);
    EXPECT_EQ(PercentOf(2684354560, 5368709120), 50);  // files past 4 GiB
    EXPECT_EQ(AddChecked(2147483000, 648), 2147483648);
    EXPECT_EQ(AddChecked(9223372036854775000, 807), 9223372036854775807);
    EXPECT_THROW(AddChecked(9223372036854775000, 808), ArithmeticError);
}

}  // namespace
}  // namespace patchwell::download
