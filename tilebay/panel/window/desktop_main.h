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
#include <QTreeWidget>
#include <QWidget>

#include <memory>

#include "panel_logic.h"
#include "sequencer.h"

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
    void Form_Load() { logic_.Load(); }
    PanelLogic& Logic() { return logic_; }
    // Stops and drops MMControl1 (the window is closing).
    void ReleaseSound() { MMControl1.reset(); }

    QColor CloseButtonTextColour() const;
    QColor BackgroundColour() const;
    QWidget* Control(PanelControl control) const;

    // PanelView
    void ShowSplash() override { host_.ShowSplash(); }
    void CloseSplash() override { host_.CloseSplash(); }
    void SetTextColour(PanelControl control, const QColor& colour) override;
    void SetBackColour(PanelControl control, const QColor& colour) override;
    QColor BackColour(PanelControl control) const override;
    void SetFontFace(PanelControl control, const QString& face) override;
    void SetCaption(PanelControl control, const QString& text) override;
    void SetGeometry(PanelControl control, const QRectF& twips) override;
    void MoveWindow(double leftTwips, double topTwips) override;
    double ScreenWidthTwips() const override;
    WId WindowId() override { return winId(); }
    void SetChecked(PanelControl box, bool checked) override;
    bool IsChecked(PanelControl box) const override;
    void AddColumn(const QString& key, const QString& text) override;
    void ShowItems(const DesktopItemList& list) override;
    void ReplaceRows(const DesktopItemList& list, const RowChanges& changes) override;
    std::optional<QString> SelectedRowText() const override;
    void PlayMusic(const QString& path) override;
    void ShowWindow() override { show(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QRect ToPixels(const QRectF& twips) const;
    QCheckBox* Box(PanelControl box) const;
    QTreeWidgetItem* MakeRow(const DesktopItemList& list, const ItemRow& row) const;

    PanelHost& host_;
    QLabel* closebtn_;
    QLabel* loadstylesbtn_;
    QCheckBox* check1_;
    QCheckBox* check2_;
    QCheckBox* check3_;
    QTreeWidget* lvwIcons_;
    QLabel* titlecap_;
    QLabel* borderleft_;
    QLabel* borderright_;
    QLabel* borderbottom_;
    std::unique_ptr<SequencerDevice> MMControl1;
    QStringList columnKeys_;
    PanelLogic logic_;
};

}  // namespace tilebay
