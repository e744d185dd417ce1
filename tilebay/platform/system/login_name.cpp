#include "login_name.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tilebay {

QString QueryLoginName() {
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::size_t size = hint > 0 ? static_cast<std::size_t>(hint) : 1024;
    // The buffer grows until the entry fits; a directory service may return
    // entries larger than the hint.
    for (int tries = 0; tries < 8; ++tries) {
        std::vector<char> buffer(size);
        passwd entry{};
        passwd* found = nullptr;
        const int rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE) {
            size *= 4;
            continue;
        }
        if (rc != 0 || found == nullptr || found->pw_name == nullptr) {
            return {};
        }
        return QString::fromLocal8Bit(found->pw_name);
    }
    return {};
}

QString SystemLoginName::LoginName() {
    return QueryLoginName();
}

}  // namespace tilebay
