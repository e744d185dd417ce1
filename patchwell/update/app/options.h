#pragma once

// patchwell's command line: --quiet, --check, --channel NAME, --forget-key,
// --rollback and --status beside the common --help and --version.

#include <QStringList>

#include "common/cli/cli_parser.h"
#include "patchwell/update/core/check/schedule.h"

namespace patchwell::update {

struct ParsedOptions {
    common::cli::Outcome outcome;  // with an exit code the program ends now
    CheckRequest request;
    bool forgetKey = false;  // remove the signing state kept for this folder, then end
    // --stage (not listed): download the update the start found, in the
    // background; patchwell starts itself so with autoupdate=1.
    bool stage = false;
    bool rollback = false;  // go back to the version installed before
    bool status = false;    // print where the installation stands, then end
};

// `arguments` start with the program's own name, as argv does.
ParsedOptions ParseOptions(const QStringList& arguments);

}  // namespace patchwell::update
