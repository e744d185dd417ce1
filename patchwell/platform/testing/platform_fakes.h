#pragma once

// Recording stand-ins for the platform services, for unit tests.

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <unistd.h>

#include "patchwell/platform/folder_storage.h"
#include "patchwell/platform/instance_guard.h"
#include "patchwell/platform/message_boxes.h"
#include "patchwell/platform/process_launcher.h"
#include "patchwell/platform/program_lifetime.h"

namespace patchwell::platform {

class FakeProcessLauncher : public ProcessLauncher {
public:
    struct Start {
        QString program;
        QStringList arguments;
        QString workingFolder;
        QByteArray descriptorContent;
        bool waited = false;  // run and waited for, not detached
    };
    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder) override {
        starts.push_back({program, arguments, workingFolder, {}, false});
        return succeed ? succeed(program) : true;
    }
    // A start from a descriptor is recorded with the program "fd:N" and the
    // bytes the descriptor held at the time.
    bool StartDetachedFromDescriptor(int fd, const QStringList& arguments,
                                     const QString& workingFolder) override {
        const QString program = QStringLiteral("fd:") + QString::number(fd);
        starts.push_back({program, arguments, workingFolder, Content(fd), false});
        return succeed ? succeed(program) : true;
    }
    // A run is recorded like a start and marked `waited`; it ends as `end`
    // says (by default it exits with 0), or not at all when `succeed` refuses.
    ProgramEnd Run(const QString& program, const QStringList& arguments,
                   const QString& workingFolder) override {
        starts.push_back({program, arguments, workingFolder, {}, true});
        return Ended(program);
    }
    ProgramEnd RunFromDescriptor(int fd, const QStringList& arguments,
                                 const QString& workingFolder) override {
        const QString program = QStringLiteral("fd:") + QString::number(fd);
        starts.push_back({program, arguments, workingFolder, Content(fd), true});
        return Ended(program);
    }
    std::vector<Start> starts;
    std::function<bool(const QString&)> succeed;    // empty: every start succeeds
    std::function<ProgramEnd(const QString&)> end;  // how a run program ends

private:
    static QByteArray Content(int fd) {
        QByteArray content;
        char block[65536];
        ssize_t got = 0;
        for (off_t at = 0; (got = ::pread(fd, block, sizeof block, at)) > 0; at += got) {
            content.append(block, got);
        }
        return content;
    }
    ProgramEnd Ended(const QString& program) {
        if (succeed && !succeed(program)) {
            return {};
        }
        return end ? end(program) : ProgramEnd{ProgramEnd::Kind::Exited, 0};
    }
};

class FakeFolderStorage : public FolderStorage {
public:
    bool IsWritable(const QString& folder) override {
        asked.push_back(folder);
        return writable;
    }
    std::optional<qint64> BytesAvailable(const QString& folder) override {
        asked.push_back(folder);
        return available;
    }
    bool writable = true;
    std::optional<qint64> available = qint64(1) << 40;
    QStringList asked;
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
        QString details;
        QString choice;         // an offer's further choice
        bool question = false;  // a Yes/No question
    };
    void Show(const QString& text, MessageIcon icon, const QString& title) override {
        ShowWithDetails(text, QString(), icon, title);
    }
    void ShowWithDetails(const QString& text, const QString& details, MessageIcon icon,
                         const QString& title) override {
        Record({text, icon, title, details, QString(), false});
    }
    bool ShowOffer(const QString& text, const QString& details, const QString& choice,
                   MessageIcon icon, const QString& title) override {
        Record({text, icon, title, details, choice, false});
        return takeChoice;
    }
    MessageAnswer Ask(const QString& text, MessageIcon icon, const QString& title) override {
        Record({text, icon, title, QString(), QString(), true});
        return answer;
    }
    std::vector<Message> shown;
    std::function<void(const Message&)> onShow;  // runs while the box would be open
    bool takeChoice = false;                     // what the user does with an offer
    MessageAnswer answer = MessageAnswer::Yes;   // and with a question

private:
    void Record(Message message) {
        shown.push_back(std::move(message));
        if (onShow) {
            onShow(shown.back());
        }
    }
};

class FakeProgramLifetime : public ProgramLifetime {
public:
    void End() override { ++ends; }
    void Wait(int ms) override { waits.push_back(ms); }
    int ends = 0;
    std::vector<int> waits;
};

}  // namespace patchwell::platform
