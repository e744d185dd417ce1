#pragma once

// The panel window's behaviour without widgets: its load, the layout
// arithmetic, docking (retract / expand), the option boxes, the double-click
// and the closing steps. The window (DesktopMain) implements PanelView and
// forwards its events here; tests drive the logic through a fake view.
//
// Geometry is kept in twips, as designed; the view turns it into pixels with
// the screen's logical resolution (15 twips a pixel at 96 dpi).

#include <QtGui/qwindowdefs.h>
#include <QColor>
#include <QRectF>
#include <QString>

#include <array>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>

#include "tilebay/panel/core/option_toggle.h"
#include "tilebay/panel/items/desktop_items.h"
#include "tilebay/panel/items/item_activation.h"
#include "tilebay/panel/items/live_desktop.h"
#include "tilebay/platform/shell/shell_effects.h"
#include "tilebay/settings/style_settings.h"

namespace tilebay {

enum class PanelControl {
    Window,  // the panel window itself
    closebtn,
    loadstylesbtn,
    Check1,  // "Always On Top"
    Check2,  // "Hide/Show Taskbar"
    Check3,  // "Hide/Show Desktop icons"
    lvwIcons,
    titlecap,
    borderleft,
    borderright,
    borderbottom,
};

// The panel's controls, one row each in PanelControl's order: the design
// geometry in twips (x, y, width, height; the window's rectangle is its
// client area at the origin) and, for an option box, the option it switches.
struct PanelControlRow {
    PanelControl control;
    QRectF design;
    std::optional<PanelOption> option;
};

inline constexpr PanelControlRow kPanelControls[] = {
    {PanelControl::Window, {0, 0, 3525, 5685}, std::nullopt},
    {PanelControl::closebtn, {2880, 0, 615, 255}, std::nullopt},
    {PanelControl::loadstylesbtn, {3240, 240, 135, 135}, std::nullopt},
    {PanelControl::Check1, {240, 120, 2655, 255}, PanelOption::AlwaysOnTop},
    {PanelControl::Check2, {240, 480, 3015, 255}, PanelOption::Taskbar},
    {PanelControl::Check3, {240, 840, 3015, 255}, PanelOption::Icons},
    {PanelControl::lvwIcons, {240, 1200, 3015, 4215}, std::nullopt},
    {PanelControl::titlecap, {240, 5400, 3015, 195}, std::nullopt},
    {PanelControl::borderleft, {0, 0, 40, 5655}, std::nullopt},
    {PanelControl::borderright, {3480, 0, 45, 5655}, std::nullopt},
    {PanelControl::borderbottom, {0, 5640, 4455, 45}, std::nullopt},
};

inline constexpr int kPanelControlCount = static_cast<int>(std::size(kPanelControls));

constexpr bool RowsInControlOrder() {
    for (int i = 0; i < kPanelControlCount; ++i) {
        if (static_cast<int>(kPanelControls[i].control) != i) {
            return false;
        }
    }
    return true;
}
static_assert(RowsInControlOrder(), "kPanelControls lists every control in PanelControl's order");

inline const PanelControlRow& ControlRow(PanelControl control) {
    return kPanelControls[static_cast<int>(control)];
}

// The control's design geometry in twips.
inline QRectF DesignGeometry(PanelControl control) {
    return ControlRow(control).design;
}

// A load step that cannot go on: the step's remaining operations are
// skipped, and the load goes on with the next step.
struct StepFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What the logic needs of the window. A call made in a load step may fail by
// throwing StepFailed; the step is then skipped.
class PanelView {
public:
    virtual ~PanelView() = default;
    // Loads the splash window and shows it, not modal; closes it.
    virtual void ShowSplash() = 0;
    virtual void CloseSplash() = 0;
    virtual void SetTextColour(PanelControl control, const QColor& colour) = 0;
    virtual void SetBackColour(PanelControl control, const QColor& colour) = 0;
    virtual QColor BackColour(PanelControl control) const = 0;
    // Only the face changes; size and style stay.
    virtual void SetFontFace(PanelControl control, const QString& face) = 0;
    virtual void SetCaption(PanelControl control, const QString& text) = 0;
    // Places a control (for Window: sets the window's size; its position is
    // set by MoveWindow).
    virtual void SetGeometry(PanelControl control, const QRectF& twips) = 0;
    virtual void MoveWindow(double leftTwips, double topTwips) = 0;
    // The dock screen's width; nullopt without any screen.
    virtual std::optional<double> ScreenWidthTwips() const = 0;
    // The top left corner of the screen the panel docks on, in twips of the
    // whole desktop.
    virtual QPointF ScreenOriginTwips() const { return {}; }
    virtual WId WindowId() = 0;
    // Checking a box by program runs its click handler when its state
    // changes, as a user's click does.
    virtual void SetChecked(PanelControl box, bool checked) = 0;
    virtual bool IsChecked(PanelControl box) const = 0;
    virtual void AddColumn(const QString& key, const QString& text) = 0;
    // Shows the rows and images of the item list as they are now.
    virtual void ShowItems(const DesktopItemList& list) = 0;
    // The desktop changed: `list` holds the new rows, and `changes` turns the
    // rows shown so far into them (see live_desktop.h).
    virtual void ReplaceRows(const DesktopItemList& list, const RowChanges& changes) {
        (void)changes;
        ShowItems(list);
    }
    // The selected row (its text and the folder it was collected from), or
    // nullopt when no row is selected.
    virtual std::optional<RowEntry> SelectedRow() const = 0;
    // Gives the five commands of PlayMusic to MMControl1.
    virtual void PlayMusic(const QString& path) = 0;
    virtual void ShowWindow() = 0;
};

// The services of the panel beyond its window.
struct PanelServices {
    ShellEffects& shell;
    FileIconSource& icons;
    EventPause& pause;
    LoginNameSource& login;
    DesktopFolders& folders;
    RunService& run;
    // Makes the watcher that keeps the list live after each load; none: the
    // list stays as loaded.
    std::function<std::unique_ptr<FolderWatcher>()> makeWatcher = nullptr;
    // Tells the user what the panel refused to do (an item it would not
    // start, entries of a drop it did not copy); none: nothing is told.
    std::function<void(const QString&)> notify = nullptr;
};

// The colour to draw text of colour `text` in on `face`: `text` itself when
// the two contrast at least 3:1 (relative luminance, as for readable
// interface text), otherwise black or white, whichever contrasts more.
QColor ReadableTextColour(const QColor& text, const QColor& face);
double ContrastRatio(const QColor& a, const QColor& b);

// Where RetractPanel puts the window, or nullopt for a dock position other
// than 1, 2 or 3 (the window stays where it is).
std::optional<QPointF> RetractedPosition(int dockPosition, double titlecapTop, double screenWidth,
                                         double windowWidth);

class PanelLogic {
public:
    // `style` outlives the window: its values carry over from one load of the
    // panel to the next within a run.
    PanelLogic(QString programFolder, StyleSettings& style, PanelView& view,
               PanelServices& services);

