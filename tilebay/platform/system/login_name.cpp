#include "tilebay/platform/system/login_name.h"

#include <unistd.h>

#include "tilebay/platform/system/password_entry.h"

namespace tilebay {

QString QueryLoginName() {
    const auto entry = PasswordEntryOfUser(getuid());
    return entry ? entry->loginName : QString();
}

QString SystemLoginName::LoginName() {
    return QueryLoginName();
}

}  // namespace tilebay
