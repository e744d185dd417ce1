#include "patchwell/download/fetch/fetch_cli.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace patchwell::fetch;
using patchwell::download::MessageAnswer;
using patchwell::download::MessageButtons;
using patchwell::download::MessageIcon;

namespace {

QStringList args(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* a : list) {
        out.append(QString::fromUtf8(a));
    }
    return out;
}

// Terminal dialogs reading from a fixed input text.
struct ScriptedTerminal {
    explicit ScriptedTerminal(const std::string& input) : text(input) {
        in = fmemopen(text.data(), text.size(), "r");
        out = open_memstream(&outBuffer, &outSize);
    }
    ~ScriptedTerminal() {
        std::fclose(in);
        std::fclose(out);
        std::free(outBuffer);
    }
    std::string shown() {
        std::fflush(out);
        return std::string(outBuffer, outSize);
    }
    std::string text;
    std::FILE* in = nullptr;
    std::FILE* out = nullptr;
    char* outBuffer = nullptr;
    std::size_t outSize = 0;
};

}  // namespace

TEST(FetchArguments, OptionsAndPositionals) {
    QString error;
    auto o = ParseFetchArguments(
        args({"--chunk", "65536", "--keep-type", "--online-check", "--prompt-overwrite", "--resume",
              "--quiet", "http://h/f", "/tmp/x"}),
        error);
    ASSERT_TRUE(o.has_value()) << error.toStdString();
    EXPECT_EQ(o->chunk, 65536);
    EXPECT_TRUE(o->keepType && o->onlineCheck && o->promptOverwrite && o->resume && o->quiet);
    EXPECT_FALSE(o->probe);
    EXPECT_EQ(o->url, QStringLiteral("http://h/f"));
    EXPECT_EQ(o->saveLocation, QStringLiteral("/tmp/x"));

    o = ParseFetchArguments(args({"u", "--chunk=-5", "--", "--odd-name"}), error);
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->chunk, -5);  // the control gets it unchanged
    EXPECT_EQ(o->saveLocation, QStringLiteral("--odd-name"));
}

TEST(FetchArguments, UsageErrors) {
    QString error;
    for (const auto& list :
         {args({}), args({"only-url"}), args({"a", "b", "c"}), args({"--chunk", "x", "a", "b"}),
          args({"--chunk", "99999999999", "a", "b"}), args({"a", "b", "--chunk"}),
          args({"--probe", "--resume", "a", "b"}), args({"--fast", "a", "b"})}) {
        error.clear();
        EXPECT_FALSE(ParseFetchArguments(list, error).has_value()) << list.join(u' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_TRUE(UsageText().startsWith(QStringLiteral("usage: patchwell-fetch")));
}

TEST(TerminalDialogs, MessageBoxesReadTheButton) {
    ScriptedTerminal t("maybe\nY\nno\n\n");
    TerminalDialogs dialogs(t.in, t.out);
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("Overwrite it?"), QStringLiteral("Overwrite?"),
                                 MessageButtons::YesNo, MessageIcon::Information),
              MessageAnswer::Yes);
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("Again?"), QStringLiteral("Try Again?"),
                                 MessageButtons::YesNo, MessageIcon::Stop),
              MessageAnswer::No);
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("Offline"), QString(), MessageButtons::Ok,
                                 MessageIcon::None),
              MessageAnswer::Ok);
    // Input is over: a Yes/No box is dismissed, which answers No.
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("More?"), QStringLiteral("T"),
                                 MessageButtons::YesNo, MessageIcon::None),
              MessageAnswer::No);
    const std::string shown = t.shown();
    EXPECT_NE(shown.find("[Overwrite?] Overwrite it?\n"), std::string::npos);
    EXPECT_NE(shown.find("[Patchwell] Offline\n"), std::string::npos);
}

TEST(TerminalDialogs, InputBoxKeepsDefaultOnEnterAndStopsAfterInputEnds) {
    ScriptedTerminal t("\n/tmp/other.bin\n");
    TerminalDialogs dialogs(t.in, t.out);
    const QString def = QStringLiteral("/tmp/default.bin");
    EXPECT_EQ(dialogs.InputBox(QStringLiteral("Name?"), QStringLiteral("New File..."), def), def);
    EXPECT_EQ(dialogs.InputBox(QStringLiteral("Name?"), QStringLiteral("New File..."), def),
              QStringLiteral("/tmp/other.bin"));
    // End of input: dismissed once, then the question cannot be answered.
    EXPECT_EQ(dialogs.InputBox(QStringLiteral("Name?"), QStringLiteral("New File..."), def),
              QString());
    EXPECT_THROW(dialogs.InputBox(QStringLiteral("Name?"), QStringLiteral("New File..."), def),
                 InputEndedError);
}

TEST(ProgressLine, FormatsPercentSizeRateAndTimeLeft) {
    EXPECT_EQ(ProgressLine::Format(512 * 1024, 1024 * 1024, 256 * 1024).toStdString(),
              " 50%  512.0 KiB of 1.0 MiB  256.0 KiB/s  0:02 left");
    EXPECT_EQ(ProgressLine::Format(100, 0, 0).toStdString(), "100 B");
    EXPECT_EQ(ProgressLine::Format(1024, 1024, 2048).toStdString(),
              "100%  1.0 KiB of 1.0 KiB  2.0 KiB/s");
    EXPECT_EQ(ProgressLine::Format(0, 7200LL * 1000, 1000).toStdString(),
              "  0%  0 B of 6.9 MiB  1000 B/s  2:00:00 left");
}
