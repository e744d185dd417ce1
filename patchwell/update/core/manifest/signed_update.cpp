#include "patchwell/update/core/manifest/signed_update.h"

#include <QCryptographicHash>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "common/files/whole_file.h"
#include "common/ini/ini.h"
#include "patchwell/signing/minisign.h"
#include "patchwell/update/core/manifest/channel.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/manifest/version_order.h"
#include "patchwell/update/core/texts.h"

Q_LOGGING_CATEGORY(lcSigned, "patchwell.update.signed")

namespace patchwell::update {

namespace {

const QString kUpdate = QStringLiteral("Update");

QString UpdateKey(const QString& programFolder, const char* key) {
    return common::ReadIniValue(kUpdate, QString::fromLatin1(key),
                                LocalManifestPath(programFolder));
}

bool Matches(const QString& text, const char* pattern) {
    return QRegularExpression(QRegularExpression::anchoredPattern(QString::fromLatin1(pattern)))
        .match(text)
        .hasMatch();
}

bool IsPublicKey(const QString& text) {
    return signing::ParsePublicKey(text.toStdString()).has_value();
}

Refusal ReasonFor(signing::Outcome outcome) {
    switch (outcome) {
        case signing::Outcome::OtherKey:
            return Refusal{RefusalKind::OtherKey};
        case signing::Outcome::MalformedKey:
            return Refusal{RefusalKind::MalformedKey};
        default:
            return Refusal{RefusalKind::BadSignature};
    }
}

// The signature check of the manifest bytes: the signing time on success,
// else the reason. `usedNext` tells which key verified.
struct SignatureCheck {
    long long signedAt = 0;
    bool usedNext = false;
    MaybeRefusal refusal;
};

SignatureCheck CheckSignature(const TrustState& state, const QByteArray& bytes,
                              const std::optional<QByteArray>& signature) {
    SignatureCheck check;
    if (!signature || signature->size() > kMaxSignatureBytes) {
        check.refusal = Refusal{RefusalKind::NoSignature};
        return check;
    }
    const std::string data(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    signing::Verification result =
        signing::VerifyData(state.publicKey.toStdString(), signature->toStdString(), data);
    // During a key rotation the next key signs too.
    // A retired key never signs again, also not as the next one.
    if (result.outcome == signing::Outcome::OtherKey && !state.nextPublicKey.isEmpty() &&
        !state.retiredKeys.contains(state.nextPublicKey)) {
        const signing::Verification next =
            signing::VerifyData(state.nextPublicKey.toStdString(), signature->toStdString(), data);
        if (next.outcome != signing::Outcome::OtherKey) {
            result = next;
            check.usedNext = true;
        }
    }
    if (!result.ok()) {
        check.refusal = ReasonFor(result.outcome);
        return check;
    }
    // Without a signing time an old manifest could not be told from a new one.
    const std::optional<long long> signedAt = signing::TimestampOf(result.trustedComment);
    if (!signedAt) {
        check.refusal = Refusal{RefusalKind::NoSigningTime};
        return check;
    }
    long long newest = 0;
    if (!state.lastManifestTime.isEmpty()) {
        bool number = false;
        newest = state.lastManifestTime.toLongLong(&number);
        if (!number) {
            check.refusal = Refusal{RefusalKind::BadRecordedTime};
            return check;
        }
    }
    // The same manifest again is fine; one signed earlier is a replay.
    if (*signedAt < newest) {
        check.refusal = Refusal{RefusalKind::Older};
        return check;
    }
    check.signedAt = *signedAt;
    return check;
}

}  // namespace

QByteArray Sha256FromHex(const QString& hex) {
    return Matches(hex, "[0-9A-Fa-f]{64}") ? QByteArray::fromHex(hex.toLatin1()) : QByteArray();
}

std::optional<qint64> ByteCountFrom(const QString& text) {
    if (!Matches(text, "[0-9]{1,18}")) {
        return std::nullopt;
    }
    return text.toLongLong();
}

TrustState ReadSigningState(const QString& programFolder) {
    return {UpdateKey(programFolder, "publickey"),
            UpdateKey(programFolder, "nextpublickey"),
            UpdateKey(programFolder, "lastmanifesttime"),
            {}};
}

QString ConfiguredPublicKey(const QString& programFolder) {
    return UpdateKey(programFolder, "publickey");
}

MaybeRefusal BindManifest(const RemoteManifest& values, bool keyed, const QString& checkUrl,
                          const QDateTime& nowUtc, VerifiedManifest& out) {
    out.values = values;
    out.keyed = keyed;
    out.address = checkUrl;
    out.installerSize.reset();
    out.installerSha256.clear();
    if (!values.curversize.isEmpty() || !values.curversha256.isEmpty() || keyed) {
        if (values.curversize.isEmpty() || values.curversha256.isEmpty()) {
            return keyed ? Refusal{RefusalKind::Unbound} : Refusal{RefusalKind::BadBinding};
        }
        const QByteArray digest = Sha256FromHex(values.curversha256);
        const std::optional<qint64> size = ByteCountFrom(values.curversize);
        if (!size || digest.isEmpty()) {
            return Refusal{RefusalKind::BadBinding};
        }
        out.installerSize = size;
        out.installerSha256 = digest;
    }
    if (!keyed) {
        return {};
    }
    if (values.manifesturl != checkUrl) {
        return Refusal{RefusalKind::WrongAddress};
    }
    if (!values.expires.isEmpty()) {
        const std::optional<QDateTime> expires = common::IniUtcTime(values.expires);
        if (!expires) {
            return Refusal{RefusalKind::BadExpiry};
        }
        if (nowUtc > *expires) {
            return Refusal{RefusalKind::Expired};
        }
    }
    if (!values.nextpublickey.isEmpty() && !IsPublicKey(values.nextpublickey)) {
        return Refusal{RefusalKind::BadNextKey};
    }
    return {};
}

QString SignatureAddress(const QString& checkUrl) {
    return checkUrl + QStringLiteral(".minisig");
}

namespace {

// The judgement AcceptManifest and JudgeKeptManifest share: the signature
// under `trust`, the binding keys and the version order.
ManifestAcceptance Judge(Services& services, const TrustInForce& trust, const QByteArray& bytes,
                         const std::optional<QByteArray>& signature, const QString& checkUrl,
                         const QDateTime& nowUtc, SignatureCheck& check) {
    ManifestAcceptance result;
    result.bytes = bytes;
    result.signature = signature;
    // The kept signing state decides, not what update.ini says now.
    if (trust.refusal) {
        result.refusal = trust.refusal;
        return result;
    }
    const bool keyed = trust.state.has_value();
    if (keyed) {
        check = CheckSignature(*trust.state, bytes, signature);
        if (check.refusal) {
            result.refusal = check.refusal;
            return result;
        }
    }
    result.refusal =
        BindManifest(ParseChannelManifest(bytes, ConfiguredChannel(services.programFolder)), keyed,
                     checkUrl, nowUtc, result.manifest);
    // Under a key an older version is taken only when the publisher says so;
    // a manifest refused for it moves nothing of the kept state.
    if (!result.refusal) {
        result.refusal = DowngradeRefusal(
            result.manifest,
            common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"),
                                 LocalManifestPath(services.programFolder)));
    }
    return result;
}

}  // namespace

ManifestAcceptance AcceptManifest(Services& services, const TrustInForce& trust,
                                  const QByteArray& bytes,
                                  const std::optional<QByteArray>& signature,
                                  const QString& checkUrl, const QDateTime& nowUtc) {
    SignatureCheck check;
    ManifestAcceptance result = Judge(services, trust, bytes, signature, checkUrl, nowUtc, check);
    const bool keyed = trust.state.has_value();
    if (!result.refusal && keyed) {
        // The kept state first, in one rename; update.ini then follows it.
        const TrustState next = AdvanceTrust(*trust.state, check.usedNext, check.signedAt,
                                             result.manifest.values.nextpublickey);
        if (next != *trust.state &&
            !SaveTrustState(services.stateFolders, services.programFolder, checkUrl, next)) {
            result.refusal =
                Refusal{RefusalKind::TrustNotRecorded,
                        {TrustStateFile(services.stateFolders.value(0), services.programFolder)}};
        } else if (!MirrorTrustIntoIni(services.programFolder, next)) {
            result.refusal = Refusal{RefusalKind::NotRecorded};
        } else if (check.usedNext) {
            qCInfo(lcSigned) << "the next key signed the manifest and is now the key";
        }
    }
    if (result.refusal) {
        qCWarning(lcSigned) << "manifest refused:" << RefusalText(*result.refusal);
    }
    return result;
}

ManifestAcceptance JudgeKeptManifest(Services& services, const TrustInForce& trust,
                                     const QByteArray& bytes,
                                     const std::optional<QByteArray>& signature,
                                     const QString& checkUrl, const QDateTime& nowUtc) {
    SignatureCheck check;
    ManifestAcceptance result = Judge(services, trust, bytes, signature, checkUrl, nowUtc, check);
    // A signature by the next key is one the state has not taken yet: only
    // a check, which records the rotation, makes it the key.
    if (!result.refusal && check.usedNext) {
        result.refusal = Refusal{RefusalKind::OtherKey};
    }
    const QString installed =
        common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"),
                             LocalManifestPath(services.programFolder));
    if (!result.refusal && !MovesForward(result.manifest, installed)) {
        result.refusal =
            Refusal{RefusalKind::Downgrade, {result.manifest.values.curver, installed}};
    }
    return result;
}

