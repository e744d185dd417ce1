#include "tilebay/styles/style_loader_logic.h"

#include <utility>

#include "common/ini/ini.h"
#include "tilebay/settings/style_settings.h"

namespace tilebay {

std::optional<QString> StoredStyleFolder(const QString& selectedPath, const QString& currentPath) {
    const qsizetype extra = selectedPath.size() - currentPath.size();
    if (extra < 0) {
        return std::nullopt;
    }
    return selectedPath.right(extra);
}

StyleLoaderLogic::StyleLoaderLogic(QString programFolder, StyleLoaderPanel& panel,
                                   StyleLoaderView& view)
    : programFolder_(std::move(programFolder)), panel_(panel), view_(view) {}

void StyleLoaderLogic::Form_Load() {
    view_.setLabelTextColour(panel_.closeButtonTextColour());
    view_.setBackgroundColour(panel_.panelBackgroundColour());
    if (!folders_.setPath(programFolder_ + QStringLiteral("\\styles"))) {
        folders_.setPathWithoutSubfolders(programFolder_);
    }
    view_.showFolders();
}

void StyleLoaderLogic::Refresh() {
    folders_.refresh();
    view_.showFolders();
}

void StyleLoaderLogic::Load() {
    if (loading_) {
        return;
    }
    loading_ = true;
    panel_.closePanel();
    const std::optional<QString> folder =
        StoredStyleFolder(folders_.entryPath(folders_.listIndex()), folders_.path());
    if (folder) {
        common::WriteIniValue(QStringLiteral("STYLE"), QStringLiteral("stylename"), *folder,
                              StyleChoiceFile(programFolder_));
    }
    panel_.loadPanel();
    panel_.showPanel();
    loading_ = false;
    view_.closeWindow();
}

}  // namespace tilebay
