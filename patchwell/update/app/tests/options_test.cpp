#include <gtest/gtest.h>

#include "patchwell/update/app/options.h"

namespace {

using patchwell::update::ParseOptions;

TEST(PatchwellOptions, ReadsTheCheckRequestOrEndsWithTheRightStatus) {
    struct Case {
        QStringList arguments;
        std::optional<int> exitCode;
        bool quiet;
        bool checkNow;
        QString channel;  // empty: none
    };
    const QString beta = QStringLiteral("beta");
    const Case cases[] = {
        {{}, std::nullopt, false, false, {}},
        {{QStringLiteral("--quiet")}, std::nullopt, true, false, {}},
        {{QStringLiteral("--check")}, std::nullopt, false, true, {}},
        {{QStringLiteral("--quiet"), QStringLiteral("--check")}, std::nullopt, true, true, {}},
        // A switch of channel is followed by a check.
        {{QStringLiteral("--channel"), beta}, std::nullopt, false, true, beta},
        {{QStringLiteral("--channel=nightly-2.x")},
         std::nullopt,
         false,
         true,
         QStringLiteral("nightly-2.x")},
        {{QStringLiteral("--help")}, 0, false, false, {}},
        {{QStringLiteral("--version")}, 0, false, false, {}},
        {{QStringLiteral("--channel")}, 2, false, false, {}},
        {{QStringLiteral("--channel"), QStringLiteral("../x")}, 2, false, false, {}},
        {{QStringLiteral("--channel"), QString()}, 2, false, false, {}},
        {{QStringLiteral("--loud")}, 2, false, false, {}},
        {{QStringLiteral("extra")}, 2, false, false, {}},
    };
    for (const Case& c : cases) {
        const QString shown = c.arguments.join(u' ');
        const auto parsed = ParseOptions(QStringList{QStringLiteral("patchwell")} + c.arguments);
        EXPECT_EQ(parsed.outcome.exitCode, c.exitCode) << shown.toStdString();
        if (c.exitCode) {
            // Help on stdout, listing every option; a usage error names the
            // problem on stderr.
            EXPECT_EQ(*c.exitCode == 0, !parsed.outcome.out.isEmpty()) << shown.toStdString();
            EXPECT_EQ(*c.exitCode == 2, !parsed.outcome.err.isEmpty()) << shown.toStdString();
            for (const char* option : {"--quiet", "--check", "--channel <NAME>", "--version",
                                       "--rollback", "--status"}) {
                EXPECT_TRUE(!c.arguments.contains(QStringLiteral("--help")) ||
                            parsed.outcome.out.contains(QLatin1String(option)))
                    << option;
            }
            continue;
        }
        EXPECT_EQ(parsed.request.quiet, c.quiet) << shown.toStdString();
        EXPECT_EQ(parsed.request.checkNow, c.checkNow) << shown.toStdString();
        EXPECT_EQ(parsed.request.channel.value_or(QString()), c.channel) << shown.toStdString();
        EXPECT_FALSE(parsed.rollback || parsed.status) << shown.toStdString();
    }
    for (const char* option : {"--rollback", "--status"}) {
        const auto parsed =
            ParseOptions({QStringLiteral("patchwell"), QString::fromLatin1(option)});
        EXPECT_EQ(parsed.outcome.exitCode, std::nullopt) << option;
        EXPECT_EQ(parsed.rollback, option == std::string("--rollback")) << option;
        EXPECT_EQ(parsed.status, option == std::string("--status")) << option;
    }
}

}  // namespace
