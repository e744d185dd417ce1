#include "tilebay/styles/folder_list.h"

#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

namespace tilebay {

namespace {

constexpr int kNumberRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndent = 10;  // pixels per level

// Draws each row moved right by its depth, so the folders read as a chain.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem moved(option);
        moved.rect.adjust(index.data(kDepthRole).toInt() * kIndent, 0, 0, 0);
        QStyledItemDelegate::paint(painter, moved, index);
    }
};

}  // namespace

FolderList::FolderList(FolderListModel& model, QWidget* parent)
    : QListWidget(parent), model_(model) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    connect(this, &QListWidget::itemClicked, this, &FolderList::clicked);
    // Moving through the list with the keyboard selects as a click does.
    connect(this, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item != nullptr) {
            clicked(item);
        }
    });
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::doubleClicked);
}

void FolderList::showModel() {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const int opened = model_.openCount();
    for (int number = -opened; number < model_.subfolderCount(); ++number) {
        auto* item =
            new QListWidgetItem(number < 0 ? open : closed, model_.entryName(number), this);
        item->setData(kNumberRole, number);
        item->setData(kDepthRole, number < 0 ? opened + number : opened);
        item->setToolTip(model_.entryPath(number));
    }
    setCurrentRow(rowOf(model_.listIndex()));
}

int FolderList::rowOf(int number) const {
    return model_.isEntry(number) ? number + model_.openCount() : -1;
}

void FolderList::clicked(QListWidgetItem* item) {
    model_.select(item->data(kNumberRole).toInt());
}

void FolderList::doubleClicked(QListWidgetItem* item) {
    const int number = item->data(kNumberRole).toInt();
    // Rebuild after the event has been handled: the clicked item goes away.
    QMetaObject::invokeMethod(
        this,
        [this, number] {
            model_.activate(number);
            showModel();
        },
        Qt::QueuedConnection);
}

}  // namespace tilebay
