#pragma once

// The fixed texts that the update windows and message boxes show, translated
// into the user's language (the English texts are the sources).

#include <QCoreApplication>
#include <QString>

namespace patchwell::update::texts {

inline QString ApplicationTitle() {
    return QStringLiteral("Patchwell");
}

// Check window
inline QString CheckTitle() {
    return QStringLiteral("Patchwell");
}
inline QString CheckFailed() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "Patchwell can not check for an update because update.ini can not be found. Or a "
        "connection to the internet could not be found. Please check that you are connected, and "
        "make sure that a firewall is not stopping Patchwell from accessing the internet. If this "
        "error persists, please re-install the program that you was trying to update.");
}
inline QString RanOnce() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "Patchwell can only be ran once");
}
inline QString LatestVersion(const QString& programName) {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "You have the latest version of %1")
        .arg(programName);
}
inline QString NoConnection() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "A connection to the internet could not be found.\n"
        "Please check that you are connected to the internet and/or\n"
        "Check if a firewall is blocking Patchwell accessing the internet");
}
inline QString ProductNotice() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "Patchwell - keeps your programs up to date");
}

// Download window
inline QString DownloadTitle() {
    return QCoreApplication::translate("patchwell::update::texts", "Downloading Update");
}
inline QString UpdateFound() {
    return QCoreApplication::translate("patchwell::update::texts", "An update has been found");
}
// The offer's further choice: that version is not offered again.
inline QString SkipThisVersion() {
    return QCoreApplication::translate("patchwell::update::texts", "Skip This Version");
}
inline QString CouldNotSkip(const QString& version, const QString& path) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "Patchwell could not record in %2 that version %1 is to be skipped, so it will be "
               "offered again.")
        .arg(version, path);
}
inline QString Heading() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "Downloading Update from Korvane");
}
// The address being fetched; empty before the first start.
inline QString DownloadingFile(const QString& url) {
    return QCoreApplication::translate("patchwell::update::texts", "Downloading File: %1").arg(url);
}
inline QString SizeInitial() {
    return QCoreApplication::translate("patchwell::update::texts", "Recived/Total Size :");
}
inline QString Size(const QString& received, const QString& total) {
    return QCoreApplication::translate("patchwell::update::texts", "Recived/Total Size : %1/%2")
        .arg(received, total);
}
// `rate` and `time`: the shown texts of the control's Rate and TimeLeft, empty
// before the first.
inline QString Rate(const QString& rate) {
    return QCoreApplication::translate("patchwell::update::texts", "Transfer Rate: %1").arg(rate);
}
inline QString TimeRemaining(const QString& time) {
    return QCoreApplication::translate("patchwell::update::texts", "Time Remaining: %1").arg(time);
}
inline QString StatusInitial() {
    return QCoreApplication::translate("patchwell::update::texts", "Status:");
}
inline QString Status(const QString& status) {
    return QCoreApplication::translate("patchwell::update::texts", "Status: %1").arg(status);
}
inline QString PercentDownloaded(qint32 percent) {
    return QCoreApplication::translate("patchwell::update::texts", "Percent Downloaded : %1%")
        .arg(percent);
}
inline QString PercentTitle(qint32 percent) {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "Downloading Update - %1% downloaded")
        .arg(percent);
}
// The text of a code of the control's DLECode event: its number and the shown
// text of its summary.
inline QString ErrorCode(qint32 number, const QString& summary) {
    return QCoreApplication::translate("patchwell::update::texts", "Error Code - [%1] %2")
        .arg(QString::number(number), summary);
}
// The status line when a patch or the compressed installer could not be used
// and the download goes on with the next kind of file.
inline QString PatchNotUsed() {
    return QCoreApplication::translate(
        "patchwell::update::texts", "The patch could not be used; downloading the full installer.");
}
inline QString CompressedNotUsed() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "The compressed installer could not be used; downloading the installer itself.");
}
inline QString StartUpdate() {
    return QCoreApplication::translate("patchwell::update::texts", "Start Update");
}
inline QString PauseUpdate() {
    return QCoreApplication::translate("patchwell::update::texts", "Pause Update");
}
inline QString ResumeUpdate() {
    return QCoreApplication::translate("patchwell::update::texts", "Resume Update");
}
inline QString CancelUpdate() {
    return QCoreApplication::translate("patchwell::update::texts", "Cancel Update");
}

// Installation window
inline QString InstallTitle() {
    return QCoreApplication::translate("patchwell::update::texts", "Installing Latest version");
}
inline QString InstallWait() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "Please wait while Patchwell installs the appropriate files for");
}
inline QString ProgramNamePlaceholder() {
    return QStringLiteral("!PRGNAME");
}

