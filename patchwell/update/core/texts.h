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
inline QString UpdateNotVerified() {
    return QStringLiteral(
        "Patchwell could not verify this update, so nothing was installed. The update may have "
        "been damaged or changed on its way to you. Please try again later; if this keeps "
        "happening, contact the publisher of the program.");
}

}  // namespace patchwell::update::texts
