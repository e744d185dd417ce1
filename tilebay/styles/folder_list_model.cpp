#include "tilebay/styles/folder_list_model.h"

#include <QDir>
#include <QFileInfo>

#include "common/paths/program_path.h"

namespace tilebay {

namespace {

// The folder and its ancestors, root first: "/", "/opt", "/opt/tilebay".
QStringList AncestorsOf(const QString& absolutePath) {
    QStringList chain{QStringLiteral("/")};
    QString walked;
    const QStringList parts = absolutePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        walked += QLatin1Char('/') + part;
        chain.append(walked);
    }
    return chain;
}

}  // namespace

bool FolderListModel::setPath(const QString& path) {
    const QFileInfo info(common::LocalPath(path));
    if (path.isEmpty() || !info.isDir() || !info.isReadable()) {
        return false;
    }
    path_ = QDir::cleanPath(info.absoluteFilePath());
    ancestors_ = AncestorsOf(path_);
    listSubfolders_ = true;
    readSubfolders();
    listIndex_ = -1;
    return true;
}

void FolderListModel::setPathWithoutSubfolders(const QString& path) {
    path_ = QDir::cleanPath(QFileInfo(common::LocalPath(path)).absoluteFilePath());
    ancestors_ = AncestorsOf(path_);
    listSubfolders_ = false;
    subfolders_.clear();
    listIndex_ = -1;
}

bool FolderListModel::isEntry(int number) const {
    return number >= -openCount() && number < subfolderCount();
}

QString FolderListModel::entryPath(int number) const {
    if (!isEntry(number)) {
        return {};
    }
    if (number < 0) {
        return ancestors_.at(openCount() + number);
    }
    return path_ + QLatin1Char('\\') + subfolders_.at(number);
}

QString FolderListModel::entryName(int number) const {
    if (!isEntry(number)) {
        return {};
    }
    if (number >= 0) {
        return subfolders_.at(number);
    }
    const QString folder = entryPath(number);
    return folder == QStringLiteral("/") ? folder : QFileInfo(folder).fileName();
}

void FolderListModel::select(int number) {
    if (isEntry(number)) {
        listIndex_ = number;
    }
}

bool FolderListModel::activate(int number) {
    return isEntry(number) && setPath(entryPath(number));
}

void FolderListModel::refresh() {
    readSubfolders();
    if (!isEntry(listIndex_)) {
        listIndex_ = -1;
    }
}

void FolderListModel::readSubfolders() {
    subfolders_.clear();
    if (listSubfolders_) {
        subfolders_ =
            QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    }
}

}  // namespace tilebay
