#include "tilebay/panel/window/desktop_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDrag>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <stdexcept>

#include "tilebay/panel/twips.h"

namespace tilebay {

Q_LOGGING_CATEGORY(lcPanelWindow, "tilebay.panel", QtInfoMsg)

namespace {

constexpr int kFolderRole = Qt::UserRole + 1;

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

// An option the desktop cannot carry out stays visible, disabled, saying why.
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
      closebtn_(MakeLabel(this, QStringLiteral("closebtn"), QStringLiteral("Close"))),
      loadstylesbtn_(MakeLabel(this, QStringLiteral("loadstylesbtn"), QString())),
      check1_(MakeBox(this, QStringLiteral("Check1"), QStringLiteral("Always On Top"))),
      check2_(MakeBox(this, QStringLiteral("Check2"), QStringLiteral("Hide/Show Taskbar"))),
      check3_(MakeBox(this, QStringLiteral("Check3"), QStringLiteral("Hide/Show Desktop icons"))),
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

    const std::pair<QCheckBox*, PanelControl> boxes[] = {{check1_, PanelControl::Check1},
                                                         {check2_, PanelControl::Check2},
                                                         {check3_, PanelControl::Check3}};
    for (const auto& [box, control] : boxes) {
        const PanelControl which = control;
        connect(box, &QCheckBox::toggled, this, [this, which] { logic_.OnCheckClick(which); });
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
    WatchScreens();
    ShowUnavailable(check2_, services_.shell.TaskbarUnavailable());
    ShowUnavailable(check3_, services_.shell.DesktopIconsUnavailable());

    for (int i = 0; i < kPanelControlCount; ++i) {
        const auto control = static_cast<PanelControl>(i);
        SetGeometry(control, DesignGeometry(control));
    }
}

DesktopMain::~DesktopMain() = default;

void DesktopMain::Form_Load() {
    logic_.Load();
    try {
        dockedOn_ = DockGeometry();
    } catch (...) {
        dockedOn_ = QRect();
    }
}

QWidget* DesktopMain::Control(PanelControl control) const {
    switch (control) {
        case PanelControl::Window:
            return const_cast<DesktopMain*>(this);
        case PanelControl::closebtn:
            return closebtn_;
        case PanelControl::loadstylesbtn:
            return loadstylesbtn_;
        case PanelControl::Check1:
            return check1_;
        case PanelControl::Check2:
            return check2_;
        case PanelControl::Check3:
            return check3_;
        case PanelControl::lvwIcons:
            return lvwIcons_;
        case PanelControl::titlecap:
            return titlecap_;
        case PanelControl::borderleft:
            return borderleft_;
        case PanelControl::borderright:
            return borderright_;
        case PanelControl::borderbottom:
            return borderbottom_;
    }
    return nullptr;
}

QCheckBox* DesktopMain::Box(PanelControl box) const {
    if (box != PanelControl::Check1 && box != PanelControl::Check2 && box != PanelControl::Check3) {
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
    return TwipsToPixels(twips, logicalDpiX(), logicalDpiY());
}

void DesktopMain::SetGeometry(PanelControl control, const QRectF& twips) {
    const QRect rect = ToPixels(twips);
    if (control == PanelControl::Window) {
        setFixedSize(rect.size());
    } else {
        Control(control)->setGeometry(rect);
    }
}

void DesktopMain::MoveWindow(double leftTwips, double topTwips) {
    const QPoint target = ToPixels(QRectF(leftTwips, topTwips, 0, 0)).topLeft();
    move(target);
}

// The X server's own monitor geometry where it has one: Qt's screens keep
// their old size after a mode change of a monitor.
QRect DesktopMain::DockGeometry() const {
    const QScreen* dock = DockScreen();
    if (dock == nullptr) {
        throw std::runtime_error("no screen");
    }
    return services_.shell.MonitorGeometry(dock->name()).value_or(dock->geometry());
}

double DesktopMain::ScreenWidthTwips() const {
    return PixelsToTwips(DockGeometry().width(), logicalDpiX());
}

QPointF DesktopMain::ScreenOriginTwips() const {
    if (DockScreen() == nullptr) {
        return {};
    }
    const QRect dock = DockGeometry();
    return {PixelsToTwips(dock.x(), logicalDpiX()), PixelsToTwips(dock.y(), logicalDpiY())};
}

QScreen* ChooseScreen(const QString& name) {
    if (!name.isEmpty()) {
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->name() == name) {
                return screen;
            }
        }
    }
    return QGuiApplication::primaryScreen();
}

QScreen* DesktopMain::DockScreen() const {
    return ChooseScreen(screenName_);
}

void DesktopMain::SetScreenName(const QString& name) {
    screenName_ = name;
}

// A screen that comes, goes or changes size moves the panel at once: to the
// named screen when it is there, else to the primary one.
void DesktopMain::WatchScreens() {
    for (QScreen* screen : QGuiApplication::screens()) {
        connect(screen, &QScreen::geometryChanged, this, &DesktopMain::DockAgain,
                Qt::UniqueConnection);
    }
    connect(qApp, &QGuiApplication::screenAdded, this, &DesktopMain::DockAgain,
            Qt::UniqueConnection);
    connect(qApp, &QGuiApplication::screenRemoved, this, &DesktopMain::DockAgain,
            Qt::UniqueConnection);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &DesktopMain::DockAgain,
            Qt::UniqueConnection);
    QPointer<DesktopMain> self(this);
    services_.shell.WatchMonitors([self] {
        if (self) {
            self->DockAgain();
        }
    });
}

