#include "tilebay/settings/style_settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/ini/ini.h"
#include "common/testing/qt_printers.h"

namespace {

using namespace tilebay;

class StyleSettingsTest : public ::testing::Test {
protected:
    QString program() const { return dir.path(); }
    void WriteFile(const QString& relative, const QByteArray& content) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    void ChooseStyle(const QByteArray& stored) {
        WriteFile(S("styleloader.ini"), "[STYLE]\nstylename=" + stored + "\n");
    }
    QTemporaryDir dir;
};

const QByteArray kBlue =
    "[COLOUR]\nfontcolourred=10\nfontcolourgreen=20\nfontcolourblue=30\n"
    "bgcolourred=40\nbgcolourgreen=50\nbgcolourblue=60\n"
    "bordercolourred=70\nbordercolourgreen=80\nbordercolourblue=90\n"
    "[SIZE]\nboxheight=4215\n[EFFECT]\ntransparent=200\n[POSITION]\ntop=2\n"
    "[FONT]\nfontname=Verdana\n[NAME]\nstylename=Blue Ocean\ndescription=Deep and calm\n"
    "[SOUND]\nstartup=start.mid\n";

TEST_F(StyleSettingsTest, ReadsEveryKeyOfTheChosenStyleThroughABackslashFolderText) {
    ChooseStyle("\\Blue");
    WriteFile(S("styles/Blue/style.ini"), kBlue);
    StyleSettings s;
    ReadStyle(program(), s);
    EXPECT_EQ(s.styleFolder, S("\\Blue"));
    EXPECT_EQ(StyleFile(program(), s.styleFolder), dir.filePath(S("styles/Blue/style.ini")));
    const std::vector<qint16> ints{s.fontRed,    s.fontGreen, s.fontBlue,  s.bgRed,
                                   s.bgGreen,    s.bgBlue,    s.borderRed, s.borderGreen,
                                   s.borderBlue, s.boxHeight, s.opacity,   s.dockPosition};
    EXPECT_EQ(ints, (std::vector<qint16>{10, 20, 30, 40, 50, 60, 70, 80, 90, 4215, 200, 2}));
    EXPECT_EQ(s.fontName, S("Verdana"));
    EXPECT_EQ(s.styleTitle, S("Blue Ocean"));
    EXPECT_EQ(s.startupSound, S("start.mid"));
    EXPECT_EQ(StartupSoundFile(program(), s.styleFolder, s.startupSound),
              dir.filePath(S("styles/Blue/start.mid")));
    EXPECT_EQ(ReadStyleFileValue(program(), s.styleFolder, S("NAME"), S("description")),
              S("Deep and calm"));
    EXPECT_EQ(kStyleReadOrder.front(), StyleKey::StyleFolder);
}

TEST_F(StyleSettingsTest, EachKeyUsesTheFolderTheRecordHoldsAtThatMoment) {
    WriteFile(S("styles/Blue/style.ini"), "[COLOUR]\nfontcolourred=1\nfontcolourgreen=1\n");
    WriteFile(S("styles/Red/style.ini"), "[COLOUR]\nfontcolourred=2\nfontcolourgreen=2\n");
    StyleSettings s;
    s.styleFolder = S("\\Blue");
    ASSERT_TRUE(ReadStyleKey(program(), StyleKey::FontRed, s));
    s.styleFolder = S("//Red\\");
    ASSERT_TRUE(ReadStyleKey(program(), StyleKey::FontGreen, s));
    EXPECT_EQ(s.fontRed, 1);
    EXPECT_EQ(s.fontGreen, 2);
}

TEST_F(StyleSettingsTest, AbsentStyleChoiceReadsStyleIniDirectlyInTheStylesFolder) {
    StyleSettings s;
    ReadStyle(program(), s);  // nothing at all: empty texts, zeros
    EXPECT_EQ(s.styleFolder, QString());
    EXPECT_EQ(s.boxHeight, 0);
    EXPECT_EQ(s.opacity, 0);
    EXPECT_EQ(s.dockPosition, 0);
    EXPECT_EQ(s.styleTitle, QString());
    EXPECT_EQ(TitleCaption(s.styleTitle), S(" - Tilebay"));

    WriteFile(S("styles/style.ini"), "[SIZE]\nboxheight=1234\n");
    ReadStyle(program(), s);
    EXPECT_EQ(StyleFile(program(), QString()), dir.filePath(S("styles/style.ini")));
    EXPECT_EQ(s.boxHeight, 1234);
}

TEST_F(StyleSettingsTest, AFailedIntegerReadKeepsThePreviousValue) {
    ChooseStyle("\\Blue");
    WriteFile(S("styles/Blue/style.ini"), kBlue);
    StyleSettings s;
    ReadStyle(program(), s);
    // A second style: out of range, not a number, missing, and odd but valid.
    ChooseStyle("\\Odd");
    WriteFile(S("styles/Odd/style.ini"),
              "[COLOUR]\nfontcolourred=300\nfontcolourgreen=abc\nbgcolourred=-1\n"
              "[SIZE]\nboxheight=40000\n[EFFECT]\ntransparent=256\n");
    EXPECT_TRUE(ReadStyleKey(program(), StyleKey::StyleFolder, s));
    EXPECT_TRUE(ReadStyleKey(program(), StyleKey::FontRed, s));
    EXPECT_FALSE(ReadStyleKey(program(), StyleKey::FontGreen, s));
    EXPECT_FALSE(ReadStyleKey(program(), StyleKey::FontBlue, s));  // missing
    EXPECT_TRUE(ReadStyleKey(program(), StyleKey::BgRed, s));
    EXPECT_FALSE(ReadStyleKey(program(), StyleKey::BoxHeight, s));
    EXPECT_TRUE(ReadStyleKey(program(), StyleKey::Opacity, s));
    EXPECT_FALSE(ReadStyleKey(program(), StyleKey::DockPosition, s));
    EXPECT_TRUE(ReadStyleKey(program(), StyleKey::FontName, s));  // text keys never fail
    EXPECT_EQ(s.fontRed, 300);
    EXPECT_EQ(s.fontGreen, 20);
    EXPECT_EQ(s.fontBlue, 30);
    EXPECT_EQ(s.bgRed, -1);
    EXPECT_EQ(s.boxHeight, 4215);
    EXPECT_EQ(s.opacity, 256);  // stored; the opacity effect ignores it
    EXPECT_EQ(s.dockPosition, 2);
    EXPECT_EQ(s.fontName, QString());
}

TEST(ToInt16, AcceptsPlainDecimalsInRangeOnly) {
    EXPECT_EQ(ToInt16(S("0")), qint16(0));
    EXPECT_EQ(ToInt16(S(" 42 ")), qint16(42));
    EXPECT_EQ(ToInt16(S("+7")), qint16(7));
    EXPECT_EQ(ToInt16(S("32767")), qint16(32767));
    EXPECT_EQ(ToInt16(S("-32768")), qint16(-32768));
    for (const char* bad : {"", " ", "32768", "-32769", "40000", "abc", "1.5", "0x10", "12a", "-",
                            "1 2", "99999999999999999999", "--1"}) {
        EXPECT_FALSE(ToInt16(S(bad)).has_value()) << bad;
    }
}

TEST(StyleTitle, KeepsTheFirstTwelveCharacters) {
    EXPECT_EQ(StyleTitleOf(S("Nineteen characters")), S("Nineteen cha"));
    EXPECT_EQ(StyleTitleOf(S("Twelve chars")), S("Twelve chars"));
    EXPECT_EQ(StyleTitleOf(S("Short")), S("Short"));
    EXPECT_EQ(StyleTitleOf(QString()), QString());
    // Characters outside the basic plane count once and are never split.
    EXPECT_EQ(StyleTitleOf(S("aaaaaaaaaaa\U0001F600\U0001F600")), S("aaaaaaaaaaa\U0001F600"));
    EXPECT_EQ(TitleCaption(S("Blue")), S("Blue - Tilebay"));
}

TEST(Colour, ComposesWithComponentsAbove255AsFullAndRefusesNegatives) {
    EXPECT_EQ(ColourValue(1, 2, 3), 1u + 256u * 2u + 65536u * 3u);
    EXPECT_EQ(ColourValue(300, 0, 0), 255u);
    EXPECT_EQ(ColourValue(0, 300, 32767), 255u * 256u + 255u * 65536u);
    EXPECT_FALSE(ColourValue(-1, 0, 0).has_value());
    EXPECT_FALSE(ComposeColour(0, 0, -32768).has_value());
    EXPECT_EQ(ComposeColour(300, 128, 5), QColor(255, 128, 5));
}

TEST_F(StyleSettingsTest, OptionsAreOnOnlyForExactlyON) {
    for (const PanelOption o :
         {PanelOption::Taskbar, PanelOption::AlwaysOnTop, PanelOption::Icons}) {
        EXPECT_FALSE(ReadOption(program(), o));  // no options.ini
    }
    WriteFile(S("options.ini"), "[options]\nTASKBAR=ON\nalwaysontop=on\nicons=OFF\n");
    EXPECT_TRUE(ReadOption(program(), PanelOption::Taskbar));
    EXPECT_FALSE(ReadOption(program(), PanelOption::AlwaysOnTop));
    EXPECT_FALSE(ReadOption(program(), PanelOption::Icons));
    WriteOption(program(), PanelOption::AlwaysOnTop, true);
    WriteOption(program(), PanelOption::Taskbar, false);
    EXPECT_TRUE(ReadOption(program(), PanelOption::AlwaysOnTop));
    EXPECT_FALSE(ReadOption(program(), PanelOption::Taskbar));
    EXPECT_EQ(common::ReadIniValue(S("OPTIONS"), S("taskbar"), dir.filePath(S("options.ini"))),
              S("OFF"));
}

}  // namespace
