#include "patchwell/platform/small_file.h"

#include "common/files/own_file.h"

namespace patchwell::platform {

SmallFileRead ReadSmallFile(const QString& path, qint64 limit, bool privateOnly) {
    common::FileRules rules;
    rules.limit = limit;
    rules.privateOnly = privateOnly;
    common::FileRead read = common::ReadRegularFile(path, rules);
    SmallFileRead result;
    switch (read.kind) {
        case common::FileRead::Kind::Read:
            result.kind = SmallFileRead::Kind::Read;
            result.bytes = std::move(read.bytes);
            break;
        case common::FileRead::Kind::Missing:
            result.kind = SmallFileRead::Kind::Missing;
            break;
        case common::FileRead::Kind::Unusable:
            result.kind = SmallFileRead::Kind::Unusable;
            break;
    }
    return result;
}

}  // namespace patchwell::platform
