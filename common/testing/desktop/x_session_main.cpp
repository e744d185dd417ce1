// pw-x-session: runs a command inside a private X session; see x_session.h.

#include <QStringList>

#include <cstdio>

#include "common/testing/desktop/x_session.h"

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    if (arguments == QStringList{QStringLiteral("--help")}) {
        std::fputs(qPrintable(pwtest::SessionUsage()), stdout);
        return 0;
    }
    const pwtest::SessionCommand session = pwtest::ParseSessionCommand(arguments);
    if (!session.ok()) {
        std::fprintf(stderr, "pw-x-session: %s\n%s", qPrintable(session.error),
                     qPrintable(pwtest::SessionUsage()));
        return 2;
    }
    return pwtest::RunInSession(session);
}
