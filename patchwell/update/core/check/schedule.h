#pragma once

// When and how quietly the check runs: keys of update.ini's [Update] that an
// installer writes, and the user's command line.
//
//   quiet=1           "up to date" and a check that could not be carried out
//                     end without a box; the served program starts at once
//   checkhours=N      1-8760: a start less than N hours after the last
//                     completed check (lastcheck=) makes no request
//   checkseconds=S    1-300: one limit for the whole check, manifest and
//                     signature (10 with quiet, else none)
//   notbefore=TIME    no request before this time (a server's Retry-After)
//   channel=NAME      the manifest's [Update.NAME] instead of [Update]
//   autoupdate=1      as quiet, and an update found is downloaded in the
//                     background and installed at the next start
//   skipversion=V     the version the user chose to skip: not offered
//
// A value that is malformed or out of range counts as absent.

#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

namespace common {
class IniSnapshot;
}

namespace patchwell::update {

struct VerifiedManifest;

// What the command line asks for.
struct CheckRequest {
    bool quiet = false;              // --quiet
    bool checkNow = false;           // --check: now, every outcome in its box
    std::optional<QString> channel;  // --channel NAME: switch, then check
};

struct CheckSettings {
    bool quiet = false;  // no box for "up to date" or a failed check
    std::optional<int> checkHours;
    std::chrono::milliseconds limit{0};  // zero: no overall limit
    std::optional<QDateTime> lastCheck;
    std::optional<QDateTime> notBefore;
    bool checkNow = false;
    // autoupdate=1, and not --check (the user who asks sees the offer).
    bool autoUpdate = false;
    // The version the user chose to skip ("Skip This Version"). None when
    // update.ini names none or one that is malformed, and for --check: the
    // user who asks sees whatever is published.
    std::optional<QString> skipVersion;
};

// The settings of update.ini in `programFolder` as `request` changes them.
CheckSettings ReadCheckSettings(const QString& programFolder, const CheckRequest& request);
// The same from update.ini read once.
CheckSettings ReadCheckSettings(const common::IniSnapshot& updateIni, const CheckRequest& request);

// A channel name is a short word: letters, digits, '.', '_' and '-'.
bool IsChannelName(const QString& name);

enum class CheckSkip {
    None,      // check now
    Schedule,  // within checkhours of the last completed check
    Server,    // the server asked to wait (notbefore)
};

// Whether the start at `nowUtc` makes a request. --check (and --channel)
// asks whatever the schedule or the server's wish says: the user asked. A
// lastcheck in the future (the clock was set back) means "check now"; so
// does a notbefore further ahead than any Retry-After is honoured.
CheckSkip SkipFor(const CheckSettings& settings, const QDateTime& nowUtc);

// What a start does, decided from the settings and the time alone: the
// front, the start without windows and so the windows all go by this.
enum class StartPlan {
    StartServed,     // nothing is asked: the served program starts
    CheckQuietly,    // the check runs without a window as far as it can
    CheckInWindows,  // the check window makes the check
    InstallStaged,   // the update staged by an earlier start is installed
};
// `staged`: an installer is staged for this installation (a look at the
// file, see staged/staged_update.h); it counts only with autoupdate, and
// also within checkhours, since installing it needs no request.
StartPlan PlanStart(const CheckSettings& settings, const QDateTime& nowUtc, bool staged = false);

// What a check without windows does with the update it found offered. With
// autoupdate, an update that moves forward and whose installer the manifest
// binds (so that what is staged can be checked again) is downloaded in the
// background while the served program starts, unless the connection is
// metered; every other one is offered in the windows as before.
enum class OfferPlan { OfferInWindows, StageInBackground };
OfferPlan PlanOffer(const CheckSettings& settings, const VerifiedManifest& manifest,
                    const QString& installedVersion, bool metered);

// After a completed check: lastcheck (when checkhours asks for it) and no
// notbefore any more. False when update.ini could not be written.
bool RecordCompletedCheck(const QString& programFolder, const CheckSettings& settings,
                          const QDateTime& nowUtc);

// A version text that skipversion can hold: at most 128 characters, none of
// them a control character or a line break, read back from update.ini as it
// was written (no blanks around it, no quotes around it).
bool IsSkippableVersion(const QString& version);

// Whether an update to `version` is the one the user skipped: compared as
// versions are compared for an offer (see IsUpToDate), so a later version is
// offered as usual.
bool SkipsVersion(const CheckSettings& settings, const QString& version);

// "Skip This Version": `version` written as skipversion in one write of
// update.ini. False when it cannot be kept there or was not written.
bool RecordSkippedVersion(const QString& programFolder, const QString& version);

// A server's Retry-After: no request before `nowUtc` + `seconds`.
bool RecordNotBefore(const QString& programFolder, const QDateTime& nowUtc, qint64 seconds);

// --channel NAME: written into update.ini before the check.
bool RecordChannel(const QString& programFolder, const QString& channel);

}  // namespace patchwell::update
