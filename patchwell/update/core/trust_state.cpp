#include "patchwell/update/core/trust_state.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/ini/ini.h"
#include "patchwell/platform/private_folder.h"
#include "patchwell/signing/minisign.h"
#include "patchwell/update/core/manifest.h"
#include "patchwell/update/core/signed_update.h"
#include "patchwell/update/core/texts.h"

Q_LOGGING_CATEGORY(lcTrust, "patchwell.update.trust")

namespace patchwell::update {

namespace {

const QString kUpdate = QStringLiteral("Update");
// A state file is a few hundred bytes.
constexpr qint64 kMaxStateBytes = 64 << 10;

QString RealFolder(const QString& programFolder) {
    const QFileInfo info(programFolder);
    const QString real = info.canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : real;
}

// The file's bytes when it is a regular file of this user's that no one
// else may read or write; `problem` says why not otherwise. Nothing and no
// problem when there is no file.
std::optional<QByteArray> ReadOwnFile(const QString& path, QString& problem) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            problem = texts::refusal::UnusableTrustState(path);
        }
        return std::nullopt;
    }
    struct stat info {};
    QFile file;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & 077) != 0 || !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        problem = texts::refusal::UnusableTrustState(path);
        return std::nullopt;
    }
    return file.read(kMaxStateBytes);
}

}  // namespace

TrustState AdvanceTrust(const TrustState& state, bool usedNext, long long signedAt,
                        const QString& announcedNext) {
    TrustState next = state;
    next.lastManifestTime = QString::number(signedAt);
    if (usedNext) {
        next.retiredKeys << state.publicKey;
        next.publicKey = state.nextPublicKey;
    }
    // Whatever the manifest says about the next key is its current word: a
    // manifest without one withdraws an announcement made earlier.
    next.nextPublicKey.clear();
    if (!announcedNext.isEmpty() && announcedNext != next.publicKey) {
        if (next.retiredKeys.contains(announcedNext)) {
            qCWarning(lcTrust) << "a retired key announced as next; not taken";
        } else {
            next.nextPublicKey = announcedNext;
        }
    }
    return next;
}

QString TrustStateFile(const QString& stateFolder, const QString& programFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(RealFolder(programFolder).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    return QDir(stateFolder).filePath(QStringLiteral("trust-") + QString::fromLatin1(hash));
}

TrustLoad LoadTrustState(const QString& stateFolder, const QString& programFolder) {
    TrustLoad result;
    const QString path = TrustStateFile(stateFolder, programFolder);
    if (!QFileInfo::exists(stateFolder) && !QFileInfo(stateFolder).isSymLink()) {
        return result;
    }
    // Someone who may write the folder could take the file away, and the
    // installation would fall back to what update.ini says.
    if (!platform::PrivateFolderProblem(stateFolder).isEmpty()) {
        result.problem = texts::refusal::UnusableTrustState(path);
        return result;
    }
    const std::optional<QByteArray> bytes = ReadOwnFile(path, result.problem);
    if (!bytes) {
        return result;
    }
    TrustState state;
    for (const QByteArray& raw : bytes->split('\n')) {
        const QByteArray line = raw.trimmed();
        const int eq = line.indexOf('=');
        if (line.startsWith('#') || eq <= 0) {
            continue;
        }
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1));
        if (key == "publickey") {
            state.publicKey = value;
        } else if (key == "nextpublickey") {
            state.nextPublicKey = value;
        } else if (key == "lastmanifesttime") {
            state.lastManifestTime = value;
        } else if (key == "retiredkey" && !value.isEmpty()) {
            state.retiredKeys << value;
        }
    }
    if (state.publicKey.isEmpty()) {
        result.problem = texts::refusal::UnusableTrustState(path);
        return result;
    }
    result.state = state;
    return result;
}

