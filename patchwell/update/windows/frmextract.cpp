#include "patchwell/update/windows/frmextract.h"

#include <QLabel>

#include "patchwell/update/core/logic/rollback_logic.h"
#include "patchwell/update/core/texts.h"
#include "patchwell/update/windows/forms.h"
#include "patchwell/update/windows/frmchck.h"
#include "patchwell/update/windows/frmupdl.h"
#include "patchwell/update/windows/window_support.h"

namespace patchwell::update {

Frmextract::Frmextract(Forms& forms)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      forms_(forms) {
    setObjectName(QStringLiteral("Frmextract"));
    setWindowTitle(texts::InstallTitle());
    FixClientSizeAndCentre(this, 5790, 1260);

    label1 = AddLabel(this, "label1", texts::InstallWait(), 105, 105);
    Label2 = AddLabel(this, "Label2", texts::ProgramNamePlaceholder(), 105, 420);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label2->adjustSize();
    AddLine(this, "Line1", 810);
    Label3 = AddLabel(this, "Label3", texts::ProductNotice(), 105, 945);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(TwipsRect(5460, 900, 240, 285));
    Image1->setPixmap(ProductPicture(Image1->width(), Image1->height()));

    // Longer texts of other languages wrap, and the window grows downwards.
    fit_ = MakeTextFit(this);
    fit_->Apply();

    InstallView& view = *this;
    logic_ = std::make_unique<InstallLogic>(forms_.services(), view);
}

Frmextract::~Frmextract() = default;

void Frmextract::Load() {
    Frmupdl& download = forms_.updl();
    const VerifiedManifest& manifest = forms_.chck().logic().manifest;
    // An installer made from a patch or compressed download is handed over
    // sealed; one downloaded itself is the file the control wrote.
    if (const platform::SealedCopy* ready = download.logic().ReadyInstaller()) {
        logic_->Load(*ready, download.logic().InstallerFile(), manifest);
    } else {
        logic_->Load(download.dl1().TargetFile(), manifest);
    }
}

void Frmextract::LoadStaged(const platform::SealedCopy& ready, const VerifiedManifest& manifest) {
    logic_->Load(ready, manifest.values.savefileas, manifest);
}

void Frmextract::Rollback() {
    InstallView& view = *this;
    RollbackLogic(forms_.services(), view).Run();
}

void Frmextract::HideDownloadWindow() {
    // A staged update's installation has no download window to hide.
    if (Frmupdl* download = forms_.updlIfLoaded()) {
        download->hide();
    }
}

void Frmextract::ShowWindow() {
    show();
    raise();
}

void Frmextract::MakeTopmost() {
    update::MakeTopmost(this);
}

void Frmextract::SetProgramName(const QString& name) {
    Label2->setText(name);
    fit_->Apply();
}

}  // namespace patchwell::update
