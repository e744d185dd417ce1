#pragma once

// Recording stand-ins for the platform services, for unit tests.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "instance_guard.h"
#include "message_boxes.h"
#include "process_launcher.h"
#include "program_lifetime.h"

namespace patchwell::platform {

class FakeProcessLauncher : public ProcessLauncher {
public:
    struct Start {
        QString program;
        QStringList arguments;
        QString workingFolder;
    };
    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder) override {
        starts.push_back({program, arguments, workingFolder});
        return succeed ? succeed(program) : true;
    }
    std::vector<Start> starts;
    std::function<bool(const QString&)> succeed;  // empty: every start succeeds
};

class FakeInstanceGuard : public InstanceGuard {
public:
    bool TryClaim() override { return !otherInstanceRunning; }
    bool otherInstanceRunning = false;
};

class FakeMessageBoxes : public MessageBoxes {
public:
    struct Message {
        QString text;
        MessageIcon icon;
        QString title;
    };
    void Show(const QString& text, MessageIcon icon, const QString& title) override {
        shown.push_back({text, icon, title});
        if (onShow) {
            onShow(shown.back());
        }
    }
    std::vector<Message> shown;
    std::function<void(const Message&)> onShow;  // runs while the box would be open
};

class FakeProgramLifetime : public ProgramLifetime {
public:
    void End() override { ++ends; }
    void Wait(int ms) override { waits.push_back(ms); }
    int ends = 0;
    std::vector<int> waits;
};

}  // namespace patchwell::platform
