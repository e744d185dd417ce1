#include "patchwell/update/windows/frmchck.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "patchwell/update/core/texts.h"
#include "patchwell/update/windows/forms.h"
#include "patchwell/update/windows/frmupdl.h"
#include "patchwell/update/windows/window_support.h"

namespace patchwell::update {

Frmchck::Frmchck(Forms& forms)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      forms_(forms) {
    setObjectName(QStringLiteral("Frmchck"));
    setWindowTitle(texts::CheckTitle());
    FixClientSizeAndCentre(this, 5805, 1815);

    Label1 = new QLabel(texts::CheckFailed(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(TwipsRect(120, 90, 4530, 1215));
    // The explanation is long for its place: take the largest type that
    // lets all of it fit, whatever fonts the desktop has.
    QFont small = Label1->font();
    for (int pixels = Twips(180); pixels >= Twips(105); --pixels) {
        small.setPixelSize(pixels);
        const QRect needed = QFontMetrics(small).boundingRect(QRect(0, 0, Label1->width(), 10000),
                                                              Qt::TextWordWrap, Label1->text());
        if (needed.height() <= Label1->height()) {
            break;
        }
    }
    Label1->setFont(small);

    Command1 = new QPushButton(tr("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(TwipsRect(4740, 120, 945, 345));
    Command1->setDefault(true);

    AddLine(this, "Line1", 1350);

    Label3 = AddLabel(this, "Label3", texts::ProductNotice(), 120, 1440);
    Label3->setFont(small);
    Label3->adjustSize();

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwipsRect(5460, 1440, 240, 285));
    Image1->setPixmap(ProductPicture(Image1->width(), Image1->height()));

    // An explanation that does not fit even in the smallest type wraps on
    // downwards, and the window grows with it.
    fit_ = MakeTextFit(this);
    fit_->Apply();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);

    download::MemoryPropertyBag savedSet{{QStringLiteral("onlinecheck"), true}};
    dl1_ = forms_.controlFactory()(this, savedSet);
    CheckView& view = *this;
    logic_ = std::make_unique<CheckLogic>(forms_.services(), view, *dl1_);

    connect(dl1_, &ControlPort::DLComplete, this, [this] { logic_->OnDLComplete(); });
    connect(dl1_, &ControlPort::RecievedBytes, this,
            [this](qint64 bytes) { logic_->OnRecievedBytes(bytes); });
    connect(Command1, &QPushButton::clicked, this, [this] { logic_->OnOkClicked(); });
    connect(Timer1, &QTimer::timeout, this, [this] { logic_->OnTimerTick(); });
}

Frmchck::~Frmchck() = default;

void Frmchck::Load() {
    logic_->Load();
}

void Frmchck::closeEvent(QCloseEvent* event) {
    // Closing the window from its title bar means the same as OK.
    event->accept();
    logic_->OnOkClicked();
}

void Frmchck::MakeTopmost() {
    update::MakeTopmost(this);
}

void Frmchck::HideWindow() {
    hide();
}

void Frmchck::ShowWindow() {
    show();
    raise();
    activateWindow();
}

void Frmchck::StopTimer() {
    Timer1->stop();
}

ControlPort& Frmchck::DownloadWindowControl() {
    return forms_.updl().dl1();
}

void Frmchck::ShowDownloadWindow() {
    Frmupdl& window = forms_.updl();
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace patchwell::update
