#include <QLocale>

#include <gtest/gtest.h>

#include "patchwell/update/core/formatting.h"

namespace {

using namespace patchwell::update;

class Formatting : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(Formatting, FormatKBGivesShortSizeTexts) {
    EXPECT_EQ(FormatKB(0), QStringLiteral("0 bytes"));
    EXPECT_EQ(FormatKB(500), QStringLiteral("500 bytes"));
    EXPECT_EQ(FormatKB(1536), QStringLiteral("1.50 kB"));
    EXPECT_EQ(FormatKB(3072), QStringLiteral("3.00 kB"));
    EXPECT_EQ(FormatKB(5 * 1024 * 1024 + 512 * 1024), QStringLiteral("5.50 MB"));
    // Installers past 4 GiB.
    EXPECT_EQ(FormatKB(Q_INT64_C(4831838208)), QStringLiteral("4.50 GB"));
}

TEST_F(Formatting, LabelAndTitleTexts) {
    EXPECT_EQ(PercentLabelText(42), QStringLiteral("Percent Downloaded : 42%"));
    EXPECT_EQ(PercentTitleText(42), QStringLiteral("Downloading Update - 42% downloaded"));
    EXPECT_EQ(PercentTitleText(-3), QStringLiteral("Downloading Update - -3% downloaded"));
    EXPECT_EQ(SizeLabelText(1536, 3072), QStringLiteral("Recived/Total Size : 1.50 kB/3.00 kB"));
}

TEST(FrameCounter, RunsThroughFifteenFramesAndStartsOver) {
    qint16 counter = 0;
    QList<qint16> seen;
    for (int i = 0; i < 17; ++i) {
        seen << counter;
        counter = NextFrame(counter);
    }
    EXPECT_EQ(seen, (QList<qint16>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0, 1}));
    EXPECT_EQ(NextFrame(15), 1);
    EXPECT_EQ(NextFrame(16), 0);
    EXPECT_EQ(NextFrame(300), 0);
}

TEST(ErrorCodes, KnownCodesHaveTexts) {
    EXPECT_EQ(ErrorCodeText(4), QStringLiteral("Error Code - [4] Download Was Cancelled By User!"));
    EXPECT_EQ(ErrorCodeText(403), QStringLiteral("Error Code - [403] Access Denied!"));
    // The numbers mean what they mean where the control raises them: 3 a
    // probe that could not read the headers, 6 and 7 a refused resume.
    EXPECT_EQ(ErrorCodeText(3), QStringLiteral("Error Code - [3] Error Reading File Headers!"));
    EXPECT_EQ(ErrorCodeText(6), QStringLiteral("Error Code - [6] Resume File Not Found!"));
    EXPECT_EQ(ErrorCodeText(7), QStringLiteral("Error Code - [7] Resume Not Supported!"));
    EXPECT_EQ(ErrorCodeText(404), QString());
}

TEST(ProgressClamp, HoldsValuesInsideTheRange) {
    EXPECT_EQ(ClampProgress(50, 0, 100), 50);
    EXPECT_EQ(ClampProgress(5001, 0, 5000), 5000);
    EXPECT_EQ(ClampProgress(-1, 0, 5000), 0);
    EXPECT_EQ(ClampProgress(qint64(1) << 40, 0, 5000), 5000);
    // A bar's int range: bytes up to 2 GiB - 1, then the fewest bytes per unit.
    const struct {
        qint64 bytes, total, units;
    } units[] = {
        {5000, 5000, 5000},
        {2147483647, 2147483647, 2147483647},
        {2147483648, 2147483648, 1073741824},
        {Q_INT64_C(2684354560), Q_INT64_C(5368709120), 894784853},
        {Q_INT64_C(5368709120), Q_INT64_C(5368709120), 1789569706},
    };
    for (const auto& u : units) {
        EXPECT_EQ(ProgressUnits(u.bytes, u.total), u.units) << u.bytes << "/" << u.total;
        EXPECT_LE(ProgressUnits(u.total, u.total), 2147483647);
    }
}

}  // namespace
