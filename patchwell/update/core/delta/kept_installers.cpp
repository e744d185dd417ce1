#include "patchwell/update/core/delta/kept_installers.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "common/files/own_file.h"
#include "common/files/whole_file.h"
#include "common/ini/ini.h"
#include "common/process/private_folder.h"
#include "patchwell/platform/user_folders.h"
#include "patchwell/update/core/manifest/trust_state.h"

Q_LOGGING_CATEGORY(lcKept, "patchwell.update.kept")

namespace patchwell::update {

namespace {

const QString kList = QStringLiteral("kept.ini");
const QString kCurrent = QStringLiteral("Current");
const QString kPrevious = QStringLiteral("Previous");
constexpr qint64 kMaxListBytes = 16 << 10;

QString FileNameFor(const QByteArray& sha256) {
    return QStringLiteral("installer-") + QString::fromLatin1(sha256.toHex());
}

// The kept file `name` in `folder`, when it is a regular file of the user's
// own, closed to others, of `size` bytes.
bool IsKeptFile(const QString& folder, const QString& name, qint64 size) {
    struct stat info {};
    const QByteArray path = QDir(folder).filePath(name).toLocal8Bit();
    return ::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0 && info.st_size == size;
}

std::optional<KeptInstaller> Entry(const QString& folder, const common::IniSnapshot& list,
                                   const QString& section) {
    const QString hex = list.value(section, QStringLiteral("sha256"));
    const QString sizeText = list.value(section, QStringLiteral("size"));
    bool number = false;
    const qint64 size = sizeText.toLongLong(&number);
    if (hex.size() != 64 || !number || size <= 0 || sizeText.size() > 18 ||
        !sizeText.at(0).isDigit()) {
        return std::nullopt;
    }
    const QByteArray sha256 = QByteArray::fromHex(hex.toLatin1());
    if (sha256.size() != 32 || QString::fromLatin1(sha256.toHex()) != hex.toLower()) {
        return std::nullopt;
    }
    const QString name = FileNameFor(sha256);
    if (!IsKeptFile(folder, name, size)) {
        return std::nullopt;
    }
    return KeptInstaller{QDir(folder).filePath(name), sha256, size,
                         list.value(section, QStringLiteral("version"))};
}

}  // namespace

KeptInstallers::KeptInstallers(QStringList stateFolders, QString programFolder)
    : stateFolders_(std::move(stateFolders)), programFolder_(std::move(programFolder)) {}

QString KeptInstallers::Folder() const {
    if (stateFolders_.isEmpty()) {
        return {};
    }
    return QDir(stateFolders_.first())
        .filePath(InstallationStateName("installers-", programFolder_));
}

std::optional<KeptInstaller> KeptInstallers::Kept(const QString& section) const {
    const QString folder = Folder();
    if (folder.isEmpty() || !common::PrivateFolderPathProblem(folder).isEmpty()) {
        return std::nullopt;
    }
    const common::FileRead read =
        common::ReadRegularFile(QDir(folder).filePath(kList), {kMaxListBytes, false, true, false});
    if (read.kind != common::FileRead::Kind::Read) {
        return std::nullopt;
    }
    return Entry(folder, common::IniSnapshot::FromBytes(read.bytes), section);
}

std::optional<KeptInstaller> KeptInstallers::Current() const {
    return Kept(kCurrent);
}

std::optional<KeptInstaller> KeptInstallers::Previous() const {
    return Kept(kPrevious);
}

int KeptInstallers::OpenVerified(const KeptInstaller& kept) const {
    const int fd = ::open(kept.path.toLocal8Bit().constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (Holds(kept, fd)) {
        return fd;
    }
    ::close(fd);
    qCWarning(lcKept) << "the kept installer" << kept.path << "changed; it is removed";
    QFile::remove(kept.path);
    return -1;
}

bool KeptInstallers::Holds(const KeptInstaller& kept, int fd) {
    struct stat info {};
    const std::optional<common::FileDigest> digest =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            ? common::Sha256Of(fd)
            : std::nullopt;
    return digest && digest->sha256 == kept.sha256 && digest->size == kept.size;
}

bool KeptInstallers::Keep(int sealedFd, const QByteArray& sha256, const QString& version) {
    const QString folder = Folder();
    if (folder.isEmpty() || sha256.size() != 32) {
        return false;
    }
    QString problem = common::MakePrivateFolder(stateFolders_.first(), platform::UserFolderRules());
    if (problem.isEmpty()) {
        problem = common::MakePrivateFolder(folder, platform::UserFolderRules());
    }
    if (problem.isEmpty()) {
        problem = common::PrivateFolderPathProblem(folder);
    }
    if (!problem.isEmpty()) {
        qCWarning(lcKept) << "no installer is kept:" << problem;
        return false;
    }
    const std::optional<KeptInstaller> current = Current();
    const std::optional<KeptInstaller> previous = Previous();
    const QString name = FileNameFor(sha256);
    const QString path = QDir(folder).filePath(name);

    struct stat info {};
    const qint64 size = ::fstat(sealedFd, &info) == 0 ? info.st_size : 0;
    if (size == 0 || !common::ReplaceFileFrom(path, sealedFd, true)) {
        qCWarning(lcKept) << "the installer that ran could not be kept in" << folder;
        return false;
    }

    // The one that ran before becomes the previous one, unless the same
    // installer ran again.
    std::optional<KeptInstaller> before = current && current->sha256 != sha256 ? current : previous;
    if (before && before->sha256 == sha256) {
        before.reset();
    }
    return List(folder, KeptInstaller{path, sha256, size, version}, before);
}

bool KeptInstallers::RolledBack() {
    const std::optional<KeptInstaller> previous = Previous();
    return previous && List(Folder(), *previous, std::nullopt);
}

bool KeptInstallers::List(const QString& folder, const KeptInstaller& current,
                          const std::optional<KeptInstaller>& before) {
    std::vector<common::IniChange> list;
    const auto add = [&list](const QString& section, const KeptInstaller& kept) {
        list.push_back(
            {section, QStringLiteral("sha256"), QString::fromLatin1(kept.sha256.toHex())});
        list.push_back({section, QStringLiteral("size"), QString::number(kept.size)});
        list.push_back({section, QStringLiteral("version"), kept.version});
    };
    add(kCurrent, current);
    if (before) {
        add(kPrevious, *before);
    }
    const std::optional<QByteArray> text = common::IniText(list);
    if (!text || !common::ReplaceFile(QDir(folder).filePath(kList), *text, true)) {
        qCWarning(lcKept) << "the list of kept installers could not be written in" << folder;
        return false;
    }
    // Anything else in the folder is an older installer or a leftover.
    QStringList keep{kList, FileNameFor(current.sha256), QStringLiteral("work")};
    if (before) {
        keep << FileNameFor(before->sha256);
    }
    QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!keep.contains(entry)) {
            dir.remove(entry);
        }
    }
    return true;
}

QString KeptInstallers::WorkFolder() const {
    const QString folder = Folder();
    if (folder.isEmpty()) {
        return {};
    }
    const QString work = QDir(folder).filePath(QStringLiteral("work"));
    for (const QString& path : {stateFolders_.first(), folder, work}) {
        if (!common::MakePrivateFolder(path, platform::UserFolderRules()).isEmpty()) {
            return {};
        }
    }
    return common::PrivateFolderPathProblem(work).isEmpty() ? work : QString();
}

}  // namespace patchwell::update
