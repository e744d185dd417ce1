#pragma once

// patchwell is two programs in one file: a small front, linked against Qt's
// core library only, that starts the served program when the check schedule
// says there is nothing to do, and the whole program (windows, network,
// signatures), which the front carries as an executable image and runs in its
// own place otherwise. The whole program, run so, has no file of its own; it
// learns the front's file from the environment.
//
// Qt takes the folder of the running program's file as the application
// folder, where it looks for plugins and qt.conf. A program without a file
// gives it none, and Qt then takes the current folder: any folder patchwell
// was started in, one that others may write to included. The whole program
// therefore works in the front's folder (WorkInFolder), which Qt then takes,
// as for a program started from its own file.

#include <QString>

#include <cstddef>

namespace patchwell::platform {

// Replaces this process by the executable image [image, image + size), run
// with `argv` from a sealed in-memory file (where memory files may not be
// executed, from a private file's copy, see executable_copy.h), and tells it
// that it stands for `executable`. Returns only when that fails (with errno
// set).
void ExecImage(const unsigned char* image, std::size_t size, char* argv[],
               const QString& executable);

// Who the running program is, made once in main and handed on from there.
struct ProgramIdentity {
    // The program's file, links resolved. For the whole program run by its
    // front, the front's file.
    QString executable;
    // Run by the front without a file of its own: the process goes by the
    // front's name.
    bool standsForFront = false;

    QString Folder() const;
};

// Which file the program is, from what /proc/self/exe names (`self`),
// whether that file exists, and the front's word (`front`, empty: none).
// Only an image without a file of its own (in memory, or a private copy
// removed once open) takes the front's word; a program started from a file
// is that file, whatever its environment says. Links are not resolved here.
ProgramIdentity IdentityFrom(const QString& self, bool selfExists, const QString& front);

// This process's identity (IdentityFrom, links resolved). Reads only.
ProgramIdentity ReadProgramIdentity();

// The process takes `identity`: the front's name when it stands for the
// front, and the front's word leaves the environment, so that no program
// started from here sees it.
void AdoptIdentity(const ProgramIdentity& identity);

// Makes `folder` the current folder, "/" when it cannot be entered. Called
// before any Qt application object is made.
void WorkInFolder(const QString& folder);

}  // namespace patchwell::platform
