#include "tilebay/styles/styleloaderfrm.h"

#include <QLabel>
#include <QPushButton>

#include <utility>

#include "tilebay/styles/window_look.h"

namespace tilebay {

styleloaderfrm::styleloaderfrm(QString programFolder, StyleLoaderPanel& panel, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      logic_(std::move(programFolder), panel, *this) {
    setObjectName(QStringLiteral("styleloaderfrm"));
    setWindowTitle(QStringLiteral("Load Style"));
    setFixedSize(TwipSize(this, 5475, 3495));
    const QFont font = DesignFont(8.25, false);
    setFont(font);

    Dir1 = new FolderList(logic_.folders(), this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(TwipRect(this, 120, 120, 3135, 3240));
    refreshbtn = new QPushButton(QStringLiteral("Refresh"), this);
    refreshbtn->setGeometry(TwipRect(this, 3360, 120, 975, 315));
    loadbtn = new QPushButton(QStringLiteral("Load"), this);
    loadbtn->setGeometry(TwipRect(this, 4320, 120, 975, 315));
    Label1 = PlaceLabel(this, {3360, 600, 1935, 855},
                        QStringLiteral("Click Only The Closed Folder Icons. Then Load."), font);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(refreshbtn, &QPushButton::clicked, this, [this] { logic_.Refresh(); });
    connect(loadbtn, &QPushButton::clicked, this, [this] { logic_.Load(); });
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
