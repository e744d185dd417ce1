#pragma once

// The overwrite and offline dialogs as Qt message boxes and input dialogs,
// and the environment that the DownLoad widget uses by default.

#include <QPointer>
#include <QWidget>

#include <memory>

#include "patchwell/download/control/download_environment.h"

namespace patchwell::download {

class QtDownLoadDialogs : public DownLoadDialogs {
public:
    // Dialogs are centred on `parent` when it is given (and still alive).
    explicit QtDownLoadDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    MessageAnswer MessageBox(const QString& text, const QString& title, MessageButtons buttons,
                             MessageIcon icon) override;
    QString InputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;

private:
    QPointer<QWidget> parent_;
};

// SystemDownLoadEnvironment with Qt dialogs.
std::shared_ptr<DownLoadEnvironment> MakeWidgetEnvironment(QWidget* dialogParent = nullptr);

}  // namespace patchwell::download
