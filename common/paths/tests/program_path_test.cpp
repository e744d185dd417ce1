#include "common/paths/program_path.h"

#include <gtest/gtest.h>

namespace {

QString L(const char* s) {
    return common::LocalPath(QString::fromUtf8(s));
}

TEST(LocalPath, TreatsBothSeparatorsAlikeAndCollapsesRuns) {
    EXPECT_EQ(L("/opt/app/styles/\\Blue/style.ini"),
              QStringLiteral("/opt/app/styles/Blue/style.ini"));
    EXPECT_EQ(L("/opt/app//update.ini"), QStringLiteral("/opt/app/update.ini"));
    EXPECT_EQ(L("/opt/app/styles//style.ini"), QStringLiteral("/opt/app/styles/style.ini"));
    EXPECT_EQ(L("\\\\a\\/\\b"), QStringLiteral("/a/b"));
}

TEST(LocalPath, KeepsEverythingElse) {
    EXPECT_EQ(L("/tmp/with blanks/ä ö.ini"), QString::fromUtf8("/tmp/with blanks/ä ö.ini"));
    EXPECT_EQ(L("relative/name"), QStringLiteral("relative/name"));
    EXPECT_EQ(L("/"), QStringLiteral("/"));
    EXPECT_EQ(L("dir/"), QStringLiteral("dir/"));
    EXPECT_EQ(L(""), QString());
}

}  // namespace
