#pragma once

// Copies that programs are started from and that no one else can change: the
// whole program's image and a checked installer. An anonymous memory file
// where the system lets programs run from one; where it does not (the
// vm.memfd_noexec setting), a file of the user's own that is removed as soon
// as it is open.

#include <functional>

namespace patchwell::platform {

// A new anonymous memory file that allows sealing and that programs may be
// executed from (asked for explicitly where the kernel tells the two kinds
// apart), close-on-exec when `closeOnExec`. -1 with errno set: EACCES where
// the system allows no executable memory files.
int ExecutableMemoryFile(const char* name, bool closeOnExec);

// The same, for a copy that is only read: never executable.
int ReadOnlyMemoryFile(const char* name, bool closeOnExec);

// A copy on disk for where memory files may not be executed: `fill` writes it
// into a new file (mode 0700) in a folder only this user may enter, on a file
// system that allows execution: $XDG_RUNTIME_DIR/patchwell, else the user's
// cache folder. The file is then opened read-only, checked to be the one
// written and the user's alone, and removed, so the returned descriptor is
// all that is left of it. -1 when no folder takes the copy.
int PrivateFileCopy(const std::function<bool(int fd)>& fill, bool closeOnExec);

}  // namespace patchwell::platform
