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
#include <stdexcept>

#include "common/widgets/text_fit.h"
#include "common/widgets/twips.h"
#include "tilebay/panel/window/item_menu.h"
#include "tilebay/panel/window/panel_drop.h"

namespace tilebay {

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QCheckBox* MakeBox(QWidget* parent, const QString& name, const QString& text) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

// An option the desktop cannot carry out stays visible, disabled, saying why
// (`why` empty: the box stays as it is).
void ShowUnavailable(QCheckBox* box, const QString& why) {
    if (!why.isEmpty()) {
        box->setEnabled(false);
        box->setToolTip(why);
    }
}

void SetRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

}  // namespace

DesktopMain::DesktopMain(QString programFolder, StyleSettings& style, PanelServices& services,
                         PanelHost& host, std::unique_ptr<SequencerDevice> sequencer,
                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
      host_(host),
      closebtn_(MakeLabel(this, QStringLiteral("closebtn"), tr("Close"))),
      loadstylesbtn_(MakeLabel(this, QStringLiteral("loadstylesbtn"), QString())),
      check1_(MakeBox(this, QStringLiteral("Check1"), tr("Always On Top"))),
      check2_(MakeBox(this, QStringLiteral("Check2"), tr("Hide/Show Taskbar"))),
      check3_(MakeBox(this, QStringLiteral("Check3"), tr("Hide/Show Desktop icons"))),
      lvwIcons_(new PanelList(this)),
      titlecap_(MakeLabel(this, QStringLiteral("titlecap"), QStringLiteral("Tilebay"))),
      borderleft_(MakeLabel(this, QStringLiteral("borderleft"), QString())),
      borderright_(MakeLabel(this, QStringLiteral("borderright"), QString())),
      borderbottom_(MakeLabel(this, QStringLiteral("borderbottom"), QString())),
      MMControl1(std::move(sequencer)),
      services_(services),
      logic_(std::move(programFolder), style, *this, services) {
    setObjectName(QStringLiteral("DesktopMain"));
    setWindowTitle(QStringLiteral("Tilebay"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);
    setFont(verdana);
    setAutoFillBackground(true);

    lvwIcons_->setObjectName(QStringLiteral("lvwIcons"));
    lvwIcons_->setRootIsDecorated(false);
    lvwIcons_->setColumnCount(0);
    lvwIcons_->setHeaderHidden(true);
    // The list takes the keyboard only when the panel is toggled into view
    // (an override-redirect window gets no focus from a window manager).
    lvwIcons_->setFocusPolicy(Qt::NoFocus);
    lvwIcons_->setIconSize(QSize(16, 16));
    lvwIcons_->setDragEnabled(true);
    lvwIcons_->setDragDropMode(QAbstractItemView::DragOnly);
    lvwIcons_->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwIcons_->installEventFilter(this);
    setAcceptDrops(true);

    // The labels that are strips keep a colour of their own; "Close" keeps
    // its design face, whatever the window's background becomes.
    for (QLabel* strip :
         {borderleft_, borderright_, borderbottom_, titlecap_, closebtn_, loadstylesbtn_}) {
        strip->setAutoFillBackground(true);
    }
    for (QCheckBox* box : {check1_, check2_, check3_}) {
        box->setAutoFillBackground(true);
    }
    SetRole(closebtn_, QPalette::Window, palette().color(QPalette::Button));
    SetRole(loadstylesbtn_, QPalette::Window, palette().color(QPalette::Button));
    // Its colour becomes the window's: a thin frame keeps the square findable.
    loadstylesbtn_->setFrameShape(QFrame::Box);

    // Moves without a pressed button reach only widgets that track the
    // mouse: the window's own surface, the caption strip and the border
    // strips. Every other control swallows them.
    setMouseTracking(true);
    for (QLabel* tracked : {titlecap_, borderleft_, borderright_, borderbottom_}) {
        tracked->setMouseTracking(true);
        tracked->installEventFilter(this);
    }
    closebtn_->installEventFilter(this);
    loadstylesbtn_->installEventFilter(this);

    using C = PanelControl;
    const std::pair<C, QWidget*> widgets[] = {{C::Window, this},
                                              {C::closebtn, closebtn_},
                                              {C::loadstylesbtn, loadstylesbtn_},
                                              {C::Check1, check1_},
                                              {C::Check2, check2_},
                                              {C::Check3, check3_},
                                              {C::lvwIcons, lvwIcons_},
                                              {C::titlecap, titlecap_},
                                              {C::borderleft, borderleft_},
                                              {C::borderright, borderright_},
                                              {C::borderbottom, borderbottom_}};
    for (const auto& [control, widget] : widgets) {
        controls_.at(static_cast<std::size_t>(control)) = widget;
    }
    for (const PanelControlRow& row : kPanelControls) {
        if (row.option) {
            const PanelControl which = row.control;
            connect(Box(which), &QCheckBox::toggled, this,
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
    ShowUnavailable(check2_, services_.shell.TaskbarUnavailable());
    ShowUnavailable(check3_, services_.shell.DesktopIconsUnavailable());

    for (const PanelControlRow& row : kPanelControls) {
        SetGeometry(row.control, row.design);
    }
    optionTexts_ = {check1_->text(), check2_->text(), check3_->text()};
    FitTexts();
}

DesktopMain::~DesktopMain() = default;

void DesktopMain::Form_Load() {
    logic_.Load();
    dock_->Remember();
}

QWidget* DesktopMain::Control(PanelControl control) const {
    return controls_.at(static_cast<std::size_t>(control));
}

QCheckBox* DesktopMain::Box(PanelControl box) const {
    if (!ControlRow(box).option) {
        throw std::invalid_argument("not an option box");
    }
    return static_cast<QCheckBox*>(Control(box));
}

QColor DesktopMain::CloseButtonTextColour() const {
    const QVariant style = closebtn_->property("styleColour");
    return style.isValid() ? style.value<QColor>()
                           : closebtn_->palette().color(QPalette::WindowText);
}

QColor DesktopMain::BackgroundColour() const {
    return palette().color(QPalette::Window);
}

void DesktopMain::SetTextColour(PanelControl control, const QColor& colour) {
    QWidget* widget = Control(control);
    if (control == PanelControl::closebtn) {
        // "Close" keeps its design face; a style colour that cannot be read
        // on it gives way to black or white. The style loader still takes
        // the style's colour (CloseButtonTextColour).
        closebtn_->setProperty("styleColour", colour);
        SetRole(widget, widget->foregroundRole(),
                ReadableTextColour(colour, closebtn_->palette().color(QPalette::Window)));
        return;
    }
    SetRole(widget, widget->foregroundRole(), colour);
    if (control == PanelControl::lvwIcons) {
        SetRole(widget, QPalette::Text, colour);
    }
}

// Labels and the window paint QPalette::Window, the check boxes their button
// role, the list its base.
void DesktopMain::SetBackColour(PanelControl control, const QColor& colour) {
    QWidget* widget = Control(control);
    SetRole(widget, control == PanelControl::lvwIcons ? QPalette::Base : widget->backgroundRole(),
            colour);
}

QColor DesktopMain::BackColour(PanelControl control) const {
    const QWidget* widget = Control(control);
    return widget->palette().color(control == PanelControl::lvwIcons ? QPalette::Base
                                                                     : widget->backgroundRole());
}

void DesktopMain::SetFontFace(PanelControl control, const QString& face) {
    QWidget* widget = Control(control);
    QFont font = widget->font();
    font.setFamilies({face});
    widget->setFont(font);
    if (control == PanelControl::closebtn || ControlRow(control).option) {
        FitTexts();
    } else if (control == PanelControl::titlecap) {
        PlaceCaption();
    }
}

// The design fits the English texts. A longer "Close" grows to the left (the
// first option box gives way to it); an option box whose text is too long
// breaks it into lines and grows downwards, moving the boxes below it and the
// top of the list down. The list's bottom, the caption strip and the window
// stay where they are.
void DesktopMain::FitTexts() {
    const QRect closeDesign = ToPixels(DesignGeometry(PanelControl::closebtn));
    QRect close = closeDesign;
    closebtn_->ensurePolished();
    const int closeNeeds =
        common::TextSize(closebtn_->fontMetrics(), closebtn_->text()).width() + 4;
    if (closeNeeds > close.width()) {
        close.setLeft(close.right() + 1 - closeNeeds);
    }
    closebtn_->setGeometry(close);

    int shift = 0;
    const PanelControl boxes[] = {PanelControl::Check1, PanelControl::Check2, PanelControl::Check3};
    for (std::size_t i = 0; i < std::size(boxes); ++i) {
        QRect rect = ToPixels(DesignGeometry(boxes[i])).translated(0, shift);
        if (i == 0 && close.left() < closeDesign.left()) {
            rect.setRight(std::min(rect.right(), close.left() - 1));
        }
        shift += common::FitOptionBox(*Box(boxes[i]), rect, optionTexts_.at(i));
    }
    listShift_ = shift;
    PlaceList();
}

// The caption strip is as high as its font needs: it grows upwards, into the
// gap above it, so that its bottom, the window and the retracted panel's
// visible strip stay where they are.
void DesktopMain::PlaceCaption() {
    QRect rect = ToPixels(captionTwips_);
    const int line = common::TextSize(titlecap_->fontMetrics(), QStringLiteral("X"), 100000,
                                      titlecap_->alignment())
                         .height();
    rect.setTop(std::min(rect.top(), rect.bottom() + 1 - line));
    titlecap_->setGeometry(rect);
}

void DesktopMain::PlaceList() {
    QRect rect = ToPixels(listTwips_);
    rect.setTop(std::min(rect.top() + listShift_, rect.bottom() + 1));
    lvwIcons_->setGeometry(rect);
}

void DesktopMain::SetCaption(PanelControl control, const QString& text) {
    if (control == PanelControl::titlecap) {
        caption_ = text;
        titlecap_->setText(CaptionWithFilter(caption_, keyboard_.Filter()));
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(Control(control))) {
        label->setText(text);
    }
}

QRect DesktopMain::ToPixels(const QRectF& twips) const {
    return common::TwipsToPixels(twips, logicalDpiX(), logicalDpiY());
}

void DesktopMain::SetGeometry(PanelControl control, const QRectF& twips) {
    const QRect rect = ToPixels(twips);
    if (control == PanelControl::Window) {
        setFixedSize(rect.size());
    } else if (control == PanelControl::lvwIcons) {
        listTwips_ = twips;
        PlaceList();
    } else if (control == PanelControl::titlecap) {
        captionTwips_ = twips;
        PlaceCaption();
    } else {
        Control(control)->setGeometry(rect);
    }
}

void DesktopMain::MoveWindow(double leftTwips, double topTwips) {
    const QPoint target = ToPixels(QRectF(leftTwips, topTwips, 0, 0)).topLeft();
    move(target);
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
    Box(box)->setChecked(checked);
}

bool DesktopMain::IsChecked(PanelControl box) const {
    return Box(box)->isChecked();
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
    SyncKeyboardRows();
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
    SyncKeyboardRows();
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
        if (watched == titlecap_) {
            logic_.ExpandPanel();
            return true;
        }
        if (watched == borderleft_ || watched == borderright_ || watched == borderbottom_) {
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
            if (watched == closebtn_) {
                host_.ClosePanel();
                return true;
            }
            if (watched == loadstylesbtn_) {
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

int DesktopMain::PageRows() const {
    const int row = lvwIcons_->sizeHintForRow(0);
    return row > 0 ? std::max(1, lvwIcons_->viewport()->height() / row) : 10;
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
    hasKeyboard_ = true;
    lvwIcons_->setFocusPolicy(Qt::StrongFocus);
    activateWindow();
    lvwIcons_->setFocus(Qt::OtherFocusReason);
    ShowKeyboardState();
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
    if (hasKeyboard_) {
        hasKeyboard_ = false;
        keyboard_.ClearFilter();
        ShowKeyboardState();
        lvwIcons_->clearFocus();
        lvwIcons_->setFocusPolicy(Qt::NoFocus);
        services_.shell.ReturnFocus();
    }
}

void DesktopMain::SyncKeyboardRows() {
    keyboard_.SetRows(lvwIcons_->RowTexts());
    if (hasKeyboard_ || !keyboard_.Filter().isEmpty()) {
        ShowKeyboardState();
    }
}

// The rows the filter lets through, the selection and the caption strip.
void DesktopMain::ShowKeyboardState() {
    for (int i = 0; i < lvwIcons_->topLevelItemCount(); ++i) {
        lvwIcons_->topLevelItem(i)->setHidden(!keyboard_.Shown(i));
    }
    if (const std::optional<int> selected = keyboard_.Selected()) {
        QTreeWidgetItem* item = lvwIcons_->topLevelItem(*selected);
        lvwIcons_->setCurrentItem(item);
        lvwIcons_->scrollToItem(item);
    } else {
        lvwIcons_->clearSelection();
    }
    titlecap_->setText(CaptionWithFilter(caption_, keyboard_.Filter()));
}

bool DesktopMain::HandleKey(QKeyEvent* event) {
    static const std::pair<int, ListKey> kKeys[] = {
        {Qt::Key_Up, ListKey::Up},         {Qt::Key_Down, ListKey::Down},
        {Qt::Key_Home, ListKey::Home},     {Qt::Key_End, ListKey::End},
        {Qt::Key_PageUp, ListKey::PageUp}, {Qt::Key_PageDown, ListKey::PageDown},
        {Qt::Key_Return, ListKey::Enter},  {Qt::Key_Enter, ListKey::Enter},
        {Qt::Key_Escape, ListKey::Escape}, {Qt::Key_Backspace, ListKey::Backspace},
        {Qt::Key_Menu, ListKey::Menu}};
    KeyOutcome outcome = KeyOutcome::Ignored;
    bool known = false;
    for (const auto& [code, key] : kKeys) {
        if (event->key() == code) {
            outcome = keyboard_.Press(key, PageRows());
            known = true;
            break;
        }
    }
    if (!known) {
        if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
            return false;
        }
        outcome = keyboard_.Type(event->text());
        if (outcome == KeyOutcome::Ignored) {
            return false;
        }
    }
    switch (outcome) {
        case KeyOutcome::Ignored:
            break;
        case KeyOutcome::SelectionMoved:
        case KeyOutcome::FilterChanged:
            ShowKeyboardState();
            break;
        case KeyOutcome::Activate:
            ShowKeyboardState();
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
                SyncKeyboardRows();
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
