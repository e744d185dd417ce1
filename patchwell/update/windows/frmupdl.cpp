#include "patchwell/update/windows/frmupdl.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "patchwell/download/control/download_texts.h"
#include "patchwell/download/control/preserve_extension.h"
#include "patchwell/download/control/progress_format.h"
#include "patchwell/update/core/formatting.h"
#include "patchwell/update/core/installer_sources.h"
#include "patchwell/update/core/texts.h"
#include "patchwell/update/windows/forms.h"
#include "patchwell/update/windows/frmchck.h"
#include "patchwell/update/windows/frmextract.h"
#include "patchwell/update/windows/window_support.h"

namespace patchwell::update {

Frmupdl::Frmupdl(Forms& forms)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      forms_(forms) {
    setObjectName(QStringLiteral("Frmupdl"));
    setWindowTitle(texts::DownloadTitle());
    setWindowIcon(QIcon(AnimationFrame(0)));
    FixClientSizeAndCentre(this, 5745, 3150);

    Label1 = AddLabel(this, "Label1", texts::Heading(), 60, 90);
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    Label1->adjustSize();
    AddLine(this, "Line1", 420);
    download = AddLabel(this, "download", texts::DownloadingFile(QString()), 105, 540);
    lblCBytes = AddLabel(this, "lblCBytes", texts::SizeInitial(), 90, 900);
    lblRate = AddLabel(this, "lblRate", texts::Rate(QString()), 105, 1260);
    lblTime = AddLabel(this, "lblTime", texts::TimeRemaining(QString()), 3150, 1260);
    lblStatus = AddLabel(this, "lblStatus", texts::StatusInitial(), 105, 1620);

    ani = new QLabel(this);
    ani->setObjectName(QStringLiteral("ani"));
    ani->setGeometry(TwipsRect(5160, 1680, 480, 480));
    ani->setAlignment(Qt::AlignCenter);

    lblpercent = AddLabel(this, "lblpercent", texts::PercentDownloaded(0), 105, 1980);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(TwipsRect(90, 2250, 5550, 375));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    Command1 = new QPushButton(texts::StartUpdate(), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(TwipsRect(105, 2745, 1530, 315));
    Command4 = new QPushButton(texts::PauseUpdate(), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setGeometry(TwipsRect(2070, 2745, 1530, 315));
    Command2 = new QPushButton(texts::CancelUpdate(), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(TwipsRect(4095, 2745, 1530, 315));

    // The frames sit below the client area, out of sight, as a picture store.
    for (int i = 0; i < 16; ++i) {
        auto* frame = new QLabel(this);
        frame->setObjectName(QStringLiteral("anicon"));
        frame->setProperty("index", i);
        frame->setGeometry(TwipsRect(105 + (i % 8) * 600, i < 8 ? 3390 : 3960, 480, 480));
        frame->setPixmap(AnimationFrame(i));
        anicon.push_back(frame);
    }
    ani->setPixmap(anicon[0]->pixmap());

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);

    // Longer texts of other languages wrap, and the window grows downwards.
    fit_ = MakeTextFit(this);
    fit_->Apply();

    download::MemoryPropertyBag savedSet{{QStringLiteral("keeptype"), true},
                                         {QStringLiteral("onlinecheck"), true}};
    dl1_ = forms_.controlFactory()(this, savedSet);
    UpdateView& view = *this;
    logic_ = std::make_unique<UpdateLogic>(forms_.services(), view, *dl1_,
                                           forms_.chck().logic().manifest);
    logic_->SetOfferNote(forms_.chck().logic().offerNote);
    UpdateLogic* logic = logic_.get();

    connect(Command1, &QPushButton::clicked, this, [logic] { logic->OnStartClicked(); });
    connect(Command4, &QPushButton::clicked, this, [logic] { logic->OnPauseClicked(); });
    connect(Command2, &QPushButton::clicked, this, [logic] { logic->OnCancelClicked(); });
    connect(Timer1, &QTimer::timeout, this, [logic] { logic->OnTimerTick(); });
    connect(dl1_, &ControlPort::DLComplete, this, [logic] { logic->OnDLComplete(); });
    connect(dl1_, &ControlPort::DLError, this,
            [logic](const QString& text) { logic->OnDLError(text); });
    connect(dl1_, &ControlPort::DLECode, this, [logic](qint32 code) { logic->OnDLECode(code); });
    connect(dl1_, &ControlPort::RecievedBytes, this,
            [logic](qint64 bytes) { logic->OnRecievedBytes(bytes); });
    connect(dl1_, &ControlPort::Percent, this,
            [logic](qint32 percent) { logic->OnPercent(percent); });
    connect(dl1_, &ControlPort::StatusChange, this,
            [logic](const QString& text) { logic->OnStatusChange(text); });
    connect(dl1_, &ControlPort::Rate, this, [logic](const QString& text) { logic->OnRate(text); });
    connect(dl1_, &ControlPort::TimeLeft, this,
            [logic](const QString& text) { logic->OnTimeLeft(text); });

    // The session is ending while the window is up (our own end never gets
    // here): drop the download and its partial file.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (loaded_) {
            logic_->Unload();
        }
    });
}

Frmupdl::~Frmupdl() = default;

void Frmupdl::Load() {
    loaded_ = true;
    logic_->Load();
}

