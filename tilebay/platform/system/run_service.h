#pragma once

// Starting programs. Only executable files are started; documents, folders
// and anything that would need a shell are refused. Starts never wait for the
// started program.

#include <QProcessEnvironment>
#include <QString>

#include "common/files/descriptor.h"

namespace tilebay {

// A program file opened (O_PATH) and checked through its descriptor: starting
// it runs the file the descriptor holds, whatever its path names by then.
struct OpenedProgram {
    QString path;  // where it was opened, for records and messages
    common::Descriptor file;
};

class RunService {
public:
    virtual ~RunService() = default;
    // Starts the program that `text` names; true when a process was started.
    virtual bool Start(const QString& text) = 0;
    // The same in `workingFolder` (the current folder when it is empty).
    virtual bool StartIn(const QString& text, const QString& workingFolder) = 0;
    // Starts `program`, without arguments, in the current folder.
    virtual bool StartOpened(const OpenedProgram& program) = 0;
};

// Starts detached processes:
// - an absolute path that names an existing entry is started, without
//   arguments, when it is an executable file, and refused otherwise (a path
//   with blanks is never taken apart);
// - any other text is split as a launcher command line; its first word is
//   started with the remaining words as arguments when it is an absolute path
//   to an executable file or the name of an executable found on PATH.
// Every program gets `environment` and nothing else: tilebay passes the
// environment it was started with, so that what it sets for itself (its Qt
// platform, its Wayland shell plugin) never reaches the programs it starts.
// X11 gives no way to make another program open its first window minimised,
// so programs start with their windows as they choose.
class ProcessRunService : public RunService {
public:
    explicit ProcessRunService(
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment())
        : environment_(std::move(environment)) {}
    bool Start(const QString& text) override { return StartIn(text, QString()); }
    // A working folder that is not an existing folder starts nothing.
    bool StartIn(const QString& text, const QString& workingFolder) override;
    bool StartOpened(const OpenedProgram& program) override;

private:
    QProcessEnvironment environment_;
};

}  // namespace tilebay
