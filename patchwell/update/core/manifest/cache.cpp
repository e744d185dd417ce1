#include "patchwell/update/core/manifest/cache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include "common/files/whole_file.h"
#include "common/ini/ini.h"
#include "common/process/private_folder.h"
#include "patchwell/platform/small_file.h"
#include "patchwell/platform/user_folders.h"
#include "patchwell/update/core/manifest/signed_update.h"

Q_LOGGING_CATEGORY(lcCache, "patchwell.update.cache")

namespace patchwell::update {

namespace {

const QString kMeta = QStringLiteral("Cache");

QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Where `path` is, symbolic links of its existing part resolved.
QString RealPlace(const QString& path) {
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(existing) && existing != QStringLiteral("/")) {
        rest = QLatin1Char('/') + QFileInfo(existing).fileName() + rest;
        existing = QFileInfo(existing).path();
    }
    return QFileInfo(existing).canonicalFilePath() + rest;
}

// Validators are kept as hex: an ETag is a quoted text, and INI values lose
// their quotation marks.
QString ToHex(const QString& text) {
    return QString::fromLatin1(text.toUtf8().toHex());
}
QString FromHex(const QString& hex) {
    return QString::fromUtf8(QByteArray::fromHex(hex.toLatin1()));
}

// A folder of ours that nobody else may enter: made when asked and missing,
// closed when it is ours and open to others; a link or another owner's folder
// is not used.
bool OwnPrivateFolder(const QString& path, bool create) {
    if (!create && !QFileInfo::exists(path)) {
        return false;
    }
    const QString problem = common::MakePrivateFolder(path, platform::UserFolderRules());
    if (!problem.isEmpty()) {
        qCDebug(lcCache) << "not used as a cache folder:" << problem;
        return false;
    }
    return true;
}

// At most `limit` bytes of a regular file in our folder, never through a
// link and never waiting on a FIFO put in its place.
std::optional<QByteArray> ReadSmall(const QString& path, qint64 limit) {
    platform::SmallFileRead read = platform::ReadSmallFile(path, limit, false);
    if (read.kind != platform::SmallFileRead::Kind::Read) {
        return std::nullopt;
    }
    return std::move(read.bytes);
}

}  // namespace

ManifestCache::ManifestCache(QString root, const QString& checkUrl, const QString& programFolder)
    : root_(std::move(root)) {
    if (root_.isEmpty() || checkUrl.isEmpty()) {
        root_.clear();
        return;
    }
    // A cache under the program folder would travel with the program and be
    // shared by its users: none then.
    const QString program = QFileInfo(programFolder).canonicalFilePath();
    const QString place = RealPlace(root_);
    if (!program.isEmpty() && (place == program || place.startsWith(program + QLatin1Char('/')))) {
        root_.clear();
        return;
    }
    folder_ = root_ + QLatin1Char('/') + Hex(checkUrl.toUtf8()).left(32);
}

QString ManifestCache::DefaultRoot() {
    return platform::UserCacheFolder();
}

bool ManifestCache::SafeFolder(bool create) const {
    if (root_.isEmpty()) {
        return false;
    }
    return OwnPrivateFolder(root_, create) && OwnPrivateFolder(folder_, create);
}

std::optional<CachedManifest> ManifestCache::Load() const {
    if (!SafeFolder(false)) {
        return std::nullopt;
    }
    const std::optional<QByteArray> meta = ReadSmall(folder_ + QStringLiteral("/meta"), 4096);
    const std::optional<QByteArray> manifest =
        ReadSmall(folder_ + QStringLiteral("/manifest"), kMaxManifestBytes);
    if (!meta || !manifest) {
        return std::nullopt;
    }
    const common::IniSnapshot ini = common::IniSnapshot::FromBytes(*meta);
    const auto value = [&ini](const char* key) {
        return ini.value(kMeta, QString::fromLatin1(key));
    };
    CachedManifest entry;
    entry.manifest = *manifest;
    entry.validators = {FromHex(value("etag")), FromHex(value("lastmodified"))};
    if (entry.validators.empty() || Hex(*manifest) != value("manifestsha256")) {
        return std::nullopt;
    }
    if (!value("signaturesha256").isEmpty()) {
        entry.signature = ReadSmall(folder_ + QStringLiteral("/signature"), kMaxSignatureBytes);
        if (!entry.signature || Hex(*entry.signature) != value("signaturesha256")) {
            return std::nullopt;
        }
    }
    return entry;
}

bool ManifestCache::Store(const CachedManifest& entry) const {
    if (entry.validators.empty() || !SafeFolder(true)) {
        return false;
    }
    // The meta file goes last and names the digests: a store broken off half
    // way leaves files that do not match it, which Load refuses.
    std::vector<common::IniChange> meta;
    const auto line = [&meta](const char* key, const QString& text) {
        meta.push_back({kMeta, QString::fromLatin1(key), text});
    };
    line("etag", ToHex(entry.validators.etag));
    line("lastmodified", ToHex(entry.validators.lastModified));
    line("manifestsha256", Hex(entry.manifest));
    bool ok = common::ReplaceFile(folder_ + QStringLiteral("/manifest"), entry.manifest);
    if (entry.signature) {
        line("signaturesha256", Hex(*entry.signature));
        ok = ok && common::ReplaceFile(folder_ + QStringLiteral("/signature"), *entry.signature);
    }
    const std::optional<QByteArray> text = common::IniText(meta);
    ok = ok && text && common::ReplaceFile(folder_ + QStringLiteral("/meta"), *text);
    if (!ok) {
        qCWarning(lcCache) << "the manifest could not be cached in" << folder_;
    }
    return ok;
}

void ManifestCache::Drop() const {
    if (SafeFolder(false)) {
        QFile::remove(folder_ + QStringLiteral("/meta"));
    }
}

}  // namespace patchwell::update