void Frmupdl::closeEvent(QCloseEvent* event) {
    // The close command is gone from this window: neither the title bar nor
    // the keyboard closes it. The program ends it through its own steps.
    event->ignore();
}

void Frmupdl::showEvent(QShowEvent* event) {
    // Laid out once, before it is seen: a user aiming at a button finds it
    // where it was a moment ago, whatever the labels above it say by then.
    ReserveLongestTexts();
    fit_->Apply();
    QWidget::showEvent(event);
}

void Frmupdl::ReserveLongestTexts() {
    namespace control = download::texts;
    QStringList addresses, statuses;
    for (const QString& address :
         InstallerAddresses(dl1_->Url(), forms_.chck().logic().manifest.values.curvermirrors)) {
        addresses << texts::DownloadingFile(address);
        const QString target = download::PreserveExtension(address, dl1_->SaveLocation());
        statuses << texts::Status(control::Translated(control::kOpening, target));
    }
    // A patch and a compressed installer come to the kept installers' folder.
    for (const DeltaOffer& offer : logic_->Offers()) {
        addresses << texts::DownloadingFile(offer.address);
        statuses << texts::Status(
            control::Translated(control::kOpening, logic_->OfferFile(offer.kind)));
    }
    for (const char* status : control::Statuses()) {
        statuses << texts::Status(control::Translated(status));
    }
    statuses << texts::Status(texts::PatchNotUsed()) << texts::Status(texts::CompressedNotUsed());
    // The widest figures of each unit; digits are about equally wide.
    QStringList sizes, rates, times;
    for (const qint64 bytes : {1023LL, 1048575LL - 5, 1073741823LL - 5243, 4294967295LL}) {
        const auto amount = static_cast<qint32>(static_cast<quint32>(bytes));
        sizes << SizeLabelText(amount, amount);
    }
    for (const double rate : {1023.0, 1048565.0, 1048575.0}) {
        rates << texts::Rate(control::Shown(download::FormatRate(rate)));
    }
    // "59 min 59 sec", "99 hr 59 min", and a negative time after midnight.
    for (const float seconds : {59.0F, 3599.0F, 359940.0F, -3660.0F}) {
        times << texts::TimeRemaining(control::Shown(download::FormatTimeLeft(seconds)));
    }
    fit_->Reserve(download, addresses);
    fit_->Reserve(lblStatus, statuses);
    fit_->Reserve(lblCBytes, sizes);
    fit_->Reserve(lblRate, rates);
    fit_->Reserve(lblTime, times);
    fit_->Reserve(lblpercent, {texts::PercentDownloaded(100), texts::PercentDownloaded(-100)});
    fit_->Reserve(Command4, {texts::PauseUpdate(), texts::ResumeUpdate()});
}

void Frmupdl::SetLabel(QLabel* label, const QString& text) {
    if (label->text() == text) {
        return;
    }
    label->setText(text);
    // A download changes the size, rate and time with every chunk it
    // receives, thousands of times a second on a fast line: the window is
    // fitted once per pass of the event loop (the control lets the loop run
    // every 50 ms), before it is painted, not once per text. Fitting every
    // text kept a core busy and made a download through the window slower
    // than the line.
    if (!fitPending_) {
        fitPending_ = true;
        QTimer::singleShot(0, this, [this] {
            fitPending_ = false;
            fit_->Apply();
        });
    }
}

void Frmupdl::RemoveCloseCommand() {
    update::RemoveCloseCommand(this);
}
void Frmupdl::SetDownloadText(const QString& text) {
    SetLabel(download, text);
}
void Frmupdl::SetSizeText(const QString& text) {
    SetLabel(lblCBytes, text);
}
void Frmupdl::SetRateText(const QString& text) {
    SetLabel(lblRate, text);
}
void Frmupdl::SetTimeText(const QString& text) {
    SetLabel(lblTime, text);
}
void Frmupdl::SetStatusText(const QString& text) {
    SetLabel(lblStatus, text);
}
void Frmupdl::SetErrorCodeText(const QString& text) {
    // The code's text rides along on the status line, for those who look.
    lblStatus->setToolTip(text);
}
void Frmupdl::SetPercentText(const QString& text) {
    SetLabel(lblpercent, text);
}
void Frmupdl::SetTitle(const QString& text) {
    setWindowTitle(text);
}
void Frmupdl::SetPauseCaption(const QString& text) {
    Command4->setText(text);
    fit_->Apply();
}
void Frmupdl::SetProgressMaximum(int maximum) {
    ProgressBar1->setMaximum(maximum);
}
int Frmupdl::ProgressMinimum() const {
    return ProgressBar1->minimum();
}
int Frmupdl::ProgressMaximum() const {
    return ProgressBar1->maximum();
}
void Frmupdl::SetProgressValue(int value) {
    ProgressBar1->setValue(value);
}
void Frmupdl::StartTimer() {
    Timer1->start();
}
void Frmupdl::StopTimer() {
    Timer1->stop();
}
void Frmupdl::ShowFrame(int index) {
    if (index >= 0 && index < static_cast<int>(anicon.size())) {
        ani->setPixmap(anicon[static_cast<std::size_t>(index)]->pixmap());
    }
}
void Frmupdl::HideWindow() {
    hide();
}
void Frmupdl::ShowInstallWindow() {
    forms_.extract();
}

}  // namespace patchwell::update
