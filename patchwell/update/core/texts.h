#pragma once

// The fixed texts that the update windows show.

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
    return QStringLiteral(
        "Patchwell can not check for an update because update.ini can not be found. Or a "
        "connection to the internet could not be found. Please check that you are connected, and "
        "make sure that a firewall is not stopping Patchwell from accessing the internet. If this "
        "error persists, please re-install the program that you was trying to update.");
}
inline QString RanOnce() {
    return QStringLiteral("Patchwell can only be ran once");
}
inline QString LatestVersion() {
    return QStringLiteral("You have the latest version of ");
}
inline QString NoConnection() {
    return QStringLiteral(
        "A connection to the internet could not be found.\n"
        "Please check that you are connected to the internet and/or\n"
        "Check if a firewall is blocking Patchwell accessing the internet");
}
inline QString ProductNotice() {
    return QStringLiteral("Patchwell - keeps your programs up to date");
}

// Download window
inline QString DownloadTitle() {
    return QStringLiteral("Downloading Update");
}
inline QString UpdateFound() {
    return QStringLiteral("An update has been found");
}
inline QString Heading() {
    return QStringLiteral("Downloading Update from Korvane");
}
inline QString DownloadingFile() {
    return QStringLiteral("Downloading File: ");
}
inline QString SizeInitial() {
    return QStringLiteral("Recived/Total Size :");
}
inline QString SizePrefix() {
    return QStringLiteral("Recived/Total Size : ");
}
inline QString RatePrefix() {
    return QStringLiteral("Transfer Rate: ");
}
inline QString TimePrefix() {
    return QStringLiteral("Time Remaining: ");
}
inline QString StatusInitial() {
    return QStringLiteral("Status:");
}
inline QString StatusPrefix() {
    return QStringLiteral("Status: ");
}
inline QString PercentPrefix() {
    return QStringLiteral("Percent Downloaded : ");
}
inline QString StartUpdate() {
    return QStringLiteral("Start Update");
}
inline QString PauseUpdate() {
    return QStringLiteral("Pause Update");
}
inline QString ResumeUpdate() {
    return QStringLiteral("Resume Update");
}
inline QString CancelUpdate() {
    return QStringLiteral("Cancel Update");
}

// Installation window
inline QString InstallTitle() {
    return QStringLiteral("Installing Latest version");
}
inline QString InstallWait() {
    return QStringLiteral("Please wait while Patchwell installs the appropriate files for");
}
inline QString ProgramNamePlaceholder() {
    return QStringLiteral("!PRGNAME");
}

// Reports of steps that failed
inline QString CouldNotDelete(const QString& path) {
    return QStringLiteral("Patchwell could not delete ") + path;
}
inline QString CouldNotStart(const QString& path) {
    return QStringLiteral("Patchwell could not start ") + path;
}
inline QString CouldNotStartInstaller(const QString& path) {
    return QStringLiteral("Patchwell could not start the installer ") + path;
}
inline QString ReceivedFileRefused(const QString& url, const QString& why) {
    return QStringLiteral("The file downloaded from ") + url +
           QStringLiteral(" is not the announced installer: ") + why + u'.';
}
inline QString FolderNotWritable(const QString& folder) {
    return QStringLiteral("Patchwell cannot update the program in ") + folder +
           QStringLiteral(": the folder cannot be written to.");
}
inline QString NotEnoughSpace(const QString& folder, const QString& needed,
                              const QString& available) {
    return QStringLiteral("Patchwell cannot update the program in ") + folder +
           QStringLiteral(": the update needs ") + needed +
           QStringLiteral(" of free space there, and only ") + available +
           QStringLiteral(" are free.");
}
// `how`: "exit status 3", "signal 9, SIGKILL".
inline QString InstallerFailed(const QString& path, const QString& how) {
    return QStringLiteral("The installer ") + path + QStringLiteral(" failed (") + how +
           QStringLiteral("), so the update may not have been installed.");
}
inline QString UpdateNotVerified(const QString& reason) {
    return QStringLiteral("Patchwell could not verify this update, so nothing was installed.\n") +
           reason;
}
inline QString CouldNotKeepSigning(const QString& path) {
    return QStringLiteral(
               "The installer removed the update signing settings from %1, and Patchwell could "
               "not put them back there. Updates of this program are still checked with the key "
               "Patchwell keeps for it.")
        .arg(path);
}
// What `patchwell --forget-key` did for the program folder `folder`.
inline QString KeyForgotten(const QString& folder) {
    return QStringLiteral(
               "patchwell: the signing key of %1 is forgotten; its updates are no "
               "longer checked for signatures until update.ini names a key again.")
        .arg(folder);
}
inline QString NoKeyKept(const QString& folder) {
    return QStringLiteral("patchwell: no signing key is kept for %1.").arg(folder);
}
inline QString CouldNotForgetKey(const QString& folder) {
    return QStringLiteral("patchwell: the signing key of %1 could not be removed.").arg(folder);
}

// Why an update could not be verified: the second line of UpdateNotVerified.
namespace refusal {
inline QString NoSignature() {
    return QStringLiteral("The update information has no signature.");
}
inline QString OtherKey() {
    return QStringLiteral("The update information was signed with another key.");
}
inline QString BadSignature() {
    return QStringLiteral("The update information does not match its signature.");
}
inline QString MalformedKey() {
    return QStringLiteral("The public key in update.ini cannot be read.");
}
inline QString NoSigningTime() {
    return QStringLiteral("The update information carries no signing time.");
}
inline QString Older() {
    return QStringLiteral("The update information is older than the one used before.");
}
inline QString BadRecordedTime() {
    return QStringLiteral("The signing time recorded in update.ini cannot be read.");
}
inline QString NotRecorded() {
    return QStringLiteral("The signing time or key could not be recorded in update.ini.");
}
inline QString Unbound() {
    return QStringLiteral("The update information does not give the installer's size and SHA-256.");
}
inline QString BadBinding() {
    return QStringLiteral(
        "The installer's size or SHA-256 in the update information cannot be read.");
}
inline QString WrongAddress() {
    return QStringLiteral("The update information was published for another address.");
}
inline QString Expired() {
    return QStringLiteral("The update information has expired.");
}
inline QString BadExpiry() {
    return QStringLiteral("The expiry time of the update information cannot be read.");
}
inline QString BadNextKey() {
    return QStringLiteral("The next key in the update information cannot be read.");
}
inline QString WrongLength() {
    return QStringLiteral(
        "The downloaded installer does not have the size the update information gives.");
}
inline QString WrongDigest() {
    return QStringLiteral(
        "The downloaded installer does not have the SHA-256 the update information gives.");
}
inline QString UnreadableInstaller() {
    return QStringLiteral("The downloaded installer could not be read.");
}
inline QString UnusableTrustState(const QString& path) {
    return QStringLiteral("The signing state %1 cannot be read, or another user may change it.")
        .arg(path);
}
inline QString TrustNotRecorded(const QString& path) {
    return QStringLiteral("The signing state could not be recorded in %1.").arg(path);
}
inline QString Downgrade(const QString& offered, const QString& installed) {
    return QStringLiteral("The update information offers version %1, older than the installed %2.")
        .arg(offered, installed);
}
}  // namespace refusal

}  // namespace patchwell::update::texts