// After the screen change has settled (a removed screen is still listed
// while its signal is delivered).
void DesktopMain::DockAgain() {
    if (dockPending_) {
        return;
    }
    dockPending_ = true;
    QTimer::singleShot(0, this, [this] {
        dockPending_ = false;
        WatchScreens();  // a screen that came has signals of its own
        if (!isVisible()) {
            return;
        }
        try {
            // Only a change of the dock screen's place or size moves the
            // panel (other monitors may change too).
            if (DockGeometry() == dockedOn_) {
                return;
            }
            qCDebug(lcPanelWindow) << "docking on" << DockScreen()->name() << DockGeometry();
            Retract();
        } catch (...) {
            // No screen at all: the panel stays where it is.
        }
    });
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

QTreeWidgetItem* DesktopMain::MakeRow(const DesktopItemList& list, const ItemRow& row) const {
    auto* item = new QTreeWidgetItem();
    item->setText(0, row.text);
    item->setData(0, kFolderRole, row.folder);
    if (list.hasSmallImageList && row.smallImage >= 1 && row.smallImage <= list.icons16.Count()) {
        item->setIcon(0, QIcon(list.icons16.At(row.smallImage).picture));
    }
    if (lvwIcons_->columnCount() > 1) {
        item->setText(1, row.typeText);
    }
    return item;
}

void DesktopMain::ShowItems(const DesktopItemList& list) {
    lvwIcons_->setUpdatesEnabled(false);
    lvwIcons_->clear();
    for (const ItemRow& row : list.rows) {
        lvwIcons_->addTopLevelItem(MakeRow(list, row));
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
        lvwIcons_->insertTopLevelItem(at,
                                      MakeRow(list, list.rows.at(static_cast<std::size_t>(at))));
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
        raise();
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

}  // namespace tilebay

namespace tilebay {

RowEntry PanelList::Row(const QTreeWidgetItem* item) {
    return {item->text(0), item->data(0, kFolderRole).toString()};
}

QStringList PanelList::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* PanelList::mimeData(const QList<QTreeWidgetItem*>& items) const {
    QList<QUrl> urls;
    for (const QTreeWidgetItem* item : items) {
        const QString path = RowPath(Row(item));
        if (!path.isEmpty()) {
            urls.append(QUrl::fromLocalFile(path));
        }
    }
    if (urls.isEmpty()) {
        return nullptr;
    }
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

// A row leaves as a copy: the item stays on the desktop.
void PanelList::startDrag(Qt::DropActions) {
    QMimeData* mime = mimeData(selectedItems());
    if (mime == nullptr) {
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (const QTreeWidgetItem* item = currentItem(); item != nullptr && !item->icon(0).isNull()) {
        drag->setPixmap(item->icon(0).pixmap(iconSize()));
    }
    drag->exec(Qt::CopyAction, Qt::CopyAction);
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
    raise();
    services_.shell.TakeFocus(winId());
    hasKeyboard_ = true;
    lvwIcons_->setFocusPolicy(Qt::StrongFocus);
    activateWindow();
    lvwIcons_->setFocus(Qt::OtherFocusReason);
    ShowKeyboardState();
}

void DesktopMain::Retract() {
    try {
        dockedOn_ = DockGeometry();
    } catch (...) {
        dockedOn_ = QRect();
    }
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
    QStringList names;
    for (int i = 0; i < lvwIcons_->topLevelItemCount(); ++i) {
        names.append(lvwIcons_->topLevelItem(i)->text(0));
    }
    keyboard_.SetRows(names);
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
    menu_ = new QMenu(this);
    menu_->setAttribute(Qt::WA_DeleteOnClose);
    for (const ItemActionEntry& entry : ItemActionMenu()) {
        const ItemAction action = entry.action;
        const RowEntry chosen = *row;
        // The text is never run: each entry calls the desktop's services with
        // the row's path.
        menu_->addAction(entry.text, this, [this, action, chosen] {
            DesktopActions* desktop = host_.Desktop();
            if (desktop == nullptr ||
                !RunItemAction(action, chosen, *desktop,
                               [this](const RowEntry& item) { logic_.StartRow(item); })) {
                return;
            }
            if (action == ItemAction::MoveToTrash) {
                for (int i = 0; i < lvwIcons_->topLevelItemCount(); ++i) {
                    const RowEntry shown = PanelList::Row(lvwIcons_->topLevelItem(i));
                    if (shown.text == chosen.text && shown.folder == chosen.folder) {
                        delete lvwIcons_->takeTopLevelItem(i);
                        break;
                    }
                }
                SyncKeyboardRows();
            }
        });
    }
    menu_->popup(globalPos);
}

std::vector<DropResult> DesktopMain::DropFiles(const QList<QUrl>& urls, bool move) {
    const QString folder = services_.folders.UserDesktop(services_.login.LoginName());
    if (folder.isEmpty()) {
        return {};
    }
    std::vector<DropResult> results = DropIntoFolder(urls, folder, move);
    QStringList skipped;
    for (const DropResult& result : results) {
        qCDebug(lcPanelWindow) << "dropped" << result.source << "->" << result.target;
        skipped += result.skipped;
    }
    if (!skipped.isEmpty() && services_.notify) {
        services_.notify(SkippedDropText(skipped));
    }
    return results;
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
    // Shift as it is held now: the event's modifiers can be those of an
    // earlier moment of the drag.
    const Qt::KeyboardModifiers held =
        event->modifiers() | QGuiApplication::queryKeyboardModifiers();
    const bool move = (held & Qt::ShiftModifier) && (event->possibleActions() & Qt::MoveAction);
    DropFiles(event->mimeData()->urls(), move);
    event->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
}

}  // namespace tilebay