bool SaveTrustState(const QString& stateFolder, const QString& programFolder,
                    const TrustState& state) {
    const QString problem = platform::MakePrivateFolder(stateFolder);
    if (!problem.isEmpty()) {
        qCWarning(lcTrust) << "no private state folder:" << problem;
        return false;
    }
    QByteArray text =
        "# The signing state of one patchwell installation; `patchwell --forget-key` in its\n"
        "# folder removes it.\nfolder=" +
        RealFolder(programFolder).toUtf8() + "\npublickey=" + state.publicKey.toUtf8() + "\n";
    const auto line = [&text](const char* key, const QString& value) {
        if (!value.isEmpty()) {
            text += QByteArray(key) + '=' + value.toUtf8() + '\n';
        }
    };
    line("nextpublickey", state.nextPublicKey);
    line("lastmanifesttime", state.lastManifestTime);
    for (const QString& retired : state.retiredKeys) {
        line("retiredkey", retired);
    }
    QSaveFile file(TrustStateFile(stateFolder, programFolder));
    file.setDirectWriteFallback(false);
    return file.open(QIODevice::WriteOnly) && ::fchmod(file.handle(), 0600) == 0 &&
           file.write(text) == text.size() && file.commit();
}

bool MirrorTrustIntoIni(const QString& programFolder, const TrustState& state) {
    const SigningState ini = ReadSigningState(programFolder);
    std::vector<common::IniChange> changes;
    const auto keep = [&](const QString& is, const QString& should, const char* key) {
        if (is != should) {
            changes.push_back({kUpdate, QString::fromLatin1(key),
                               should.isEmpty() ? std::nullopt : std::optional<QString>(should)});
        }
    };
    keep(ini.publicKey, state.publicKey, "publickey");
    keep(ini.nextPublicKey, state.nextPublicKey, "nextpublickey");
    keep(ini.lastManifestTime, state.lastManifestTime, "lastmanifesttime");
    return changes.empty() || common::WriteIniValues(changes, LocalManifestPath(programFolder));
}

TrustInForce EstablishTrust(Services& services) {
    TrustInForce result;
    TrustLoad kept = LoadTrustState(services.stateFolder, services.programFolder);
    if (!kept.problem.isEmpty()) {
        result.refusal = kept.problem;
        return result;
    }
    if (!kept.state) {
        const SigningState ini = ReadSigningState(services.programFolder);
        if (ini.publicKey.isEmpty()) {
            return result;  // never under a key: signed updates stay off
        }
        // A key or time that cannot be read is refused, not kept: once kept,
        // mending update.ini would no longer mend it.
        bool number = false;
        ini.lastManifestTime.toLongLong(&number);
        if (!signing::ParsePublicKey(ini.publicKey.toStdString())) {
            result.refusal = texts::refusal::MalformedKey();
            return result;
        }
        if (!ini.lastManifestTime.isEmpty() && !number) {
            result.refusal = texts::refusal::BadRecordedTime();
            return result;
        }
        kept.state = TrustState{ini.publicKey, ini.nextPublicKey, ini.lastManifestTime, {}};
        if (!SaveTrustState(services.stateFolder, services.programFolder, *kept.state)) {
            result.refusal = texts::refusal::TrustNotRecorded(
                TrustStateFile(services.stateFolder, services.programFolder));
            return result;
        }
        qCInfo(lcTrust) << "the key of update.ini is kept from now on";
    }
    if (!MirrorTrustIntoIni(services.programFolder, *kept.state)) {
        qCWarning(lcTrust) << "the signing keys could not be written back into update.ini";
    }
    result.state = kept.state;
    return result;
}

QString ForgetTrust(const QString& stateFolder, const QString& programFolder, bool& ok) {
    ok = true;
    const QString path = TrustStateFile(stateFolder, programFolder);
    const TrustLoad kept = LoadTrustState(stateFolder, programFolder);
    const SigningState ini = ReadSigningState(programFolder);
    const QString key = kept.state ? kept.state->publicKey : ini.publicKey;
    std::vector<common::IniChange> changes;
    if (!key.isEmpty() && ini.publicKey == key) {
        for (const char* name : {"publickey", "nextpublickey", "lastmanifesttime"}) {
            changes.push_back({kUpdate, QString::fromLatin1(name), std::nullopt});
        }
    }
    const bool hadFile = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    if ((hadFile && !QFile::remove(path)) ||
        (!changes.empty() && !common::WriteIniValues(changes, LocalManifestPath(programFolder)))) {
        ok = false;
        return texts::CouldNotForgetKey(RealFolder(programFolder));
    }
    return hadFile || !changes.empty() ? texts::KeyForgotten(RealFolder(programFolder))
                                       : texts::NoKeyKept(RealFolder(programFolder));
}

}  // namespace patchwell::update
