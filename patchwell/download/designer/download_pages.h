#pragma once

// The two design-time pages of the DownLoad control: DownLoad_Properties
// edits its six saved properties, About names the control and links to the
// project's pages. DownLoadPropertiesDialog puts the first into a dialog with
// OK, Apply and Cancel. None of them depends on a designer; the designer
// plugin hands them a PropertyAccess that writes through its undo stack.

#include <QDialog>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <vector>

#include "patchwell/download/designer/page_services.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace patchwell::download {

class DownLoad_Properties : public QWidget {
    Q_OBJECT

public:
    // Null `saveDialog` means the Qt file dialog.
    explicit DownLoad_Properties(QWidget* parent = nullptr,
                                 std::shared_ptr<SaveFileDialog> saveDialog = {});
    ~DownLoad_Properties() override;

    // The controls being edited: the page loads from the first and applies to
    // it. The pointers must outlive the page's use of them. Loading leaves the
    // page unchanged.
    void SetSelectedControls(std::vector<PropertyAccess*> controls);

    // Whether anything was edited since the last load or apply.
    bool Changed() const { return changed_; }

    // Writes the page to the first selected control: SaveLocation, CHUNK,
    // Url, KeepType, OnlineCheck, PromptOverwrite. A chunk size that is not a
    // whole number above 0 fails the apply before anything is written; the
    // page then shows why (ErrorText) and stays changed.
    bool ApplyChanges();
    QString ErrorText() const;

    // The three page flags, following the check boxes.
    bool KeepTypeFlag() const { return keepType_; }
    bool OnlineCheckFlag() const { return onlineCheck_; }
    bool PromptOverwriteFlag() const { return promptOverwrite_; }

    static QString SaveDialogTitle() { return QStringLiteral("Please choose a place to save."); }
    static QString SaveDialogFilter() { return QStringLiteral("(*.*) All Files|*.*"); }

Q_SIGNALS:
    // Raised on every edit.
    void changed();

private:
    void MarkChanged();
    void ChooseSaveLocation();
    // The page flag that follows `box`.
    bool& Flag(const QCheckBox* box);

    std::shared_ptr<SaveFileDialog> saveDialog_;
    std::vector<PropertyAccess*> controls_;
    bool changed_ = false;
    bool loading_ = false;
    bool keepType_ = false;
    bool onlineCheck_ = false;
    bool promptOverwrite_ = false;

    QLabel* lblUrl;
    QLineEdit* txtUrl;
    QLabel* lblSaveLocation;
    QLineEdit* txtSaveLocation;
    QPushButton* CSD;
    QLabel* lblCHUNK;
    QComboBox* ChunkCombo;
    QLabel* Label1;
    QCheckBox* Chkpreserve;
    QCheckBox* ChkOC;
    QCheckBox* ChkPC;
    QLabel* lblError;
    // The element of each saved property, in the order of the page's list.
    std::vector<QWidget*> elements_;
};

// DownLoad_Properties with OK, Apply (enabled once the page changed) and
// Cancel. OK applies and closes only when the apply succeeds.
class DownLoadPropertiesDialog : public QDialog {
    Q_OBJECT

public:
    DownLoadPropertiesDialog(PropertyAccess* control, QWidget* parent = nullptr,
                             std::shared_ptr<SaveFileDialog> saveDialog = {});
    DownLoad_Properties* page() const { return page_; }

private:
    DownLoad_Properties* page_;
    QDialogButtonBox* buttons_;
};

class About : public QWidget {
    Q_OBJECT

public:
    // Null `opener` means the desktop's browser.
    explicit About(QWidget* parent = nullptr, std::shared_ptr<UrlOpener> opener = {});

    static QUrl WebSiteAddress() { return QUrl(QStringLiteral("https://patchwell.example.org/")); }
    static QUrl VoteAddress() {
        return QUrl(QStringLiteral("https://patchwell.example.org/downloadcontrol/vote"));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void SetTextColour(QLabel* label, const QColor& colour);

    std::shared_ptr<UrlOpener> opener_;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
};

}  // namespace patchwell::download