// Reports of steps that failed
inline QString CouldNotDelete(const QString& path) {
    return QCoreApplication::translate("patchwell::update::texts", "Patchwell could not delete %1")
        .arg(path);
}
inline QString CouldNotStart(const QString& path) {
    return QCoreApplication::translate("patchwell::update::texts", "Patchwell could not start %1")
        .arg(path);
}
inline QString CouldNotStartInstaller(const QString& path) {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "Patchwell could not start the installer %1")
        .arg(path);
}
inline QString ReceivedFileRefused(const QString& url, const QString& why) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "The file downloaded from %1 is not the announced installer: %2.")
        .arg(url, why);
}
inline QString FolderNotWritable(const QString& folder) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "Patchwell cannot update the program in %1: the folder cannot be written to.")
        .arg(folder);
}
inline QString NotEnoughSpace(const QString& folder, const QString& needed,
                              const QString& available) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "Patchwell cannot update the program in %1: the update needs %2 of free space "
               "there, and only %3 are free.")
        .arg(folder, needed, available);
}
// `how`: "exit status 3", "signal 9, SIGKILL" (see ExitStatus and KilledBySignal).
inline QString InstallerFailed(const QString& path, const QString& how) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "The installer %1 failed (%2), so the update may not have been installed.")
        .arg(path, how);
}
inline QString ExitStatus(int code) {
    return QCoreApplication::translate("patchwell::update::texts", "exit status %1").arg(code);
}
// `name`: ", SIGKILL", or empty for a signal without a name.
inline QString KilledBySignal(int number, const QString& name) {
    return QCoreApplication::translate("patchwell::update::texts", "signal %1%2")
        .arg(QString::number(number), name);
}
inline QString UpdateNotVerified(const QString& reason) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "Patchwell could not verify this update, so nothing was installed.\n%1")
        .arg(reason);
}
inline QString CouldNotKeepSigning(const QString& path) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "The installer removed the update signing settings from %1, and Patchwell could "
               "not put them back there. Updates of this program are still checked with the key "
               "Patchwell keeps for it.")
        .arg(path);
}
// What `patchwell --forget-key` did for the program folder `folder`.
inline QString KeyForgotten(const QString& folder) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "patchwell: the signing key of %1 is forgotten; its updates are no "
               "longer checked for signatures until update.ini names a key again.")
        .arg(folder);
}
inline QString NoKeyKept(const QString& folder) {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "patchwell: no signing key is kept for %1.")
        .arg(folder);
}
inline QString CouldNotForgetKey(const QString& folder) {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "patchwell: the signing key of %1 could not be removed.")
        .arg(folder);
}
// `patchwell --rollback`: going back to the version installed before.
inline QString ConfirmRollback(const QString& programName, const QString& installed,
                               const QString& previous) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "Go back from version %2 of %1 to version %3, which was installed before?\n"
               "Version %2 will then not be offered again.")
        .arg(programName, installed, previous);
}
inline QString NothingToRollBack(const QString& programName) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "Patchwell keeps no earlier version of %1 to go back to, so nothing was changed.")
        .arg(programName);
}
inline QString RollbackChanged(const QString& version) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "The installer of version %1 kept for going back has changed since it ran, so it "
               "was removed and nothing was changed.")
        .arg(version);
}
// The offer's note on a metered connection; `size` is the installer's.
inline QString MeteredUnknownSize() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "Your connection is metered; the size of the update is not known.");
}
inline QString MeteredSize(const QString& size) {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "Your connection is metered: the update is %1.")
        .arg(size);
}

// Why an update could not be verified: the second line of UpdateNotVerified.
namespace refusal {
inline QString NoSignature() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The update information has no signature.");
}
inline QString OtherKey() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The update information was signed with another key.");
}
inline QString BadSignature() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The update information does not match its signature.");
}
inline QString MalformedKey() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The public key in update.ini cannot be read.");
}
inline QString NoSigningTime() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The update information carries no signing time.");
}
inline QString Older() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The update information is older than the one used before.");
}
inline QString BadRecordedTime() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The signing time recorded in update.ini cannot be read.");
}
inline QString NotRecorded() {
    return QCoreApplication::translate(
        "patchwell::update::texts", "The signing time or key could not be recorded in update.ini.");
}
inline QString Unbound() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "The update information does not give the installer's size and SHA-256.");
}
inline QString BadBinding() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "The installer's size or SHA-256 in the update information cannot be read.");
}
inline QString WrongAddress() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The update information was published for another address.");
}
inline QString Expired() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The update information has expired.");
}
inline QString BadExpiry() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The expiry time of the update information cannot be read.");
}
inline QString BadNextKey() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The next key in the update information cannot be read.");
}
inline QString WrongLength() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "The downloaded installer does not have the size the update information gives.");
}
inline QString WrongDigest() {
    return QCoreApplication::translate(
        "patchwell::update::texts",
        "The downloaded installer does not have the SHA-256 the update information gives.");
}
inline QString UnreadableInstaller() {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The downloaded installer could not be read.");
}
inline QString UnusableTrustState(const QString& path) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "The signing state %1 cannot be read, or another user may change it.")
        .arg(path);
}
inline QString TrustNotRecorded(const QString& path) {
    return QCoreApplication::translate("patchwell::update::texts",
                                       "The signing state could not be recorded in %1.")
        .arg(path);
}
inline QString Downgrade(const QString& offered, const QString& installed) {
    return QCoreApplication::translate(
               "patchwell::update::texts",
               "The update information offers version %1, older than the installed %2.")
        .arg(offered, installed);
}
}  // namespace refusal

}  // namespace patchwell::update::texts
