#include "patchwell/download/designer/download_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

#include "patchwell/download/control/download_interface.h"

namespace patchwell::download {

namespace {

// The saved properties in the order the page loads and applies them; each
// has its element at the same place in DownLoad_Properties::elements_.
constexpr const char* kPageProperties[] = {"SaveLocation", "CHUNK",       "Url",
                                           "KeepType",     "OnlineCheck", "PromptOverwrite"};
static_assert(AreTheSavedProperties(kPageProperties),
              "the page edits every saved property of the control, each once");

template <class T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A chunk size is a whole number of bytes above 0 that fits the property.
std::optional<qint32> ParseChunk(const QString& text) {
    bool ok = false;
    const qint32 value = text.trimmed().toInt(&ok, 10);
    if (!ok || value <= 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

DownLoad_Properties::DownLoad_Properties(QWidget* parent,
                                         std::shared_ptr<SaveFileDialog> saveDialog)
    : QWidget(parent),
      saveDialog_(saveDialog ? std::move(saveDialog) : std::make_shared<QtSaveFileDialog>()),
      lblUrl(Named(new QLabel(QStringLiteral("Url Of File:")), "lblUrl")),
      txtUrl(Named(new QLineEdit, "txtUrl")),
      lblSaveLocation(Named(new QLabel(QStringLiteral("Save Location:")), "lblSaveLocation")),
      txtSaveLocation(Named(new QLineEdit, "txtSaveLocation")),
      CSD(Named(new QPushButton(QStringLiteral("...")), "CSD")),
      lblCHUNK(Named(new QLabel(QStringLiteral("CHUNK SIZE:")), "lblCHUNK")),
      ChunkCombo(Named(new QComboBox, "ChunkCombo")),
      Label1(
          Named(new QLabel(QStringLiteral("* Note - The best chunk size to use on a 56K is 1024.")),
                "Label1")),
      Chkpreserve(
          Named(new QCheckBox(QStringLiteral("Check to preserve file extension.")), "Chkpreserve")),
      ChkOC(Named(
          new QCheckBox(QStringLiteral("Check to test Internet Connection before downloading.")),
          "ChkOC")),
      ChkPC(Named(new QCheckBox(QStringLiteral(
                      "Check to prompt user if (s)he would like to overwrite file(s).")),
                  "ChkPC")),
      lblError(Named(new QLabel, "lblError")) {
    setObjectName(QStringLiteral("DownLoad_Properties"));
    ChunkCombo->setEditable(true);
    ChunkCombo->setInsertPolicy(QComboBox::NoInsert);
    ChunkCombo->addItems({QStringLiteral("256"), QStringLiteral("512"), QStringLiteral("1024"),
                          QStringLiteral("2048")});
    ChunkCombo->setEditText(QStringLiteral("Select Chunk Size*"));
    CSD->setFixedWidth(CSD->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    // Texts on the page are shown as they are, never as markup.
    for (QLabel* label : {lblUrl, lblSaveLocation, lblCHUNK, Label1, lblError}) {
        label->setTextFormat(Qt::PlainText);
    }
    lblError->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    lblError->setWordWrap(true);
    lblError->hide();

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblUrl, 0, 0);
    grid->addWidget(txtUrl, 0, 1, 1, 2);
    grid->addWidget(lblSaveLocation, 1, 0);
    grid->addWidget(txtSaveLocation, 1, 1);
    grid->addWidget(CSD, 1, 2);
    grid->addWidget(lblCHUNK, 2, 0);
    grid->addWidget(ChunkCombo, 2, 1, 1, 2);
    grid->addWidget(Label1, 3, 0, 1, 3);
    grid->addWidget(Chkpreserve, 4, 0, 1, 3);
    grid->addWidget(ChkOC, 5, 0, 1, 3);
    grid->addWidget(ChkPC, 6, 0, 1, 3);
    grid->addWidget(lblError, 7, 0, 1, 3);
    grid->setRowStretch(8, 1);

    connect(txtUrl, &QLineEdit::textChanged, this, &DownLoad_Properties::MarkChanged);
    connect(txtSaveLocation, &QLineEdit::textChanged, this, &DownLoad_Properties::MarkChanged);
    connect(ChunkCombo, &QComboBox::editTextChanged, this, &DownLoad_Properties::MarkChanged);
    // A check box set by loading runs the same handling as a click.
    connect(Chkpreserve, &QCheckBox::toggled, this, [this](bool checked) {
        keepType_ = checked;
        MarkChanged();
    });
    connect(ChkOC, &QCheckBox::toggled, this, [this](bool checked) {
        onlineCheck_ = checked;
        MarkChanged();
    });
    connect(ChkPC, &QCheckBox::toggled, this, [this](bool checked) {
        promptOverwrite_ = checked;
        MarkChanged();
    });
    connect(CSD, &QPushButton::clicked, this, &DownLoad_Properties::ChooseSaveLocation);
    elements_ = {txtSaveLocation, ChunkCombo, txtUrl, Chkpreserve, ChkOC, ChkPC};
}

bool& DownLoad_Properties::Flag(const QCheckBox* box) {
    return box == Chkpreserve ? keepType_ : box == ChkOC ? onlineCheck_ : promptOverwrite_;
}

DownLoad_Properties::~DownLoad_Properties() = default;

void DownLoad_Properties::SetSelectedControls(std::vector<PropertyAccess*> controls) {
    controls_ = std::move(controls);
    if (controls_.empty() || controls_.front() == nullptr) {
        return;
    }
    const PropertyAccess& first = *controls_.front();
    loading_ = true;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const QVariant value = first.Read(QLatin1String(kPageProperties[i]));
        QWidget* element = elements_[i];
        if (auto* text = qobject_cast<QLineEdit*>(element)) {
            text->setText(value.toString());
        } else if (auto* combo = qobject_cast<QComboBox*>(element)) {
            combo->setEditText(QString::number(value.toInt()));
        } else if (auto* box = qobject_cast<QCheckBox*>(element)) {
            box->setChecked(value.toBool());
            // The box's handling ran, so its flag follows the loaded value;
            // loading itself is not an edit.
            Flag(box) = box->isChecked();
        }
    }
    loading_ = false;
    changed_ = false;
    lblError->clear();
    lblError->hide();
}

bool DownLoad_Properties::ApplyChanges() {
    if (controls_.empty() || controls_.front() == nullptr) {
        return false;
    }
    // Checked before anything is written, so that a failed apply leaves the
    // control exactly as it was.
    const std::optional<qint32> chunk = ParseChunk(ChunkCombo->currentText());
    if (!chunk) {
        lblError->setText(QStringLiteral("The chunk size \"") + ChunkCombo->currentText() +
                          QStringLiteral("\" is not a whole number of bytes above 0; "
                                         "nothing was changed."));
        lblError->show();
        return false;
    }
    PropertyAccess& first = *controls_.front();
    first.BeginApply();
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const QString name = QLatin1String(kPageProperties[i]);
        QWidget* element = elements_[i];
        if (auto* text = qobject_cast<QLineEdit*>(element)) {
            first.Write(name, text->text());
        } else if (qobject_cast<QComboBox*>(element) != nullptr) {
            first.Write(name, *chunk);
        } else if (auto* box = qobject_cast<QCheckBox*>(element)) {
            first.Write(name, Flag(box));
        }
    }
    first.EndApply();
    lblError->clear();
    lblError->hide();
    changed_ = false;
    return true;
}

QString DownLoad_Properties::ErrorText() const {
    return lblError->text();
}

void DownLoad_Properties::MarkChanged() {
    if (loading_) {
        return;
    }
    changed_ = true;
    Q_EMIT changed();
}

void DownLoad_Properties::ChooseSaveLocation() {
    const QString chosen =
        saveDialog_->GetSaveFileName(this, SaveDialogTitle(), SaveDialogFilter());
    if (!chosen.isEmpty()) {
        txtSaveLocation->setText(chosen);
    }
}

DownLoadPropertiesDialog::DownLoadPropertiesDialog(PropertyAccess* control, QWidget* parent,
                                                   std::shared_ptr<SaveFileDialog> saveDialog)
    : QDialog(parent),
      page_(new DownLoad_Properties(nullptr, std::move(saveDialog))),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply |
                                    QDialogButtonBox::Cancel)) {
    setObjectName(QStringLiteral("DownLoadPropertiesDialog"));
    setWindowTitle(QStringLiteral("DownLoad Properties"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page_);
    layout->addWidget(buttons_);
    page_->SetSelectedControls({control});

    QPushButton* apply = buttons_->button(QDialogButtonBox::Apply);
    apply->setEnabled(false);
    connect(page_, &DownLoad_Properties::changed, apply, [apply] { apply->setEnabled(true); });
    connect(apply, &QPushButton::clicked, this, [this, apply] {
        if (page_->ApplyChanges()) {
            apply->setEnabled(false);
        }
    });
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] {
        if (!page_->Changed() || page_->ApplyChanges()) {
            accept();
        }
    });
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

