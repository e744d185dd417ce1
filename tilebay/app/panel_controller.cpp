#include "tilebay/app/panel_controller.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include "common/ini/ini.h"

namespace tilebay {

void ShowNotice(const QString& text) {
    qWarning().noquote() << text;
    // Shown once the event that led here is over (a drop, a double-click).
    QTimer::singleShot(0, qApp, [text] {
        auto* box =
            new QMessageBox(QMessageBox::Warning,
                            QCoreApplication::translate("tilebay::ShowNotice", "Tilebay - Notice"),
                            text, QMessageBox::Ok);
        // A message box is application modal unless told otherwise; this one
        // must not block the panel.
        box->setWindowModality(Qt::NonModal);
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setAttribute(Qt::WA_ShowWithoutActivating);
        box->setWindowFlag(Qt::WindowStaysOnTopHint);
        box->show();
    });
}

PanelController::PanelController(QString programFolder, PanelServices& services,
                                 SequencerFactory makeSequencer, QObject* parent)
    : QObject(parent),
      programFolder_(std::move(programFolder)),
      services_(services),
      makeSequencer_(std::move(makeSequencer)) {}

PanelController::~PanelController() {
    // The style loader hides while it is destroyed: that is no closing of
    // it any more.
    if (styleLoader_) {
        styleLoader_->removeEventFilter(this);
    }
    delete panel_;
    delete splash_;
    delete styleLoader_;
}

bool PanelController::IsStyleLoaderVisible() const {
    return styleLoader_ && styleLoader_->isVisible();
}

QColor PanelController::closeButtonTextColour() {
    return panel_ ? panel_->CloseButtonTextColour() : QColor();
}

QColor PanelController::panelBackgroundColour() {
    return panel_ ? panel_->BackgroundColour() : QColor();
}

void PanelController::loadPanel() {
    if (ended_) {
        return;
    }
    DropPanel();
    panel_ = new DesktopMain(programFolder_, style_, services_, *this,
                             makeSequencer_ ? makeSequencer_() : nullptr);
    // [OPTIONS] screen: the RandR output to dock on; empty, the primary one.
    panel_->SetScreenName(common::ReadIniValue(QStringLiteral("OPTIONS"), QStringLiteral("screen"),
                                               programFolder_ + QStringLiteral("/options.ini")));
    loading_ = true;
    panel_->Form_Load();
    loading_ = false;
    if (terminateAfterLoad_) {
        Terminate();
    } else if (closeAfterLoad_) {
        closeAfterLoad_ = false;
        closePanel();
    }
}

void PanelController::Toggle() {
    if (panel_ && !loading_ && !ended_) {
        panel_->Toggle();
    }
}

void PanelController::showPanel() {
    if (panel_) {
        panel_->show();
    }
}

void PanelController::closePanel() {
    if (loading_) {
        closeAfterLoad_ = true;
        return;
    }
    if (panel_) {
        panel_->Logic().RunClosingEffects();
    } else {
        services_.shell.ShowTaskbar(true);
        services_.shell.ShowDesktopIcons(true);
    }
    DropPanel();
    if (!IsStyleLoaderVisible()) {
        ended_ = true;
        Q_EMIT finished(0);
    }
}

void PanelController::Terminate() {
    if (loading_) {
        // The load ends soon after (its collection stops), then the program.
        terminateAfterLoad_ = true;
        if (panel_) {
            panel_->Logic().CancelLoad();
        }
        return;
    }
    if (ended_) {
        return;
    }
    services_.shell.ShowTaskbar(true);
    services_.shell.ShowDesktopIcons(true);
    DropPanel();
    ended_ = true;
    Q_EMIT finished(0);
}

// The window may be inside one of its own handlers (the "Close" label):
// hide it now, stop its sound, and delete it once control is back in the
// event loop.
void PanelController::DropPanel() {
    if (panel_) {
        panel_->ReleaseSound();
        panel_->hide();
        panel_->deleteLater();
        panel_ = nullptr;
    }
}

void PanelController::ShowSplash() {
    delete splash_;
    splash_ = new loadfrm(programFolder_, services_.shell);
    splash_->Form_Load();
    splash_->show();
}

void PanelController::CloseSplash() {
    if (splash_) {
        splash_->close();
        splash_->deleteLater();
        splash_ = nullptr;
    }
}

// A closed style loader is gone (its "Load" and its frame both close it), so
// the next opening loads a new one with the panel's colours of that moment.
void PanelController::OpenStyleLoader() {
    if (!styleLoader_) {
        styleLoader_ = new styleloaderfrm(programFolder_, *this);
        styleLoader_->setAttribute(Qt::WA_DeleteOnClose);
        styleLoader_->installEventFilter(this);
        styleLoader_->Form_Load();
    }
    styleLoader_->show();
    // A utility window: taskbars and pagers leave it out.
    services_.shell.LeaveOutOfTaskbar(styleLoader_->winId());
    styleLoader_->raise();
    styleLoader_->activateWindow();
}

// The style loader closed by its frame after the panel was closed leaves no
// window: the program ends, as it does whenever its last window closes.
bool PanelController::eventFilter(QObject* watched, QEvent* event) {
    // The type first: while the loader is being destroyed its events must not
    // reach the pointer's cast to the loader's class.
    if (event->type() == QEvent::Hide && watched == styleLoader_ && !panel_ && !loading_ &&
        !ended_) {
        ended_ = true;
        Q_EMIT finished(0);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tilebay