MaybeRefusal InstallerBindingProblem(const VerifiedManifest& manifest, int sealedFd) {
    if (!manifest.BindsInstaller()) {
        return manifest.keyed ? MaybeRefusal(Refusal{RefusalKind::Unbound}) : std::nullopt;
    }
    struct stat info {};
    if (::fstat(sealedFd, &info) != 0) {
        return Refusal{RefusalKind::UnreadableInstaller};
    }
    if (info.st_size != *manifest.installerSize) {
        return Refusal{RefusalKind::WrongLength};
    }
    const std::optional<common::FileDigest> digest = common::Sha256Of(sealedFd);
    if (!digest || digest->size != info.st_size) {
        return Refusal{RefusalKind::UnreadableInstaller};
    }
    return digest->sha256 == manifest.installerSha256
               ? std::nullopt
               : MaybeRefusal(Refusal{RefusalKind::WrongDigest});
}

bool ExceedsBoundSize(const VerifiedManifest& manifest, qint64 received) {
    return manifest.BindsInstaller() && received > *manifest.installerSize;
}

bool RestoreSigningState(const QString& programFolder, const TrustState& before) {
    const TrustState now = ReadSigningState(programFolder);
    std::vector<common::IniChange> changes;
    const auto lost = [&](const QString& was, const QString& is, const char* key) {
        if (!was.isEmpty() && is.isEmpty()) {
            changes.push_back({kUpdate, QString::fromLatin1(key), was});
        }
    };
    lost(before.publicKey, now.publicKey, "publickey");
    lost(before.nextPublicKey, now.nextPublicKey, "nextpublickey");
    bool kept = false;
    bool present = false;
    const long long was = before.lastManifestTime.toLongLong(&kept);
    const long long is = now.lastManifestTime.toLongLong(&present);
    if (kept && (!present || is < was)) {
        changes.push_back({kUpdate, QStringLiteral("lastmanifesttime"), before.lastManifestTime});
    }
    if (changes.empty()) {
        return true;
    }
    qCWarning(lcSigned) << "the installer dropped signing settings; writing them back";
    return common::WriteIniValues(changes, LocalManifestPath(programFolder));
}

