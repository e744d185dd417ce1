// pw-x-session: runs a command inside a private X session; see x_session.h.

#include "common/cli/cli_parser.h"
#include "common/testing/desktop/x_session.h"

int main(int argc, char** argv) {
    const pwtest::SessionCommand session =
        pwtest::ParseSessionCommand(common::cli::Arguments(argc, argv));
    if (const auto code = common::cli::Emit(session.outcome)) {
        return *code;
    }
    return pwtest::RunInSession(session);
}
