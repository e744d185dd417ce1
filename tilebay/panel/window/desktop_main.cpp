#include "desktop_main.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>

#include <cmath>
#include <stdexcept>

namespace tilebay {
namespace {

constexpr double kTwipsPerInch = 1440;

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
      lvwIcons_(new QTreeWidget(this)),
      titlecap_(MakeLabel(this, QStringLiteral("titlecap"), QStringLiteral("Tilebay"))),
      borderleft_(MakeLabel(this, QStringLiteral("borderleft"), QString())),
      borderright_(MakeLabel(this, QStringLiteral("borderright"), QString())),
      borderbottom_(MakeLabel(this, QStringLiteral("borderbottom"), QString())),
      MMControl1(std::move(sequencer)),
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
    lvwIcons_->setFocusPolicy(Qt::NoFocus);
    lvwIcons_->setIconSize(QSize(16, 16));

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

    for (int i = 0; i < kPanelControlCount; ++i) {
        const auto control = static_cast<PanelControl>(i);
        SetGeometry(control, DesignGeometry(control));
    }
}

DesktopMain::~DesktopMain() = default;

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
    return closebtn_->palette().color(QPalette::WindowText);
}

QColor DesktopMain::BackgroundColour() const {
    return palette().color(QPalette::Window);
}

void DesktopMain::SetTextColour(PanelControl control, const QColor& colour) {
    QWidget* widget = Control(control);
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
    if (auto* label = qobject_cast<QLabel*>(Control(control))) {
        label->setText(text);
    }
}

QRect DesktopMain::ToPixels(const QRectF& twips) const {
    const double x = logicalDpiX() / kTwipsPerInch;
    const double y = logicalDpiY() / kTwipsPerInch;
    const auto px = [](double value) { return static_cast<int>(std::lround(value)); };
    return QRect(px(twips.x() * x), px(twips.y() * y), px(twips.width() * x),
                 px(twips.height() * y));
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

double DesktopMain::ScreenWidthTwips() const {
    const QScreen* current = screen();
    if (current == nullptr) {
        throw std::runtime_error("no screen");
    }
    return current->geometry().width() * kTwipsPerInch / logicalDpiX();
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
}

void DesktopMain::PlayMusic(const QString& path) {
    if (MMControl1) {
        PlayOnSequencer(*MMControl1, path);
    }
}

std::optional<QString> DesktopMain::SelectedRowText() const {
    const QList<QTreeWidgetItem*> selected = lvwIcons_->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return selected.first()->text(0);
}

bool DesktopMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        // Handled here and not passed on: a strip's move must not reach the
        // window's surface, whose own handler would expand it again.
        if (watched == titlecap_) {
            logic_.ExpandPanel();
            return true;
        }
        if (watched == borderleft_ || watched == borderright_ || watched == borderbottom_) {
            logic_.RetractPanel();
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
