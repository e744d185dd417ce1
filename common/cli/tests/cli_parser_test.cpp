#include "common/cli/cli_parser.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "common/testing/qt_printers.h"

namespace {

using common::cli::CommandLine;
using common::cli::Outcome;

QStringList Args(std::initializer_list<const char*> rest) {
    QStringList arguments{S("/usr/bin/sample")};
    for (const char* a : rest) {
        arguments.append(S(a));
    }
    return arguments;
}

std::unique_ptr<CommandLine> Sample() {
    auto line = std::make_unique<CommandLine>(S("sample"), S("Checks a file."),
                                              S("KEY FILE [SIGNATURE]"), 2, 3);
    line->addOption(QCommandLineOption(S("mode"), S("How to check."), S("name")));
    line->addPositional(S("KEY"), S("the key file"));
    return line;
}

TEST(CommandLineTest, StandardOptionsAndUsageErrors) {
    struct Case {
        std::initializer_list<const char*> args;
        std::optional<int> exit;
        const char* outHas;  // "" : stdout must stay empty
        const char* errHas;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: sample [options] KEY FILE [SIGNATURE]\n", ""},
        {{"-h", "k"}, 0, "Checks a file.", ""},
        {{"--version"}, 0, "sample " PW_EXPECTED_VERSION "\n", ""},
        {{"--bogus", "k", "f"}, 2, "", "sample: Unknown option 'bogus'."},
        {{"k"}, 2, "", "sample: too few arguments\nUsage: sample [options] KEY FILE"},
        {{"a", "b", "c", "d"}, 2, "", "sample: too many arguments"},
        {{"--mode"}, 2, "", "Missing value after '--mode'."},
        {{"k", "f"}, std::nullopt, "", ""},
        {{"--mode", "fast", "k", "f", "s"}, std::nullopt, "", ""},
    };
    for (const Case& c : cases) {
        const auto line = Sample();
        const Outcome outcome = line->parse(Args(c.args));
        const std::string what = Args(c.args).join(u' ').toStdString();
        EXPECT_EQ(outcome.exitCode, c.exit) << what;
        if (*c.outHas != '\0') {
            EXPECT_TRUE(outcome.out.contains(S(c.outHas)))
                << what << ": " << outcome.out.toStdString();
        } else {
            EXPECT_TRUE(outcome.out.isEmpty()) << what << ": " << outcome.out.toStdString();
        }
        if (*c.errHas != '\0') {
            EXPECT_TRUE(outcome.err.contains(S(c.errHas)))
                << what << ": " << outcome.err.toStdString();
            // Every usage error shows the usage too.
            EXPECT_TRUE(outcome.err.contains(S("Options:\n"))) << what;
        } else {
            EXPECT_TRUE(outcome.err.isEmpty()) << what << ": " << outcome.err.toStdString();
        }
    }
}

TEST(CommandLineTest, ProgramReadsItsOwnOptionsAndMakesItsOwnUsageErrors) {
    const auto sample = Sample();
    CommandLine& line = *sample;
    ASSERT_FALSE(line.parse(Args({"--mode", "fast", "key", "file"})).exitCode);
    EXPECT_EQ(line.parser().value(S("mode")), S("fast"));
    EXPECT_EQ(line.parser().positionalArguments(), (QStringList{S("key"), S("file")}));
    // The help lists the program's options with the standard ones.
    const QString usage = line.usage();
    EXPECT_TRUE(usage.contains(S("--mode <name>"))) << usage.toStdString();
    EXPECT_TRUE(usage.contains(S("--version"))) << usage.toStdString();
    EXPECT_FALSE(usage.contains(S("<executable_name>"))) << usage.toStdString();

    const Outcome refused = line.usageError(S("mode must be fast or slow"));
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_TRUE(refused.err.startsWith(S("sample: mode must be fast or slow\nUsage: sample")));
    EXPECT_EQ(common::cli::VersionText(S("x")), S("x " PW_EXPECTED_VERSION "\n"));
}

}  // namespace
