#include "tilebay/panel/window/desktop_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>

#include <cmath>

#include "common/widgets/twips.h"
#include "tilebay/panel/window/item_menu.h"
#include "tilebay/panel/window/panel_drop.h"

namespace tilebay {

namespace {

// An option the desktop cannot carry out stays visible, disabled, saying why
// (`why` empty: the box stays as it is).
void ShowUnavailable(QCheckBox* box, const QString& why) {
    if (!why.isEmpty()) {
        box->setEnabled(false);
        box->setToolTip(why);
    }
}

}  // namespace

DesktopMain::DesktopMain(QString programFolder, StyleSettings& style, PanelServices& services,
                         PanelHost& host, std::unique_ptr<SequencerDevice> sequencer,
                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
      host_(host),
      controls_(this),
      lvwIcons_(controls_.List()),
      MMControl1(std::move(sequencer)),
      keyboard_(controls_),
      services_(services),
      logic_(std::move(programFolder), style, *this, services) {
    setObjectName(QStringLiteral("DesktopMain"));
    setWindowTitle(QStringLiteral("Tilebay"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);
    setFont(verdana);
    setAutoFillBackground(true);

    lvwIcons_->installEventFilter(this);
    setAcceptDrops(true);

    // Moves without a pressed button reach only widgets that track the
    // mouse: the window's own surface, the caption strip and the border
    // strips. Every other control swallows them.
    using C = PanelControl;
    setMouseTracking(true);
    for (C tracked : {C::titlecap, C::borderleft, C::borderright, C::borderbottom}) {
        Control(tracked)->setMouseTracking(true);
        Control(tracked)->installEventFilter(this);
    }
    Control(C::closebtn)->installEventFilter(this);
    Control(C::loadstylesbtn)->installEventFilter(this);

    for (const PanelControlRow& row : kPanelControls) {
        if (row.option) {
            const PanelControl which = row.control;
            connect(controls_.Box(which), &QCheckBox::toggled, this,
                    [this, which] { logic_.OnCheckClick(which); });
        }
    }
    connect(lvwIcons_, &QTreeWidget::itemDoubleClicked, this,
            [this] { logic_.OnListDoubleClick(); });
    connect(lvwIcons_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        keyboard_.Select(item != nullptr ? std::optional<int>(lvwIcons_->indexOfTopLevelItem(item))
                                         : std::nullopt);
    });
    connect(lvwIcons_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* item = lvwIcons_->itemAt(pos)) {
            lvwIcons_->setCurrentItem(item);
            ShowContextMenu(lvwIcons_->viewport()->mapToGlobal(pos));
        }
    });
    // A press anywhere on the panel raises it, as clicking any window does;
    // with "Always On Top" off it would otherwise never come to the front.
    qApp->installEventFilter(this);
    dock_ = new PanelDock(services_.shell, this, [this] { Retract(); });
    ShowUnavailable(controls_.Box(C::Check2), services_.shell.TaskbarUnavailable());
    ShowUnavailable(controls_.Box(C::Check3), services_.shell.DesktopIconsUnavailable());
    controls_.PlaceAsDesigned();
}

DesktopMain::~DesktopMain() = default;

void DesktopMain::Form_Load() {
    logic_.Load();
    dock_->Remember();
}

QColor DesktopMain::BackgroundColour() const {
    return palette().color(QPalette::Window);
}

void DesktopMain::MoveWindow(double leftTwips, double topTwips) {
    move(common::TwipsToPixels(leftTwips, logicalDpiX()),
         common::TwipsToPixels(topTwips, logicalDpiY()));
}

std::optional<double> DesktopMain::ScreenWidthTwips() const {
    const std::optional<QRect> dock = DockGeometry();
    if (!dock) {
        return std::nullopt;
    }
    return common::PixelsToTwips(dock->width(), logicalDpiX());
}

QPointF DesktopMain::ScreenOriginTwips() const {
    const std::optional<QRect> dock = DockGeometry();
    if (!dock) {
        return {};
    }
    return {common::PixelsToTwips(dock->x(), logicalDpiX()),
            common::PixelsToTwips(dock->y(), logicalDpiY())};
}

void DesktopMain::SetChecked(PanelControl box, bool checked) {
    controls_.Box(box)->setChecked(checked);
}

bool DesktopMain::IsChecked(PanelControl box) const {
    return controls_.Box(box)->isChecked();
}

void DesktopMain::AddColumn(const QString& key, const QString& text) {
    columnKeys_.append(key);
    lvwIcons_->setColumnCount(static_cast<int>(columnKeys_.size()));
    lvwIcons_->headerItem()->setText(static_cast<int>(columnKeys_.size()) - 1, text);
    lvwIcons_->setHeaderHidden(false);
}

void DesktopMain::ShowItems(const DesktopItemList& list) {
    lvwIcons_->setUpdatesEnabled(false);
    lvwIcons_->clear();
    for (const ItemRow& row : list.rows) {
        lvwIcons_->addTopLevelItem(lvwIcons_->MakeRow(list, row));
    }
    lvwIcons_->setUpdatesEnabled(true);
    lvwIcons_->setVisible(list.visible);
    keyboard_.SyncRows();
}

