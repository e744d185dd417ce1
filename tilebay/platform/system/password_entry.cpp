#include "tilebay/platform/system/password_entry.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tilebay {
namespace {

// `lookup(entry, buffer, size, found)` is one getpw*_r call.
template <class Lookup>
std::optional<PasswordEntry> Query(Lookup lookup) {
    const long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::size_t size = hint > 0 ? static_cast<std::size_t>(hint) : 1024;
    for (int tries = 0; tries < 8; ++tries) {
        std::vector<char> buffer(size);
        passwd entry{};
        passwd* found = nullptr;
        const int rc = lookup(&entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE) {
            size *= 4;
            continue;
        }
        if (rc != 0 || found == nullptr) {
            return std::nullopt;
        }
        PasswordEntry result;
        if (found->pw_name != nullptr) {
            result.loginName = QString::fromLocal8Bit(found->pw_name);
        }
        if (found->pw_dir != nullptr) {
            result.homeFolder = QString::fromLocal8Bit(found->pw_dir);
        }
        return result;
    }
    return std::nullopt;
}

}  // namespace

std::optional<PasswordEntry> PasswordEntryOfUser(uid_t uid) {
    return Query([uid](passwd* entry, char* buffer, std::size_t size, passwd** found) {
        return getpwuid_r(uid, entry, buffer, size, found);
    });
}

std::optional<PasswordEntry> PasswordEntryOfLogin(const QString& loginName) {
    const QByteArray name = loginName.toLocal8Bit();
    return Query([&name](passwd* entry, char* buffer, std::size_t size, passwd** found) {
        return getpwnam_r(name.constData(), entry, buffer, size, found);
    });
}

}  // namespace tilebay
