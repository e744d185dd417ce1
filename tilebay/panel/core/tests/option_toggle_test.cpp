#include "tilebay/panel/core/option_toggle.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/ini/ini.h"
#include "common/testing/qt_printers.h"

namespace {

using namespace tilebay;

// Records each effect together with what options.ini held for every key at
// the moment of the call, which shows that the write came first.
class RecordingEffects : public ShellEffects {
public:
    explicit RecordingEffects(QString optionsFile) : optionsFile_(std::move(optionsFile)) {}
    void ShowTaskbar(bool show) override { Record(S("ShowTaskbar"), show); }
    void ShowDesktopIcons(bool show) override { Record(S("ShowDesktopIcons"), show); }
    void SetAlwaysOnTop(WId window, bool on) override {
        Record(S("SetAlwaysOnTop"), on);
        windows.push_back(window);
    }
    void SetWindowOpacity(WId, qint16) override { Record(S("SetWindowOpacity"), false); }
    QStringList calls;
    std::vector<WId> windows;

private:
    void Record(const QString& name, bool value) {
        QString stored;
        for (const char* key : {"taskbar", "icons", "alwaysontop"}) {
            stored += u' ' + common::ReadIniValue(S("OPTIONS"), S(key), optionsFile_);
        }
        calls.append(name + (value ? S("(true)") : S("(false)")) + S(" with") + stored);
    }
    QString optionsFile_;
};

class OptionToggleTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RecordingEffects effects{dir.filePath(S("options.ini"))};
    const WId panel = 0x4a0000f;
};

TEST_F(OptionToggleTest, WritesTheOptionFirstThenAppliesTheMatchingEffect) {
    ToggleOption(PanelOption::Taskbar, true, dir.path(), effects, panel);
    ToggleOption(PanelOption::Taskbar, false, dir.path(), effects, panel);
    ToggleOption(PanelOption::Icons, true, dir.path(), effects, panel);
    ToggleOption(PanelOption::AlwaysOnTop, true, dir.path(), effects, panel);
    ToggleOption(PanelOption::AlwaysOnTop, false, dir.path(), effects, panel);
    EXPECT_EQ(effects.calls, (QStringList{
                                 S("ShowTaskbar(false) with ON  "),
                                 S("ShowTaskbar(true) with OFF  "),
                                 S("ShowDesktopIcons(false) with OFF ON "),
                                 S("SetAlwaysOnTop(true) with OFF ON ON"),
                                 S("SetAlwaysOnTop(false) with OFF ON OFF"),
                             }));
    EXPECT_EQ(effects.windows, (std::vector<WId>{panel, panel}));
}

TEST_F(OptionToggleTest, RepeatingAToggleWritesAndAppliesTheSameAgain) {
    ToggleOption(PanelOption::Icons, true, dir.path(), effects, panel);
    ToggleOption(PanelOption::Icons, true, dir.path(), effects, panel);
    EXPECT_EQ(effects.calls, (QStringList{S("ShowDesktopIcons(false) with  ON "),
                                          S("ShowDesktopIcons(false) with  ON ")}));
}

TEST_F(OptionToggleTest, LowerCaseOnLoadsAsOffAndIsRewrittenAsOff) {
    common::WriteIniValue(S("OPTIONS"), S("taskbar"), S("on"), dir.filePath(S("options.ini")));
    const bool checked = ReadOption(dir.path(), PanelOption::Taskbar);
    ToggleOption(PanelOption::Taskbar, checked, dir.path(), effects, panel);
    EXPECT_EQ(effects.calls, QStringList{S("ShowTaskbar(true) with OFF  ")});
}

}  // namespace
