#include "tilebay/app/panel_controller.h"

#include <QEvent>

#include "common/ini/ini.h"

namespace tilebay {

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
        terminateAfterLoad_ = true;
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
