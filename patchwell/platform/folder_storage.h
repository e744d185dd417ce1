#pragma once

#include <QString>

#include <optional>

namespace patchwell::platform {

// What the file system says about a folder: whether we may create files in
// it, and how much room its file system has left for us.
class FolderStorage {
public:
    virtual ~FolderStorage() = default;
    virtual bool IsWritable(const QString& folder) = 0;
    // Bytes an unprivileged writer may still use there; none when unknown.
    virtual std::optional<qint64> BytesAvailable(const QString& folder) = 0;
};

// The real one: access(2) for the permission (which also says no on a
// read-only mount), QStorageInfo for the space.
class SystemFolderStorage : public FolderStorage {
public:
    bool IsWritable(const QString& folder) override;
    std::optional<qint64> BytesAvailable(const QString& folder) override;
};

}  // namespace patchwell::platform
