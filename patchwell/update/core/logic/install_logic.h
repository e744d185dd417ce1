#pragma once

// The installation step: removes the remote manifest, runs the downloaded
// installer with "/auto" and the program folder and waits for its end (the
// window stays up meanwhile), reports an installer that failed, deletes it
// and starts the served program again.

#include <QString>

#include "patchwell/platform/sealed_copy.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/services.h"

namespace patchwell::update {

class InstallView {
public:
    virtual ~InstallView() = default;
    virtual void HideDownloadWindow() = 0;
    virtual void ShowWindow() = 0;
    virtual void MakeTopmost() = 0;
    virtual void SetProgramName(const QString& name) = 0;  // `Label2`
};

class InstallLogic {
public:
    InstallLogic(Services& services, InstallView& view);

    // The window's load; ends the program. `installerFile` is the file the
    // download window's control wrote, `manifest` the check's accepted one.
    void Load(const QString& installerFile, const VerifiedManifest& manifest);
    // The same for an installer the download step made (from a patch or a
    // compressed download) and sealed: checked and run as a downloaded one
    // is, and named `shownName` in the reports. No file of it is deleted.
    void Load(const platform::SealedCopy& ready, const QString& shownName,
              const VerifiedManifest& manifest);

private:
    // `ready` null: the installer is the file `installerFile`.
    void Install(const QString& installerFile, const platform::SealedCopy* ready,
                 const VerifiedManifest& manifest);
    platform::ProgramEnd RunInstaller(const QString& installerFile);
    // With the installer bound by the manifest: checks the length and digest
    // of its sealed copy and runs it from that copy to its end. The refusal
    // reason when it does not match (nothing started), else none. After an
    // installer that exited 0 the copy is kept as the base of later patches.
    MaybeRefusal RunBoundInstaller(const VerifiedManifest& manifest,
                                   const platform::SealedCopy& copy, platform::ProgramEnd& end);

    Services& services_;
    InstallView& view_;
};

// "exit status 3", "signal 9, SIGKILL".
QString DescribeProgramEnd(const platform::ProgramEnd& end);

// Gives the file at `path` execute permission for everyone who may read it.
bool MakeExecutable(const QString& path);

}  // namespace patchwell::update