// Only the rows that changed are replaced: the others keep their selection.
void DesktopMain::ReplaceRows(const DesktopItemList& list, const RowChanges& changes) {
    lvwIcons_->setUpdatesEnabled(false);
    for (const int at : changes.removed) {
        delete lvwIcons_->takeTopLevelItem(at);
    }
    for (const int at : changes.inserted) {
        lvwIcons_->insertTopLevelItem(
            at, lvwIcons_->MakeRow(list, list.rows.at(static_cast<std::size_t>(at))));
    }
    lvwIcons_->setUpdatesEnabled(true);
    keyboard_.SyncRows();
}

void DesktopMain::PlayMusic(const QString& path) {
    if (MMControl1) {
        PlayOnSequencer(*MMControl1, path);
    }
}

std::optional<RowEntry> DesktopMain::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = lvwIcons_->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return PanelList::Row(selected.first());
}

bool DesktopMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        BringToFront();
    }
    if (watched == lvwIcons_ && event->type() == QEvent::KeyPress) {
        return HandleKey(static_cast<QKeyEvent*>(event)) || QWidget::eventFilter(watched, event);
    }
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this) {
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseMove) {
        // Handled here and not passed on: a strip's move must not reach the
        // window's surface, whose own handler would expand it again.
        if (watched == Control(PanelControl::titlecap)) {
            logic_.ExpandPanel();
            return true;
        }
        if (watched == Control(PanelControl::borderleft) ||
            watched == Control(PanelControl::borderright) ||
            watched == Control(PanelControl::borderbottom)) {
            Retract();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* label = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (watched == Control(PanelControl::closebtn)) {
                host_.ClosePanel();
                return true;
            }
            if (watched == Control(PanelControl::loadstylesbtn)) {
                host_.OpenStyleLoader();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DesktopMain::mouseMoveEvent(QMouseEvent* event) {
    logic_.ExpandPanel();
    QWidget::mouseMoveEvent(event);
}

void DesktopMain::closeEvent(QCloseEvent* event) {
    // Closing always goes through the owner, which runs the closing steps
    // and then destroys this window.
    event->ignore();
    host_.ClosePanel();
}

void DesktopMain::Toggle() {
    if (logic_.InView()) {
        Retract();
        return;
    }
    logic_.ExpandPanel();
    show();
    BringToFront();
    services_.shell.TakeFocus(winId());
    keyboard_.Take();
}

// Qt's raise for every platform, and the shell effects' own: on X11 they
// keep the window's band from the events on their connection, and only
// theirs can tell which of those events came after this raise.
void DesktopMain::BringToFront() {
    raise();
    services_.shell.Raise(winId());
}

void DesktopMain::Retract() {
    dock_->Remember();
    logic_.RetractPanel();
    if (keyboard_.Release()) {
        services_.shell.ReturnFocus();
    }
}

bool DesktopMain::HandleKey(QKeyEvent* event) {
    const std::optional<KeyOutcome> outcome = keyboard_.Press(*event);
    if (!outcome) {
        return false;
    }
    switch (*outcome) {
        case KeyOutcome::Ignored:
        case KeyOutcome::SelectionMoved:
        case KeyOutcome::FilterChanged:
            break;
        case KeyOutcome::Activate:
            logic_.OnListDoubleClick();
            break;
        case KeyOutcome::OpenMenu:
            if (QTreeWidgetItem* item = lvwIcons_->currentItem()) {
                const QRect row = lvwIcons_->visualItemRect(item);
                ShowContextMenu(lvwIcons_->viewport()->mapToGlobal(row.center()));
            }
            break;
        case KeyOutcome::Retract:
            Retract();
            break;
    }
    return true;
}

void DesktopMain::ShowContextMenu(const QPoint& globalPos) {
    const std::optional<RowEntry> row = SelectedRow();
    if (!row) {
        return;
    }
    delete menu_;
    menu_ = MakeItemMenu(
        this, *row, [this] { return host_.Desktop(); },
        [this](const RowEntry& item) { logic_.StartRow(item); },
        [this](const RowEntry& item, ItemChange change) {
            if (change == ItemChange::ItemGone) {
                lvwIcons_->RemoveRow(item);
                keyboard_.SyncRows();
            }
        });
    menu_->popup(globalPos);
}

std::vector<DropResult> DesktopMain::DropFiles(const QList<QUrl>& urls, bool move) {
    return DropOnDesktop(services_, urls, move);
}

// A drag reaching the retracted panel drops it into view, so the drop can go
// anywhere on it.
void DesktopMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && event->source() == nullptr) {
        logic_.ExpandPanel();
        event->acceptProposedAction();
    }
}

void DesktopMain::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls() && event->source() == nullptr) {
        event->acceptProposedAction();
    }
}

void DesktopMain::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls() || event->source() != nullptr) {
        return;
    }
    const bool move = DropMoves(*event);
    DropFiles(event->mimeData()->urls(), move);
    event->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
}

}  // namespace tilebay
