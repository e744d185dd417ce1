#include "tilebay/platform/system/safe_file.h"

#include "common/files/own_file.h"

namespace tilebay {

std::optional<RegularFile> ReadRegularFile(const QString& path, qint64 maxBytes, LinkPolicy links) {
    common::FileRules rules;
    rules.limit = maxBytes;
    rules.followLinks = links == LinkPolicy::Follow;
    common::FileRead read = common::ReadRegularFile(path, rules);
    if (read.kind != common::FileRead::Kind::Read) {
        return std::nullopt;
    }
    return RegularFile{std::move(read.bytes), read.owner, read.mode};
}

std::optional<QByteArray> ReadFileHead(const QString& path, qint64 maxBytes) {
    common::FileRules rules;
    rules.limit = maxBytes;
    rules.followLinks = true;
    rules.headOnly = true;
    common::FileRead read = common::ReadRegularFile(path, rules);
    if (read.kind != common::FileRead::Kind::Read) {
        return std::nullopt;
    }
    return std::move(read.bytes);
}

}  // namespace tilebay