    // The panel's load, 27 steps, each guarded alone.
    void Load();
    // Moves the window to its retracted place; false without any screen.
    bool RetractPanel();
    void ExpandPanel();
    // The click handler of an option box (Check1, Check2 or Check3).
    void OnCheckClick(PanelControl box);
    // The double-click on the list.
    void OnListDoubleClick();
    // The double-click's trusted start for the row `row` (the context menu's
    // "Open" of a launcher or program).
    void StartRow(const RowEntry& row);
    // The first two closing steps: the taskbar and the desktop icons shown
    // again. Ending the program is the owner's third step.
    void RunClosingEffects();
    // The program is ending while the load runs (a termination signal
    // arrived in one of its pauses): the item collection stops after the
    // entry it is at, and the load goes quickly to its end.
    void CancelLoad() { cancelled_ = true; }

    const DesktopItemList& Items() const { return items_; }
    // The live desktop, once the load has collected the list (and a watcher
    // was given).
    LiveDesktop* Live() const { return live_.get(); }
    double WindowTop() const { return windowTop_; }
    // True while the panel is dropped into view (its top at the screen's).
    bool InView() const;
    double WindowLeft() const { return windowLeft_; }
    const QRectF& Geometry(PanelControl control) const {
        return geometry_[static_cast<std::size_t>(control)];
    }
    // Numbers (1..27) of the load steps that failed and were skipped.
    const std::vector<int>& SkippedSteps() const { return skipped_; }

private:
    void Step(int number, const std::function<void()>& body);
    void ReadKey(StyleKey key);
    QColor Colour(qint16 red, qint16 green, qint16 blue) const;
    void Place(PanelControl control, const QRectF& rect);
    void MoveTo(double left, double top);
    void StartLiveDesktop(const QString& userDesktop);

    QString programFolder_;
    StyleSettings& style_;
    PanelView& view_;
    PanelServices& services_;
    DesktopItemList items_;
    std::array<QRectF, kPanelControlCount> geometry_;
    double windowLeft_ = 0;
    double windowTop_ = 0;
    std::vector<int> skipped_;
    std::unique_ptr<LiveDesktop> live_;
    bool cancelled_ = false;
};

}  // namespace tilebay
