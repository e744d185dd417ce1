#include "common/ini/ini_format.h"

#include <gtest/gtest.h>

#include <string>

using common::ReadValue;
using common::WriteValue;

namespace {

const char* const kManifest =
    "; written by the installer\r\n"
    "[program]\r\n"
    "Prgname = Sample Editor \r\n"
    "PRGVER=2.0\r\n"
    "exe=\"editor bin\"\r\n"
    "empty=\r\n"
    "\r\n"
    "[Update]\r\n"
    "verchckurl='http://127.0.0.1/iupdate.ini'\r\n";

TEST(IniRead, MatchesSectionsAndKeysWithoutCaseAndTrimsAndUnquotes) {
    EXPECT_EQ(ReadValue(kManifest, "Program", "Prgname"), "Sample Editor");
    EXPECT_EQ(ReadValue(kManifest, "Program", "prgver"), "2.0");
    EXPECT_EQ(ReadValue(kManifest, "PROGRAM", "exe"), "editor bin");
    EXPECT_EQ(ReadValue(kManifest, "Update", "verchckurl"), "http://127.0.0.1/iupdate.ini");
}

TEST(IniRead, MissingAndEmptyReadEmpty) {
    EXPECT_EQ(ReadValue(kManifest, "Program", "empty"), "");
    EXPECT_EQ(ReadValue(kManifest, "Program", "missing"), "");
    EXPECT_EQ(ReadValue(kManifest, "Nope", "exe"), "");
    EXPECT_EQ(ReadValue(kManifest, "Update", "exe"), "");  // key of another section
    EXPECT_EQ(ReadValue("", "a", "b"), "");
    EXPECT_EQ(ReadValue("k=v\n[s]\n", "s", "k"), "");  // key before any section
}

TEST(IniRead, QuotesRemovedOnlyWhenTheyMatch) {
    EXPECT_EQ(ReadValue("[s]\na=\"x'\nb='y'\nc=\"\"\nd=\"\ne=\"a\"b\"\n", "s", "a"), "\"x'");
    EXPECT_EQ(ReadValue("[s]\nb='y'\n", "s", "b"), "y");
    EXPECT_EQ(ReadValue("[s]\nc=\"\"\n", "s", "c"), "");
    EXPECT_EQ(ReadValue("[s]\nd=\"\n", "s", "d"), "\"");
    EXPECT_EQ(ReadValue("[s]\ne=\"a\"b\"\n", "s", "e"), "a\"b");
}

TEST(IniRead, ValueIsTextAfterFirstEquals) {
    EXPECT_EQ(ReadValue("[s]\nurl=http://h/?a=b&c=d\n", "s", "url"), "http://h/?a=b&c=d");
    EXPECT_EQ(ReadValue("[s]\n  key\t=\tv  w \t\n", "s", "KEY"), "v  w");
}

TEST(IniRead, CutsLongValuesAt254BytesWithoutSplittingUtf8) {
    const std::string longValue(300, 'x');
    EXPECT_EQ(ReadValue("[s]\nk=" + longValue + "\n", "s", "k"), std::string(254, 'x'));
    // 253 ASCII bytes then a two-byte character: the character would straddle
    // the cut, so it goes whole.
    const std::string utf8 = std::string(253, 'a') + "\xC3\xA4" + "tail";
    EXPECT_EQ(ReadValue("[s]\nk=" + utf8 + "\n", "s", "k"), std::string(253, 'a'));
    EXPECT_EQ(ReadValue("[s]\nk=\xC3\xA4\xC3\xB6\n", "s", "k"), "\xC3\xA4\xC3\xB6");
}

TEST(IniRead, DuplicatesReadTheFirst) {
    const char* text = "[s]\nk=1\nk=2\n[S]\nk=3\nother=4\n";
    EXPECT_EQ(ReadValue(text, "s", "k"), "1");
    // The second section of the same name is never consulted.
    EXPECT_EQ(ReadValue(text, "s", "other"), "");
}

TEST(IniRead, HandlesBomCommentsLoneLineEndsAndSectionBlanks) {
    EXPECT_EQ(ReadValue("\xEF\xBB\xBF[s]\nk=v", "s", "k"), "v");
    EXPECT_EQ(ReadValue("[ s ]\n;k=comment\nk=v\r\n", "s", "k"), "v");
    EXPECT_EQ(ReadValue("[s]\nk=v\r", "s", "k"), "v");
}

TEST(IniWrite, CreatesSectionAndKeyInEmptyContent) {
    std::string c;
    ASSERT_TRUE(WriteValue(c, "OPTIONS", "taskbar", "ON"));
    EXPECT_EQ(c, "[OPTIONS]\ntaskbar=ON\n");
    ASSERT_TRUE(WriteValue(c, "OPTIONS", "taskbar", "OFF"));
    EXPECT_EQ(c, "[OPTIONS]\ntaskbar=OFF\n");
}

TEST(IniWrite, ReplacesInPlaceKeepingEveryOtherByte) {
    std::string c = kManifest;
    ASSERT_TRUE(WriteValue(c, "Program", "prgver", "2.1"));
    std::string expected = kManifest;
    expected.replace(expected.find("PRGVER=2.0"), 10, "PRGVER=2.1");
    EXPECT_EQ(c, expected);

    c = "[s]\nkey =  old value\n";
    ASSERT_TRUE(WriteValue(c, "S", "KEY", "new"));
    EXPECT_EQ(c, "[s]\nkey =  new\n");
}

TEST(IniWrite, AppendsKeyAtEndOfItsSectionBeforeBlankLines) {
    std::string c = "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n";
    ASSERT_TRUE(WriteValue(c, "a", "z", "3"));
    EXPECT_EQ(c, "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n");
    ASSERT_TRUE(WriteValue(c, "c", "w", "4"));
    EXPECT_EQ(c, "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n[c]\r\nw=4\r\n");
}

TEST(IniWrite, CopesWithMissingFinalLineBreak) {
    std::string c = "[a]\nx=1";
    ASSERT_TRUE(WriteValue(c, "a", "y", "2"));
    EXPECT_EQ(c, "[a]\nx=1\ny=2\n");
    c = "[a]";
    ASSERT_TRUE(WriteValue(c, "a", "y", "2"));
    EXPECT_EQ(c, "[a]\ny=2\n");
    c = "[a]\nx=1";
    ASSERT_TRUE(WriteValue(c, "b", "y", "2"));
    EXPECT_EQ(c, "[a]\nx=1\n[b]\ny=2\n");
}

TEST(IniWrite, LoneCarriageReturnEndsALineAndIsNeverCompletedIntoCrLf) {
    // A final lone CR must not become part of a CR LF when text is appended:
    // "[P\r" would then read as the section P before the one we add.
    std::string c = "[P\r";
    ASSERT_TRUE(WriteValue(c, "P", "key", "4.1"));
    EXPECT_EQ(ReadValue(c, "P", "key"), "4.1");
    EXPECT_EQ(c, "[P\rkey=4.1\r");
    c = "[a]\rx=1\r";
    ASSERT_TRUE(WriteValue(c, "b", "y", "2"));
    EXPECT_EQ(c, "[a]\rx=1\r[b]\ry=2\r");
    EXPECT_EQ(ReadValue(c, "a", "x"), "1");
}

TEST(IniWrite, RefusesNamesThatWouldBreakTheFileAndCutsValueAtLineBreak) {
    std::string c = "[a]\nx=1\n";
    EXPECT_FALSE(WriteValue(c, "", "k", "v"));
    EXPECT_FALSE(WriteValue(c, "a", "", "v"));
    EXPECT_FALSE(WriteValue(c, "a]", "k", "v"));
    EXPECT_FALSE(WriteValue(c, "a", "k=j", "v"));
    EXPECT_FALSE(WriteValue(c, "a\n[b", "k", "v"));
    EXPECT_EQ(c, "[a]\nx=1\n");
    ASSERT_TRUE(WriteValue(c, "a", "x", "2\n[evil]\nk=v"));
    EXPECT_EQ(c, "[a]\nx=2\n");
}

TEST(IniWrite, WrittenValuesReadBack) {
    std::string c = "\xEF\xBB\xBF; comment\n[STYLE]\nstylename=\\Blue\n";
    for (const char* v : {"\\Green", " padded ", "'quoted'", "\xC3\xA4\xC3\xB6", ""}) {
        ASSERT_TRUE(WriteValue(c, "style", "STYLENAME", v));
        EXPECT_EQ(ReadValue(c, "STYLE", "stylename"), common::NormalizedValue(v)) << v;
    }
    EXPECT_EQ(c.rfind("\xEF\xBB\xBF; comment\n[STYLE]\nstylename=", 0), 0u);
}

TEST(IniRemove, RemovesEveryLineOfTheKeyInTheFirstSectionOnly) {
    std::string c = "[Update]\r\nA=1\r\nnext=x\r\n next = y\r\nb=2\r\n[update]\r\nnext=z\r\n";
    EXPECT_TRUE(common::RemoveValue(c, "UPDATE", "Next"));
    EXPECT_EQ(c, "[Update]\r\nA=1\r\nb=2\r\n[update]\r\nnext=z\r\n");
    EXPECT_EQ(ReadValue(c, "Update", "next"), "");
    EXPECT_FALSE(common::RemoveValue(c, "Update", "next"));
    EXPECT_FALSE(common::RemoveValue(c, "Other", "a"));
    std::string last = "[a]\nk=1";  // no final line break
    EXPECT_TRUE(common::RemoveValue(last, "a", "k"));
    EXPECT_EQ(last, "[a]\n");
}

}  // namespace
