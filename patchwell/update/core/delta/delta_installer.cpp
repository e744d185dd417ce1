#include "patchwell/update/core/delta/delta_installer.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/files/descriptor.h"
#include "common/files/whole_file.h"
#include "patchwell/patch/zstd_patch.h"

namespace patchwell::update {

namespace {

using common::Descriptor;

DeltaInstaller Failed(DeltaFailure failure, const QString& detail) {
    DeltaInstaller result;
    result.failure = failure;
    result.detail = detail;
    return result;
}

}  // namespace

DeltaInstaller InstallerFromDelta(const VerifiedManifest& manifest, const DeltaOffer& offer,
                                  const QString& received, const KeptInstallers& kept) {
    if (!manifest.BindsInstaller()) {
        return Failed(DeltaFailure::NotInstaller, QStringLiteral("the installer is not bound"));
    }
    const Descriptor in(
        ::open(QFile::encodeName(received).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat info {};
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Failed(DeltaFailure::Unreadable, QStringLiteral("the file cannot be opened"));
    }
    if (info.st_size != offer.size) {
        return Failed(DeltaFailure::WrongLength,
                      QStringLiteral("%1 bytes, not %2").arg(info.st_size).arg(offer.size));
    }
    const std::optional<common::FileDigest> digest = common::Sha256Of(in.get());
    if (!digest || digest->size != offer.size) {
        return Failed(DeltaFailure::Unreadable, QStringLiteral("the file cannot be read"));
    }
    if (digest->sha256 != offer.sha256) {
        return Failed(DeltaFailure::WrongDigest, QStringLiteral("another SHA-256"));
    }
    const bool patch = offer.kind == DeltaOffer::Kind::Patch;
    const Descriptor base(patch ? kept.OpenVerified(offer.base) : -1);
    struct stat baseInfo {};
    if (patch && (base.get() < 0 || ::fstat(base.get(), &baseInfo) != 0)) {
        return Failed(DeltaFailure::NoBase,
                      QStringLiteral("the kept installer is gone or changed"));
    }
    const auto installerSize = static_cast<std::uint64_t>(*manifest.installerSize);
    patch::ApplyLimits limits;
    limits.maxResult = installerSize;
    limits.maxWindowLog = patch::WindowLogFor(
        patch ? static_cast<std::uint64_t>(baseInfo.st_size) : 0, installerSize);
    patch::ApplyResult applied;
    auto copy = std::make_unique<platform::SealedCopy>([&](int out) {
        // Called again on another file when the first kind of copy fails.
        if (::lseek(in.get(), 0, SEEK_SET) != 0) {
            applied = {patch::ApplyError::InputUnreadable, 0, "seek"};
            return false;
        }
        applied = patch::Apply(in.get(), base.get(), out, limits);
        return applied.ok();
    });
    if (!applied.ok()) {
        return Failed(
            DeltaFailure::NotApplied,
            QStringLiteral("%1 (%2)").arg(QString::fromLatin1(patch::Describe(applied.error)),
                                          QString::fromStdString(applied.detail)));
    }
    if (!copy->valid()) {
        return Failed(DeltaFailure::NotApplied, QStringLiteral("no sealed copy could be made"));
    }
    const MaybeRefusal problem = InstallerBindingProblem(manifest, copy->fd());
    if (problem) {
        return Failed(DeltaFailure::NotInstaller, RefusalText(*problem));
    }
    DeltaInstaller result;
    result.copy = std::move(copy);
    return result;
}

}  // namespace patchwell::update