int RolloutPercent(const QString& rollout) {
    if (!Matches(rollout, "[0-9]{1,3}")) {
        return 100;
    }
    const int percent = rollout.toInt();
    return percent <= 100 ? percent : 100;
}

int RolloutBucket(const QString& programFolder, QRandomGenerator& random) {
    const QString stored = UpdateKey(programFolder, "rolloutbucket");
    if (Matches(stored, "[0-9]{1,2}")) {
        return stored.toInt();
    }
    const int bucket = static_cast<int>(random.bounded(100U));
    if (!common::WriteIniValue(kUpdate, QStringLiteral("rolloutbucket"), QString::number(bucket),
                               LocalManifestPath(programFolder))) {
        qCWarning(lcSigned) << "rolloutbucket could not be stored; drawn for this run only";
    }
    return bucket;
}

bool OfferedInRollout(const VerifiedManifest& manifest, const QString& programFolder,
                      QRandomGenerator& random) {
    const int percent = RolloutPercent(manifest.values.rollout);
    // At 100 every number is below: no number needs drawing or storing.
    return percent >= 100 || RolloutBucket(programFolder, random) < percent;
}

Offering UpdateOffered(const VerifiedManifest& manifest, const QString& programFolder,
                       const QString& localVersion, const CheckSettings& settings) {
    if (IsUpToDate(localVersion, manifest.values.curver)) {
        return Offering::None;
    }
    if (SkipsVersion(settings, manifest.values.curver)) {
        return Offering::Skipped;
    }
    // An installation outside a staged rollout's share sees what it would
    // see without the update.
    return OfferedInRollout(manifest, programFolder, *QRandomGenerator::system()) ? Offering::Update
                                                                                  : Offering::None;
}

QString FetchReleaseNotes(Services& services, const VerifiedManifest& manifest) {
    const RemoteManifest& m = manifest.values;
    if (m.curvernotes.isEmpty()) {
        return {};
    }
    // Notes for an https manifest come over https only, as its mirrors do.
    if (QUrl(manifest.address).scheme() == QStringLiteral("https") &&
        QUrl(m.curvernotes).scheme() != QStringLiteral("https")) {
        qCInfo(lcSigned) << "release notes left out: not https like the manifest";
        return {};
    }
    const QByteArray digest = Sha256FromHex(m.curvernotessha256);
    if ((manifest.keyed || !m.curvernotessha256.isEmpty()) && digest.isEmpty()) {
        qCInfo(lcSigned) << "release notes left out: not bound by a digest";
        return {};
    }
    const std::optional<QByteArray> notes =
        services.fetcher.FetchBody(m.curvernotes, kMaxNotesBytes);
    if (!notes || (!digest.isEmpty() &&
                   QCryptographicHash::hash(*notes, QCryptographicHash::Sha256) != digest)) {
        qCInfo(lcSigned) << "release notes left out: not fetched or not matching";
        return {};
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(*notes);
    if (utf8.hasError() || text.contains(QChar(u'\0'))) {
        return {};
    }
    return text;
}

void RefuseUnverifiedUpdate(Services& services, const QString& installerFile,
                            const Refusal& reason) {
    DeleteFileAt(RemoteManifestPath(services.programFolder));
    if (!installerFile.isEmpty()) {
        DeleteFileAt(installerFile);
    }
    services.messages.Show(texts::UpdateNotVerified(RefusalText(reason)),
                           platform::MessageIcon::Critical, texts::ApplicationTitle());
}

}  // namespace patchwell::update
