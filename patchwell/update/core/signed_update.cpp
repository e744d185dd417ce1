#include "signed_update.h"

#include <QFile>

#include <optional>

#include "ini.h"
#include "manifest.h"
#include "minisign.h"
#include "program_path.h"
#include "texts.h"

namespace patchwell::update {

namespace {

QString UpdateKey(const QString& programFolder, const char* key) {
    return common::ReadIniValue(QStringLiteral("Update"), QString::fromLatin1(key),
                                LocalManifestPath(programFolder));
}

std::optional<QByteArray> ReadManifest(const QString& programFolder) {
    QFile file(common::LocalPath(RemoteManifestPath(programFolder)));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxManifestBytes) {
        return std::nullopt;
    }
    return file.readAll();
}

}  // namespace

QString ConfiguredPublicKey(const QString& programFolder) {
    return UpdateKey(programFolder, "publickey");
}

bool AcceptSignedManifest(Services& services, const QString& publicKey,
                          const QString& manifestUrl) {
    const std::optional<QByteArray> signature =
        services.fetcher.Fetch(manifestUrl + QStringLiteral(".minisig"), kMaxSignatureBytes);
    const std::optional<QByteArray> manifest = ReadManifest(services.programFolder);
    if (!signature || !manifest) {
        return false;
    }
    const signing::Verification result = signing::VerifyData(
        publicKey.toStdString(), signature->toStdString(), manifest->toStdString());
    if (!result.ok()) {
        return false;
    }
    // Without a signing time an old manifest could not be told from a new one.
    const std::optional<long long> signedAt = signing::TimestampOf(result.trustedComment);
    if (!signedAt) {
        return false;
    }
    const QString recorded = UpdateKey(services.programFolder, "lastmanifesttime");
    long long newest = 0;
    if (!recorded.isEmpty()) {
        bool number = false;
        newest = recorded.toLongLong(&number);
        if (!number) {
            return false;
        }
    }
    // The same manifest again is fine; one signed earlier is a replay.
    if (*signedAt < newest) {
        return false;
    }
    if (*signedAt > newest) {
        common::WriteIniValue(QStringLiteral("Update"), QStringLiteral("lastmanifesttime"),
                              QString::number(*signedAt),
                              LocalManifestPath(services.programFolder));
    }
    return true;
}

bool SignatureHolds(const QString& publicKey, const QByteArray& signature, int fd) {
    return signing::VerifyDescriptor(publicKey.toStdString(), signature.toStdString(), fd).ok();
}

void RefuseUnverifiedUpdate(Services& services, const QString& installerFile) {
    DeleteFileAt(RemoteManifestPath(services.programFolder));
    if (!installerFile.isEmpty()) {
        DeleteFileAt(installerFile);
    }
    services.messages.Show(texts::UpdateNotVerified(), platform::MessageIcon::Critical,
                           texts::ApplicationTitle());
}

}  // namespace patchwell::update
