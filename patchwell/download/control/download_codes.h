#pragma once

// The numbers that DLECode carries, each with its texts beside it: the
// DLError text raised with it and the short description a host may show
// with the number. Raised by name (ErrorCode::HeadersFailed), never as a bare
// number. Besides these, a refused probe whose HTTP status has no code of its
// own (a 500, say) carries that status.

#include <QString>
#include <QtGlobal>

namespace patchwell::download {

enum class ErrorCode : qint32 {
    TransferFailed = 1,     // a failure inside a transfer or a resumed transfer
    NotFound = 2,           // the server answered 404
    HeadersFailed = 3,      // a failure inside the probe, e.g. no usable Content-Length
    Cancelled = 4,          // the operation was cancelled
    NoConnection = 5,       // OnlineCheck is set and no connection was found
    ResumeFileMissing = 6,  // the file to resume does not exist
    ResumeUnsupported = 7,  // ResumeSupported is false
    Unauthorized = 401,     // the server answered 401
    AccessDenied = 403,     // the server answered 403
};

struct ErrorCodeInfo {
    ErrorCode code;
    // Raised with DLError next to the code; nullptr: no DLError. For
    // TransferFailed the address follows it.
    const char* errorText;
    // What the number means, in a few words.
    const char* summary;
};

inline constexpr ErrorCodeInfo kErrorCodes[] = {
    {ErrorCode::TransferFailed, "Error Downloading File from : ", "Uknown Error!"},
    {ErrorCode::NotFound, "File Not Found!", "File Doesn't Exist!"},
    {ErrorCode::HeadersFailed, "Error Reading File Headers.", "Error Reading File Headers!"},
    {ErrorCode::Cancelled, nullptr, "Download Was Cancelled By User!"},
    {ErrorCode::NoConnection, "No Connection Found!", "No Connection Present!"},
    {ErrorCode::ResumeFileMissing, "Resume File Not Found!", "Resume File Not Found!"},
    {ErrorCode::ResumeUnsupported, "Resume Not Supported!", "Resume Not Supported!"},
    {ErrorCode::Unauthorized, "Unauthorized Access!", "Unauthorized Access!"},
    {ErrorCode::AccessDenied, "Access Denied!", "Access Denied!"},
};

constexpr qint32 Number(ErrorCode code) {
    return static_cast<qint32>(code);
}

// The entry of `number`, or nullptr for a number that is no code.
constexpr const ErrorCodeInfo* FindErrorCode(qint32 number) {
    for (const ErrorCodeInfo& info : kErrorCodes) {
        if (Number(info.code) == number) {
            return &info;
        }
    }
    return nullptr;
}

constexpr const ErrorCodeInfo& Info(ErrorCode code) {
    return *FindErrorCode(Number(code));
}

// The DLError text of `code` (empty for Cancelled, which raises none).
inline QString ErrorText(ErrorCode code) {
    const char* text = Info(code).errorText;
    return text != nullptr ? QString::fromLatin1(text) : QString();
}

// "Error Code - [3] Error Reading File Headers!": the number and its summary,
// as a host shows them; empty for a number that is no code.
inline QString ErrorCodeSummary(qint32 number) {
    const ErrorCodeInfo* info = FindErrorCode(number);
    if (info == nullptr) {
        return QString();
    }
    return QStringLiteral("Error Code - [") + QString::number(number) + QStringLiteral("] ") +
           QString::fromLatin1(info->summary);
}

}  // namespace patchwell::download