About::About(QWidget* parent, std::shared_ptr<UrlOpener> opener)
    : QWidget(parent),
      opener_(opener ? std::move(opener) : std::make_shared<DesktopUrlOpener>()),
      Label1(Named(new QLabel(QStringLiteral(
                       "DownLoad control 1.0 - the HTTP download engine of patchwell.\n"
                       "Fetches one file into one local file, with pause, resume and cancel.\n"
                       "Written by the patchwell developers.")),
                   "Label1")),
      Label2(Named(new QLabel(QStringLiteral("Visit My WebSite")), "Label2")),
      Label3(Named(new QLabel(QStringLiteral("VOTE HERE!")), "Label3")) {
    setObjectName(QStringLiteral("About"));
    setMouseTracking(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addSpacing(12);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addStretch(1);
    for (QLabel* label : {Label1, Label2, Label3}) {
        label->setTextFormat(Qt::PlainText);
        label->setMouseTracking(true);
    }
    for (QLabel* link : {Label2, Label3}) {
        QFont font = link->font();
        font.setUnderline(true);
        link->setFont(font);
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
        SetTextColour(link, Qt::black);
    }
}

bool About::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label2 || watched == Label3) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
            if (watched == Label2) {
                SetTextColour(Label2, QColor(0, 0, 255));
            } else {
                SetTextColour(Label3, QColor(255, 0, 0));
            }
            // Handled here: the page itself would turn the link black again.
            return event->type() == QEvent::MouseMove;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                opener_->Open(watched == Label2 ? WebSiteAddress() : VoteAddress());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void About::mouseMoveEvent(QMouseEvent* event) {
    SetTextColour(Label2, Qt::black);
    SetTextColour(Label3, Qt::black);
    QWidget::mouseMoveEvent(event);
}

void About::SetTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace patchwell::download
