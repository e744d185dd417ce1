#include "tilebay/styles/styleloaderfrm.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

#include <utility>

#include "tilebay/styles/window_look.h"

namespace tilebay {
namespace {

// Whether `button`'s text fits the room its style leaves it.
bool TextFits(const QPushButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QStyle* style = button.style();
    const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, &button);
    const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    return button.fontMetrics().horizontalAdvance(button.text()) <= room.width() - margin;
}

}  // namespace

styleloaderfrm::styleloaderfrm(QString programFolder, StyleLoaderPanel& panel, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      logic_(std::move(programFolder), panel, *this) {
    setObjectName(QStringLiteral("styleloaderfrm"));
    setWindowTitle(tr("Load Style"));
    setFixedSize(TwipSize(this, 5475, 3495));
    const QFont font = DesignFont(8.25, false);
    setFont(font);

    Dir1 = new FolderList(logic_.folders(), this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(TwipRect(this, 120, 120, 3135, 3240));
    refreshbtn = new QPushButton(tr("Refresh"), this);
    refreshbtn->setGeometry(TwipRect(this, 3360, 120, 975, 315));
    loadbtn = new QPushButton(tr("Load"), this);
    loadbtn->setGeometry(TwipRect(this, 4320, 120, 975, 315));
    Label1 = PlaceLabel(this, {3360, 600, 1935, 855},
                        tr("Click Only The Closed Folder Icons. Then Load."), font);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    FitTexts();

    connect(refreshbtn, &QPushButton::clicked, this, [this] { logic_.Refresh(); });
    connect(loadbtn, &QPushButton::clicked, this, [this] { logic_.Load(); });
}

// The design fits the English texts. A button text too long for its button
// puts the two buttons one under the other, each as wide as the column beside
// the list; the label below them grows downwards as far as its text needs.
void styleloaderfrm::FitTexts() {
    for (QWidget* widget : {static_cast<QWidget*>(refreshbtn), static_cast<QWidget*>(loadbtn),
                            static_cast<QWidget*>(Label1)}) {
        widget->ensurePolished();
    }
    const int gap = Label1->y() - refreshbtn->geometry().bottom() - 1;
    if (!TextFits(*refreshbtn) || !TextFits(*loadbtn)) {
        const QRect column(refreshbtn->x(), refreshbtn->y(),
                           loadbtn->geometry().right() + 1 - refreshbtn->x(), refreshbtn->height());
        refreshbtn->setGeometry(column);
        loadbtn->setGeometry(column.translated(0, column.height() + gap / 2));
        Label1->move(Label1->x(), loadbtn->geometry().bottom() + 1 + gap);
    }
    Label1->resize(Label1->width(),
                   std::max(Label1->height(), Label1->heightForWidth(Label1->width())));
}

void styleloaderfrm::Form_Load() {
    logic_.Form_Load();
}

void styleloaderfrm::setLabelTextColour(const QColor& colour) {
    SetColour(Label1, QPalette::WindowText, colour);
}

void styleloaderfrm::setBackgroundColour(const QColor& colour) {
    SetColour(this, QPalette::Window, colour);
}

void styleloaderfrm::showFolders() {
    Dir1->showModel();
}

void styleloaderfrm::closeWindow() {
    close();
}

}  // namespace tilebay
