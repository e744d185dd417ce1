#pragma once

// tilebay's command line. Without arguments the panel starts; --help,
// --version and --autostart [on|off] answer and end without touching the
// desktop or the panel's settings.

#include <QStringList>

#include "common/cli/cli_parser.h"
#include "tilebay/cli/autostart.h"

namespace tilebay {

// `arguments` start with the program's name. An outcome without an exit
// code means: start the panel, or with --toggle, signal the running one.
common::cli::Outcome RunCommandLine(const QStringList& arguments, const AutostartPlaces& places);

}  // namespace tilebay
