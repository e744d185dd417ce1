#pragma once

// The owner of the panel window for the whole run: loads it (with its
// splash), closes it with its closing steps, builds it anew for the style
// loader, and ends the program when the panel closes while the style loader
// is not visible.
//
// A panel load lets window events run while it fills its list, so a close
// asked for meanwhile (a signal, the style loader) waits until the load has
// ended instead of destroying the window under it.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include "tilebay/panel/window/desktop_main.h"
#include "tilebay/platform/sound/sequencer.h"
#include "tilebay/styles/loadfrm.h"
#include "tilebay/styles/style_loader_panel.h"
#include "tilebay/styles/styleloaderfrm.h"

namespace tilebay {

// Tells the user something the panel refused to do: a box with the plain
// text that does not wait for an answer (the panel goes on; a drop is not
// held up), and the same text on stderr.
void ShowNotice(const QString& text);

class PanelController : public QObject, public PanelHost, public StyleLoaderPanel {
    Q_OBJECT
public:
    using SequencerFactory = std::function<std::unique_ptr<SequencerDevice>()>;
    PanelController(QString programFolder, PanelServices& services, SequencerFactory makeSequencer,
                    QObject* parent = nullptr);
    ~PanelController() override;

    DesktopMain* Panel() const { return panel_; }
    styleloaderfrm* StyleLoader() const { return styleLoader_; }
    bool IsStyleLoaderVisible() const;

    // A termination signal: the taskbar and the desktop icons are shown
    // again, then the program ends; options.ini is not touched.
    void Terminate();

    // StyleLoaderPanel
    QColor closeButtonTextColour() override;
    QColor panelBackgroundColour() override;
    void closePanel() override;
    void loadPanel() override;
    void showPanel() override;

    // PanelHost
    void ShowSplash() override;
    void CloseSplash() override;
    void OpenStyleLoader() override;
    void ClosePanel() override { closePanel(); }
    DesktopActions* Desktop() override { return desktop_; }

    // The desktop's services for the panel's context menu.
    void SetDesktopActions(DesktopActions* desktop) { desktop_ = desktop; }
    // `tilebay --toggle` reached this panel.
    void Toggle();

Q_SIGNALS:
    // The program is to end with this exit code.
    void finished(int exitCode);

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void DropPanel();

    QString programFolder_;
    PanelServices& services_;
    SequencerFactory makeSequencer_;
    StyleSettings style_;  // carries over from one load to the next
    QPointer<DesktopMain> panel_;
    QPointer<loadfrm> splash_;
    QPointer<styleloaderfrm> styleLoader_;
    bool loading_ = false;
    bool closeAfterLoad_ = false;
    bool terminateAfterLoad_ = false;
    bool ended_ = false;
    DesktopActions* desktop_ = nullptr;
};

}  // namespace tilebay
