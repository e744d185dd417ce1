#pragma once

// Fakes of the system services for tests: a run service that records what it
// is asked to start, a fixed login name and fixed desktop folders.

#include <QString>
#include <QStringList>

#include "tilebay/platform/system/desktop_folders.h"
#include "tilebay/platform/system/folder_watch.h"
#include "tilebay/platform/system/login_name.h"
#include "tilebay/platform/system/run_service.h"

namespace tilebay::testing {

class FakeRunService : public RunService {
public:
    bool Start(const QString& text) override { return StartIn(text, QString()); }
    bool StartIn(const QString& text, const QString& workingFolder) override {
        started.append(text);
        workingFolders.append(workingFolder);
        return !refused.contains(text);
    }
    // Recorded by the path it was opened at.
    bool StartOpened(const OpenedProgram& program) override { return Start(program.path); }
    QStringList started;         // every text asked for, in order
    QStringList workingFolders;  // the working folder of each
    QStringList refused;         // texts whose start reports failure
};

class FakeLoginName : public LoginNameSource {
public:
    explicit FakeLoginName(QString login) : name(std::move(login)) {}
    QString LoginName() override {
        ++queries;
        return name;
    }
    QString name;
    int queries = 0;
};

class FakeDesktopFolders : public DesktopFolders {
public:
    FakeDesktopFolders(QString userFolder, QString allUsersFolder)
        : user(std::move(userFolder)), allUsers(std::move(allUsersFolder)) {}
    // The user folder is given for any non-empty login name; the empty name
    // names no folder, as in the real layout.
    QString UserDesktop(const QString& loginName) override {
        askedFor.append(loginName);
        return loginName.isEmpty() ? QString() : user;
    }
    QString AllUsersDesktop() override { return allUsers; }
    QString user;
    QString allUsers;
    QStringList askedFor;
};

// A folder watcher whose changes the test reports; folders listed in
// `refused` cannot be watched.
class FakeFolderWatcher : public FolderWatcher {
public:
    bool Watch(const QString& folder) override {
        if (refused.contains(folder)) {
            return false;
        }
        watched.append(folder);
        return true;
    }
    void UnwatchAll() override { watched.clear(); }
    void Fire(const QString& folder, bool lost = false) {
        if (lost) {
            watched.removeAll(folder);
        }
        if (changed) {
            changed(folder, lost);
        }
    }
    QStringList watched;
    QStringList refused;
};

}  // namespace tilebay::testing
