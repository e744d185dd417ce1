#include "patchwell/update/core/refusal.h"

#include <QLocale>

#include "patchwell/update/core/texts.h"

namespace patchwell::update {

QString RefusalText(const Refusal& refusal) {
    namespace t = texts::refusal;
    const QString first = refusal.args.value(0);
    switch (refusal.kind) {
        case RefusalKind::NoSignature:
            return t::NoSignature();
        case RefusalKind::OtherKey:
            return t::OtherKey();
        case RefusalKind::BadSignature:
            return t::BadSignature();
        case RefusalKind::MalformedKey:
            return t::MalformedKey();
        case RefusalKind::NoSigningTime:
            return t::NoSigningTime();
        case RefusalKind::Older:
            return t::Older();
        case RefusalKind::BadRecordedTime:
            return t::BadRecordedTime();
        case RefusalKind::NotRecorded:
            return t::NotRecorded();
        case RefusalKind::Unbound:
            return t::Unbound();
        case RefusalKind::BadBinding:
            return t::BadBinding();
        case RefusalKind::WrongAddress:
            return t::WrongAddress();
        case RefusalKind::Expired:
            return t::Expired();
        case RefusalKind::BadExpiry:
            return t::BadExpiry();
        case RefusalKind::BadNextKey:
            return t::BadNextKey();
        case RefusalKind::WrongLength:
            return t::WrongLength();
        case RefusalKind::WrongDigest:
            return t::WrongDigest();
        case RefusalKind::UnreadableInstaller:
            return t::UnreadableInstaller();
        case RefusalKind::UnusableTrustState:
            return t::UnusableTrustState(first);
        case RefusalKind::TrustNotRecorded:
            return t::TrustNotRecorded(first);
        case RefusalKind::Downgrade:
            return t::Downgrade(first, refusal.args.value(1));
        case RefusalKind::FolderNotWritable:
            return texts::FolderNotWritable(first);
        case RefusalKind::NotEnoughSpace: {
            // Sizes as the user's locale writes them ("1,5 MiB" in German).
            const QLocale locale;
            return texts::NotEnoughSpace(
                first, locale.formattedDataSize(refusal.args.value(1).toLongLong()),
                locale.formattedDataSize(refusal.args.value(2).toLongLong()));
        }
    }
    return t::BadSignature();
}

}  // namespace patchwell::update
