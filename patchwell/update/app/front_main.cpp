// patchwell's front: a start with nothing to do within the check schedule
// starts the served program from here; every other start, and every command
// line, runs the whole program, which this file carries (see
// patchwell/platform/whole_program.h).

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "patchwell/platform/folder_storage.h"
#include "patchwell/platform/instance_guard.h"
#include "patchwell/platform/process_launcher.h"
#include "patchwell/platform/whole_program.h"
#include "patchwell/update/core/check/front_start.h"

// The whole program's image, linked in by the build (embedded_whole.s).
extern "C" const unsigned char patchwell_whole_start[];
extern "C" const unsigned char patchwell_whole_end[];

int main(int argc, char* argv[]) {
    const patchwell::platform::ProgramIdentity self = patchwell::platform::ReadProgramIdentity();
    patchwell::platform::AdoptIdentity(self);
    const QString executable = self.executable;
    if (argc == 1) {
        patchwell::platform::LockFileInstanceGuard guard(executable);
        patchwell::platform::SystemFolderStorage storage;
        patchwell::platform::SpawningLauncher launcher;
        if (patchwell::update::StartWithinSchedule(guard, storage, launcher, self.Folder(),
                                                   QDateTime::currentDateTimeUtc())) {
            return 0;
        }
    }  // the lock is the whole program's to take
    patchwell::platform::ExecImage(
        patchwell_whole_start,
        static_cast<std::size_t>(patchwell_whole_end - patchwell_whole_start), argv, executable);
    const int error = errno;
    std::fprintf(stderr, "patchwell: cannot run: %s\n", std::strerror(error));
    if (argc == 1) {
        // The updater cannot run here; the program it serves still can.
        patchwell::platform::LockFileInstanceGuard guard(executable);
        patchwell::platform::SpawningLauncher launcher;
        patchwell::update::StartUnchecked(guard, launcher, self.Folder());
    }
    return 127;
}
