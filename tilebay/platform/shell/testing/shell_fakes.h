#pragma once

// Shell effects and desktop actions for tests: they record what was asked
// and change nothing on the desktop.

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <optional>

#include "tilebay/platform/shell/desktop_actions.h"
#include "tilebay/platform/shell/shell_effects.h"

namespace tilebay::testing {

// Records each effect on the desktop as a line ("ShowTaskbar 1",
// "ShowDesktopIcons 0", "SetAlwaysOnTop 4a0000f 1", "SetWindowOpacity
// 4a0000f 200", windows in hex) in `calls`, or in an outside list given to it;
// the keyboard's moves ("take 1" for a window given, "return") in `focus`; and
// the last opacity set for each window.
class RecordingShellEffects : public ShellEffects {
public:
    RecordingShellEffects() : log_(&calls) {}
    explicit RecordingShellEffects(QStringList& log) : log_(&log) {}

    void ShowTaskbar(bool show) override { *log_ << QStringLiteral("ShowTaskbar %1").arg(show); }
    void ShowDesktopIcons(bool show) override {
        *log_ << QStringLiteral("ShowDesktopIcons %1").arg(show);
    }
    void SetAlwaysOnTop(WId window, bool on) override {
        *log_ << QStringLiteral("SetAlwaysOnTop %1 %2").arg(window, 0, 16).arg(on);
    }
    void SetWindowOpacity(WId window, qint16 opacity) override {
        *log_ << QStringLiteral("SetWindowOpacity %1 %2").arg(window, 0, 16).arg(opacity);
        opacity_[window] = opacity;
    }
    void TakeFocus(WId window) override { focus << QStringLiteral("take %1").arg(window != 0); }
    void ReturnFocus() override { focus << QStringLiteral("return"); }

    std::optional<qint16> opacityOf(WId window) const {
        const auto found = opacity_.find(window);
        return found == opacity_.end() ? std::nullopt : std::optional<qint16>(found->second);
    }

    QStringList calls;
    QStringList focus;

private:
    QStringList* log_;
    std::map<WId, qint16> opacity_;
};

// Records each action as a line ("open <url>", "copy <first url>", "trash
// <path>"); the trash removes the file, so that the entry is gone as it
// would be.
class RecordingDesktopActions : public DesktopActions {
public:
    bool OpenUrl(const QUrl& url) override {
        calls << QStringLiteral("open ") + url.toString();
        return true;
    }
    void CopyUrls(const QList<QUrl>& urls) override {
        calls << QStringLiteral("copy ") + urls.value(0).toString();
    }
    bool MoveToTrash(const QString& path) override {
        calls << QStringLiteral("trash ") + path;
        return QFile::remove(path);
    }
    QStringList calls;
};

}  // namespace tilebay::testing
