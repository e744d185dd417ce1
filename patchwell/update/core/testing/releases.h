#pragma once

// Installers for the tests of patches and of kept and staged installers:
// releases alike but for a few changes, patches between them, and memory
// files that hold them.

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include "common/files/whole_file.h"
#include "patchwell/patch/zstd_patch.h"

namespace patchwell::update::test_installers {

inline QByteArray Sha(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

inline QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(Sha(bytes).toHex());
}

// A memory file holding `bytes`, read from its start; the caller closes it.
inline int MemoryFileWith(const QByteArray& bytes) {
    const int fd = ::memfd_create("test", MFD_CLOEXEC);
    EXPECT_TRUE(common::WriteAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())));
    ::lseek(fd, 0, SEEK_SET);
    return fd;
}

// Release `number` of an installer: a script alike in every release but for
// its second line.
inline QByteArray Release(int number) {
    QByteArray bytes = "#!/bin/sh\n# release " + QByteArray::number(number) + "\n";
    for (int line = 0; line < 4000; ++line) {
        bytes += "echo line " + QByteArray::number(line * 7919 % 10007) + "\n";
    }
    return bytes;
}

// A patch from `base` to `result`; with an empty base, `result` compressed.
inline QByteArray Delta(const QByteArray& base, const QByteArray& result) {
    const int from = MemoryFileWith(base);
    const int to = MemoryFileWith(result);
    const int out = MemoryFileWith({});
    EXPECT_TRUE(patch::Make(base.isEmpty() ? -1 : from, to, out, 3).ok);
    QByteArray made;
    common::ReadEachBlock(out, 1 << 16, [&](QByteArrayView block) { made.append(block); });
    for (const int fd : {from, to, out}) {
        ::close(fd);
    }
    return made;
}

}  // namespace patchwell::update::test_installers
