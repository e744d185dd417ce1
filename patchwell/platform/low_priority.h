#pragma once

namespace patchwell::platform {

// Makes the calling process yield to everything the user runs: the lowest
// CPU priority (nice 19) and the idle I/O class, which gets the disk only
// when no other process asks for it. False when either could not be set
// (the process then runs on at what it has). A process that leads its
// session (or can start one) also gives the session's scheduling group the
// lowest priority, where the kernel groups processes by session.
bool LowerOwnPriority();

}  // namespace patchwell::platform
