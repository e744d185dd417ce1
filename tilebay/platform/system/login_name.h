#pragma once

// The login name of the user running the program.

#include <QString>

namespace tilebay {

class LoginNameSource {
public:
    virtual ~LoginNameSource() = default;
    // The login name, or the empty text when it cannot be found.
    virtual QString LoginName() = 0;
};

// Reads the password database entry of the real user id.
class SystemLoginName : public LoginNameSource {
public:
    QString LoginName() override;
};

// The login name of the real user id from the password database, or the empty
// text when the database has no entry for it. Names of any length are returned
// whole.
QString QueryLoginName();

}  // namespace tilebay
