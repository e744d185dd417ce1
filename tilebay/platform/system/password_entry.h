#pragma once

// One entry of the password database (getpwuid_r / getpwnam_r), read with a
// buffer that grows until the entry fits: a directory service may return
// entries larger than the system's size hint.

#include <QString>

#include <optional>

#include <sys/types.h>

namespace tilebay {

struct PasswordEntry {
    QString loginName;
    QString homeFolder;
};

// nullopt when the database has no entry (or cannot be read).
std::optional<PasswordEntry> PasswordEntryOfUser(uid_t uid);
std::optional<PasswordEntry> PasswordEntryOfLogin(const QString& loginName);

}  // namespace tilebay
