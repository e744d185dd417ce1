#pragma once

// Every text the download control raises, in one place (the DLError texts
// and summaries of the error codes stand in download_codes.h). The English
// text is the control's interface: its events and dialogs carry it, spelt as
// the control always has ("Recieving", "NotSupported"), with %1 and %2 filled
// in. Each text is marked for translation where it is defined; Shown() gives
// a host the text in the user's language.

#include <QString>
#include <QtGlobal>

#include <vector>

namespace patchwell::download::texts {

// StatusChange
constexpr char kInitiating[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Initiating Connection.");
constexpr char kAccepted[] = QT_TRANSLATE_NOOP("patchwell::download::Texts",
                                               "Connection Accepted, Retrieving File Information.");
constexpr char kInformationComplete[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Retrieving File Information Complete!");
constexpr char kUnauthorizedStatus[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Unauthorized Access, Download Terminated!");
constexpr char kDeniedStatus[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Access Denied, Download Terminated!");
constexpr char kNotFound[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "File Not Found!");  // also the DLError text
constexpr char kServerErrorStatus[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Server Error, Download Terminated!");
constexpr char kProbeCancelled[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "cancelled.");
constexpr char kHeadersFailedStatus[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Error Reading File Headers!");
constexpr char kNoConnectionStatus[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Download aborted, no connection present!");
constexpr char kOpening[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Opening %1 For DATA Input.");  // %1: the file
constexpr char kReceiving[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Recieving File");
constexpr char kReceivingResumed[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Recieving File, Inputting DATA to File.");
constexpr char kPaused[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Paused.");
constexpr char kCancelled[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Cancelled.");
constexpr char kSuccessful[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Download Successful!");
constexpr char kAbortedStatus[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Download Aborted Due To Error In Download!");
constexpr char kResumeFileMissingStatus[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Resume File Not Found, Aborting Download!");
constexpr char kResumeUnsupportedStatus[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "Resume NotSupported, Aborting Download!");
constexpr char kUnpausing[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Unpausing");
constexpr char kCancelling[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Cancelling..");

// DLError of a refused probe whose status has no code of its own; the texts
// that go with the codes stand beside them in download_codes.h.
constexpr char kServerError[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Server Error!");

// Rate and TimeLeft (%1, %2: the figures)
constexpr char kRateBytes[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "%1 Bytes/S");
constexpr char kRateKilobytes[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "%1 KB/S");
constexpr char kSeconds[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "%1 sec");
constexpr char kMinutes[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "%1 min %2 sec");
constexpr char kHours[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "%1 hr %2 min");

// ConnectionState (not shown by patchwell, so not translated)
constexpr char kViaModem[] = "Connected Via Modem.";
constexpr char kViaLan[] = "Connected Via LAN.";
constexpr char kViaProxy[] = "Connected Through A Proxy.";

// Dialogs
constexpr char kOfflineNotice[] = QT_TRANSLATE_NOOP(
    "patchwell::download::Texts",
    "You are not currently connected to the internet!\r\nThe download will be aborted!");
constexpr char kOverwriteTitle[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Overwrite?");
constexpr char kOverwrite[] = QT_TRANSLATE_NOOP("patchwell::download::Texts",
                                                "Would you like to overwrite the file at: %1 ?");
constexpr char kNewFileTitle[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "New File...");
constexpr char kNewFilePrompt[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts",
                      "Please type in a new file path and name.\r\nExample: C:\\File2.txt");
constexpr char kNoFileTitle[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Error!");
constexpr char kNoFile[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts", "You didn't specify a file!");
constexpr char kSameFileTitle[] = QT_TRANSLATE_NOOP("patchwell::download::Texts", "Try Again?");
constexpr char kSameFile[] =
    QT_TRANSLATE_NOOP("patchwell::download::Texts",
                      "You typed in the same file! Would you like type in a different file?");

// The English text of `text` with `first` (and `second`) filled in.
QString English(const char* text, const QString& first = QString(),
                const QString& second = QString());

// The translation of `text`, with `first` (and `second`) filled in.
QString Translated(const char* text, const QString& first = QString(),
                   const QString& second = QString());

// The text a host shows for `raised`, a text the control raised (an event's,
// a dialog's, a code's summary): the translation of the control's text it
// was made from, with the parts the control filled in (a file, an address, a
// figure) put back. A text the control does not have is shown as it came.
QString Shown(const QString& raised);

// The StatusChange texts without a part filled in (kOpening has one), as a
// host sizing its status line for the longest needs them.
const std::vector<const char*>& Statuses();

// Every text of the control that a host may show, with %1 and %2 where the
// control fills in a part (the summaries and DLError texts of the codes
// among them).
const std::vector<const char*>& All();

}  // namespace patchwell::download::texts
