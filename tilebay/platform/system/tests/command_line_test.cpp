#include "tilebay/platform/system/command_line.h"

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"

namespace {

using tilebay::JoinCommandLine;
using tilebay::SplitCommandLine;

TEST(SplitCommandLine, SplitsOnBlanksAndHonoursQuotesAndEscapes) {
    EXPECT_EQ(SplitCommandLine(S("  prog  a\tb  ")), (QStringList{S("prog"), S("a"), S("b")}));
    EXPECT_EQ(SplitCommandLine(S(R"("/opt/my app/run" "two words" x)")),
              (QStringList{S("/opt/my app/run"), S("two words"), S("x")}));
    // Inside double quotes only " ` $ \ are escaped; other backslashes stay.
    EXPECT_EQ(SplitCommandLine(S(R"(sh -c "echo \"hi\" \$HOME \\ \n")")),
              (QStringList{S("sh"), S("-c"), S(R"(echo "hi" $HOME \ \n)")}));
    EXPECT_EQ(SplitCommandLine(S(R"(sh -c 'a "b" \c')")),
              (QStringList{S("sh"), S("-c"), S(R"(a "b" \c)")}));
    EXPECT_EQ(SplitCommandLine(S(R"(a\ b pre"mid"post "")")),
              (QStringList{S("a b"), S("premidpost"), S("")}));
    EXPECT_EQ(SplitCommandLine(S("   ")), QStringList{});
}

TEST(SplitCommandLine, RefusesAnOpenQuote) {
    EXPECT_FALSE(SplitCommandLine(S(R"(prog "open)")).has_value());
    EXPECT_FALSE(SplitCommandLine(S("prog 'open")).has_value());
    EXPECT_FALSE(SplitCommandLine(S(R"(prog "ends in escape\")")).has_value());
}

TEST(JoinCommandLine, QuotesOnlyWhatNeedsItAndSplitsBackToTheSameWords) {
    EXPECT_EQ(JoinCommandLine({S("gedit"), S("--new-window")}), S("gedit --new-window"));
    const QStringList tricky{S("/opt/my app/run"),
                             S(""),
                             S(R"(a"b)"),
                             S("$HOME"),
                             S(R"(back\slash)"),
                             S("it's"),
                             S("`x`"),
                             S("tab\there"),
                             S("100%"),
                             S("ü ß")};
    const QString line = JoinCommandLine(tricky);
    EXPECT_EQ(SplitCommandLine(line), tricky) << line.toStdString();
}

}  // namespace
