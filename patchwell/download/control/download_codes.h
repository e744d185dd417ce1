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
    // TransferFailed %1 is the address. Marked for translation in the
    // control's texts (download_texts.h) as the summary is.
    const char* errorText;
    // What the number means, in a few words.
    const char* summary;
};

inline constexpr ErrorCodeInfo kErrorCodes[] = {
    {ErrorCode::TransferFailed,
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Error Downloading File from : %1"),
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Uknown Error!")},
    {ErrorCode::NotFound, QT_TRANSLATE_NOOP("patchwell::download::Texts", "File Not Found!"),
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "File Doesn't Exist!")},
    {ErrorCode::HeadersFailed,
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Error Reading File Headers."),
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Error Reading File Headers!")},
    {ErrorCode::Cancelled, nullptr,
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Download Was Cancelled By User!")},
    {ErrorCode::NoConnection,
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "No Connection Found!"),
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "No Connection Present!")},
    {ErrorCode::ResumeFileMissing,
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Resume File Not Found!"),
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Resume File Not Found!")},
    {ErrorCode::ResumeUnsupported,
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Resume Not Supported!"),
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Resume Not Supported!")},
    {ErrorCode::Unauthorized,
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Unauthorized Access!"),
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Unauthorized Access!")},
    {ErrorCode::AccessDenied, QT_TRANSLATE_NOOP("patchwell::download::Texts", "Access Denied!"),
     QT_TRANSLATE_NOOP("patchwell::download::Texts", "Access Denied!")},
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

// The DLError text of `code` with `address` filled in where it has one
// (empty for Cancelled, which raises none).
inline QString ErrorText(ErrorCode code, const QString& address = QString()) {
    const QString text = QString::fromLatin1(Info(code).errorText);
    return text.contains(QLatin1String("%1")) ? text.arg(address) : text;
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
