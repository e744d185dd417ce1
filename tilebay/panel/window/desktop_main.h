#pragma once

// DesktopMain, the panel window: a frameless drawer hanging from the top
// screen edge. It holds the controls and turns their events into calls of
// PanelLogic; the behaviour lives there.
//
// On X11 the window is override-redirect: no window manager moves it back on
// screen when it is retracted above the top edge, so exactly the caption
// strip and what lies below it shows, and it never appears in a taskbar.

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

#include "tilebay/panel/core/item_actions.h"
#include "tilebay/panel/core/panel_logic.h"
#include "tilebay/panel/window/panel_controls.h"
#include "tilebay/panel/window/panel_dock.h"
#include "tilebay/panel/window/panel_keyboard.h"
#include "tilebay/panel/window/panel_list.h"
#include "tilebay/platform/shell/desktop_actions.h"
#include "tilebay/platform/sound/sequencer.h"

namespace tilebay {

// What the panel window needs of its owner: the splash, the style loader and
// the end of the window.
class PanelHost {
public:
    virtual ~PanelHost() = default;
    virtual void ShowSplash() = 0;
    virtual void CloseSplash() = 0;
    virtual void OpenStyleLoader() = 0;
    // The window is to close: the owner runs the closing steps.
    virtual void ClosePanel() = 0;
    // The desktop's services for the context menu (none: the menu's actions
    // do nothing).
    virtual DesktopActions* Desktop() { return nullptr; }
};

class DesktopMain : public QWidget, public PanelView {
    Q_OBJECT
public:
    // `sequencer` becomes MMControl1, the player of the start-up sound; it
    // goes with the window.
    DesktopMain(QString programFolder, StyleSettings& style, PanelServices& services,
                PanelHost& host, std::unique_ptr<SequencerDevice> sequencer,
                QWidget* parent = nullptr);
    ~DesktopMain() override;

    // The panel's load.
    void Form_Load();
    PanelLogic& Logic() { return logic_; }
    // Stops and drops MMControl1 (the window is closing).
    void ReleaseSound() { MMControl1.reset(); }

    // The screen to dock on, from options.ini; empty: the primary screen.
    // The panel docks again whenever screens come, go or change size.
    void SetScreenName(const QString& name) { dock_->SetScreenName(name); }
    QScreen* DockScreen() const { return dock_->Screen(); }
    // The dock screen's geometry in pixels.
    std::optional<QRect> DockGeometry() const { return dock_->Geometry(); }
    // `tilebay --toggle`: drops the panel into view with the keyboard, or
    // retracts it when it is in view.
    void Toggle();
    // Retracts the panel and gives the keyboard back when it had it.
    void Retract();
    bool HasKeyboard() const { return keyboard_.Has(); }
    const ListKeyboard& Keyboard() const { return keyboard_.State(); }
    // Pops up the context menu of the selected row at `globalPos`; while it
    // is open it is ContextMenu().
    void ShowContextMenu(const QPoint& globalPos);
    // Files dropped onto the panel: copied (moved with `move`) into the
    // user's desktop folder.
    std::vector<DropResult> DropFiles(const QList<QUrl>& urls, bool move);
    QMenu* ContextMenu() const { return menu_.data(); }

    QColor CloseButtonTextColour() const { return controls_.CloseButtonTextColour(); }
    QColor BackgroundColour() const;
    QWidget* Control(PanelControl control) const { return controls_.Control(control); }

    // PanelView
    void ShowSplash() override { host_.ShowSplash(); }
    void CloseSplash() override { host_.CloseSplash(); }
    void SetTextColour(PanelControl control, const QColor& colour) override {
        controls_.SetTextColour(control, colour);
    }
    void SetBackColour(PanelControl control, const QColor& colour) override {
        controls_.SetBackColour(control, colour);
    }
    QColor BackColour(PanelControl control) const override { return controls_.BackColour(control); }
    void SetFontFace(PanelControl control, const QString& face) override {
        controls_.SetFontFace(control, face);
    }
    void SetCaption(PanelControl control, const QString& text) override {
        controls_.SetCaption(control, text, keyboard_.Filter());
    }
    void SetGeometry(PanelControl control, const QRectF& twips) override {
        controls_.SetGeometry(control, twips);
    }
    void MoveWindow(double leftTwips, double topTwips) override;
    std::optional<double> ScreenWidthTwips() const override;
    WId WindowId() override { return winId(); }
    void SetChecked(PanelControl box, bool checked) override;
    bool IsChecked(PanelControl box) const override;
    void AddColumn(const QString& key, const QString& text) override;
    void ShowItems(const DesktopItemList& list) override;
    void ReplaceRows(const DesktopItemList& list, const RowChanges& changes) override;
    std::optional<RowEntry> SelectedRow() const override;
    QPointF ScreenOriginTwips() const override;
    void PlayMusic(const QString& path) override;
    void ShowWindow() override { show(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Raises the window above the others (a click on it, the toggle).
    void BringToFront();
    bool HandleKey(QKeyEvent* event);

    PanelHost& host_;
    PanelControls controls_;
    PanelList* lvwIcons_;
    std::unique_ptr<SequencerDevice> MMControl1;
    QStringList columnKeys_;
    PanelKeyboard keyboard_;
    PanelDock* dock_;
    QPointer<QMenu> menu_;
    PanelServices& services_;
    PanelLogic logic_;
};

}  // namespace tilebay
