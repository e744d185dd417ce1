#pragma once

// The start that needs no window: within checkhours, before the server's
// notbefore, and, with quiet, a check that finds the program up to date or
// cannot be carried out. It runs before any window system is touched, so such
// a start costs little more than the served program's own; whatever needs a
// window is left to the windows, which take over the manifest already
// fetched without asking the server again.

#include "patchwell/update/core/scheduled_check.h"
#include "patchwell/update/core/services.h"

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

// True when the run is over: the served program has been started (messages
// about it go to `services.messages`, which should hold them, see
// HeldMessages). False when the windows are to carry on (a message to show,
// an update to offer, a check that is not quiet).
bool StartWithoutWindows(Services& services, ScheduledCheck& scheduled);

}  // namespace patchwell::update
