#pragma once

// A folder of one user that no other user can plant or change: for the
// instance lock when there is no $XDG_RUNTIME_DIR (whose folder the system
// makes private to the user).

#include "common/process/private_folder.h"

namespace tilebay {

using common::EnsurePrivateFolder;

}  // namespace tilebay
