#pragma once

// The start that needs no window: within checkhours, before the server's
// notbefore, and, with quiet, a check that finds the program up to date or
// cannot be carried out. It runs before any window system is touched, so such
// a start costs little more than the served program's own; whatever needs a
// window is left to the windows, which take over the manifest already
// fetched without asking the server again. With autoupdate=1 an update found
// is handed to a background download of patchwell's own (--stage) while the
// served program starts, and an update staged so is installed at the next
// start.

#include "patchwell/update/core/check/fetch.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/services.h"
#include "patchwell/update/core/staged/staged_update.h"

#include <optional>
#include <vector>

namespace patchwell::update {

// The messages of a start without windows (a served program that would not
// start, a file that would not go), kept until windows exist to show them.
class HeldMessages : public platform::MessageBoxes {
public:
    void Show(const QString& text, platform::MessageIcon icon, const QString& title) override {
        held_.push_back({text, icon, title});
    }
    bool Empty() const { return held_.empty(); }
    void ShowAll(platform::MessageBoxes& boxes) const {
        for (const Held& message : held_) {
            boxes.Show(message.text, message.icon, message.title);
        }
    }

private:
    struct Held {
        QString text;
        platform::MessageIcon icon;
        QString title;
    };
    std::vector<Held> held_;
};

// What the start without windows learnt, for the windows to go on from.
struct WindowlessStart {
    // The served program has been started: the run is over (messages about
    // it went to `services.messages`, which should hold them, see
    // HeldMessages).
    bool over = false;
    // A quiet check made here, refused or with an update to offer: the
    // windows take it as it is, without asking the server again. None: the
    // windows make the check themselves (when it is not quiet), or say why
    // there is none (another instance, a folder it cannot use).
    std::optional<ManifestAcceptance> checked;
    // With autoupdate=1: the update an earlier start staged, checked again
    // and sealed, for the installation window to run. Nothing was fetched.
    std::optional<StagedInstall> staged;
};

WindowlessStart StartWithoutWindows(Services& services, ScheduledCheck& scheduled);

}  // namespace patchwell::update
