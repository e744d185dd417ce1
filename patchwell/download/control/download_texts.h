#pragma once

// Every text the download control raises, in one place (the DLError texts
// of the error codes in download_codes.h). The spelling is the control's own
// and part of its interface ("Recieving", "NotSupported").

namespace patchwell::download::texts {

// StatusChange
constexpr char kInitiating[] = "Initiating Connection.";
constexpr char kAccepted[] = "Connection Accepted, Retrieving File Information.";
constexpr char kInformationComplete[] = "Retrieving File Information Complete!";
constexpr char kUnauthorizedStatus[] = "Unauthorized Access, Download Terminated!";
constexpr char kDeniedStatus[] = "Access Denied, Download Terminated!";
constexpr char kNotFound[] = "File Not Found!";  // also the DLError text
constexpr char kServerErrorStatus[] = "Server Error, Download Terminated!";
constexpr char kProbeCancelled[] = "cancelled.";
constexpr char kHeadersFailedStatus[] = "Error Reading File Headers!";
constexpr char kNoConnectionStatus[] = "Download aborted, no connection present!";
constexpr char kOpeningBefore[] = "Opening ";
constexpr char kOpeningAfter[] = " For DATA Input.";
constexpr char kReceiving[] = "Recieving File";
constexpr char kReceivingResumed[] = "Recieving File, Inputting DATA to File.";
constexpr char kPaused[] = "Paused.";
constexpr char kCancelled[] = "Cancelled.";
constexpr char kSuccessful[] = "Download Successful!";
constexpr char kAbortedStatus[] = "Download Aborted Due To Error In Download!";
constexpr char kResumeFileMissingStatus[] = "Resume File Not Found, Aborting Download!";
constexpr char kResumeUnsupportedStatus[] = "Resume NotSupported, Aborting Download!";
constexpr char kUnpausing[] = "Unpausing";
constexpr char kCancelling[] = "Cancelling..";

// DLError of a refused probe whose status has no code of its own; the texts
// that go with the codes stand beside them in download_codes.h.
constexpr char kServerError[] = "Server Error!";

// ConnectionState
constexpr char kViaModem[] = "Connected Via Modem.";
constexpr char kViaLan[] = "Connected Via LAN.";
constexpr char kViaProxy[] = "Connected Through A Proxy.";

// Dialogs
constexpr char kOfflineNotice[] =
    "You are not currently connected to the internet!\r\nThe download will be aborted!";
constexpr char kOverwriteTitle[] = "Overwrite?";
constexpr char kOverwriteBefore[] = "Would you like to overwrite the file at: ";
constexpr char kOverwriteAfter[] = " ?";
constexpr char kNewFileTitle[] = "New File...";
constexpr char kNewFilePrompt[] =
    "Please type in a new file path and name.\r\nExample: C:\\File2.txt";
constexpr char kNoFileTitle[] = "Error!";
constexpr char kNoFile[] = "You didn't specify a file!";
constexpr char kSameFileTitle[] = "Try Again?";
constexpr char kSameFile[] = "You typed in the same file! Would you like type in a different file?";

}  // namespace patchwell::download::texts
