#pragma once

// Why an update is refused or cannot go on, as a kind with its arguments. The core returns
// these; the text the user reads is made where it is shown (RefusalText).

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace patchwell::update {

enum class RefusalKind {
    NoSignature,
    OtherKey,
    BadSignature,
    MalformedKey,
    NoSigningTime,
    Older,
    BadRecordedTime,
    NotRecorded,
    Unbound,
    BadBinding,
    WrongAddress,
    Expired,
    BadExpiry,
    BadNextKey,
    WrongLength,
    WrongDigest,
    UnreadableInstaller,
    UnusableTrustState,  // args: the state file
    TrustNotRecorded,    // args: the state file
    Downgrade,           // args: the offered and the installed version
    FolderNotWritable,   // args: the program folder
    NotEnoughSpace,      // args: the program folder, bytes needed, bytes available
};

struct Refusal {
    Refusal(RefusalKind refusalKind, QStringList arguments = {})
        : kind(refusalKind), args(std::move(arguments)) {}

    RefusalKind kind;
    QStringList args;

    friend bool operator==(const Refusal& a, const Refusal& b) {
        return a.kind == b.kind && a.args == b.args;
    }
};

// A refusal, or none when the step may go on.
using MaybeRefusal = std::optional<Refusal>;

// The translated sentence of `refusal`.
QString RefusalText(const Refusal& refusal);

}  // namespace patchwell::update
