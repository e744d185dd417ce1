#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "patchwell/download/control/file_sink.h"

namespace patchwell::download {
namespace {

// Small writes are gathered, large ones go straight to the file after what
// was gathered; whatever the mix, the file holds every byte in order, and on
// a full device every path fails instead of reporting success.
TEST(FileSink, AnyMixOfWriteSizesKeepsTheBytesInOrderOrFails) {
    constexpr std::size_t kDirect = FileSink::kDirectWrite;
    constexpr std::size_t kBuffer = FileSink::kBufferSize;
    const std::vector<std::vector<std::size_t>> cases = {
        {0, 1, kDirect, 1},                       // large after a gathered byte: one writev
        {kDirect - 1, kDirect, kDirect - 1},      // on both sides of the threshold
        {kBuffer - 1, 1, 1, kBuffer - 10, 20},    // the buffer filled exactly, then overflowing
        {3 * kBuffer + 7, 1024, 0, 65536, 1024},  // larger than the buffer; the chunk sizes
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const bool haveFull = QFile::exists(QStringLiteral("/dev/full"));
    for (std::size_t index = 0; index < cases.size(); ++index) {
        const QString path = dir.filePath(QString::number(index));
        FileSink sink, full;
        sink.Open(path, true);
        std::string expected;
        bool fullFailed = false;
        for (const std::size_t size : cases[index]) {
            std::string piece(size, '\0');
            for (std::size_t i = 0; i < size; ++i) {  // distinct bytes per position
                const std::size_t at = expected.size() + i;
                piece[i] = static_cast<char>((at * 131 + at / 251) & 0xff);
            }
            // An empty chunk comes as a view without a pointer, as the
            // transfer hands out at the end of a body.
            const std::string_view chunk = size == 0 ? std::string_view() : std::string_view(piece);
            sink.Write(chunk);
            expected += piece;
            if (haveFull && !fullFailed) {
                if (!full.isOpen()) {
                    full.Open(QStringLiteral("/dev/full"), false);
                }
                try {
                    full.Write(chunk);
                } catch (const FileError&) {
                    fullFailed = true;
                }
            }
        }
        sink.Close();
        if (haveFull && !fullFailed) {
            EXPECT_THROW(full.Close(), FileError) << "case " << index;
        }
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll() == QByteArray::fromStdString(expected)) << "case " << index;
    }
}

}  // namespace
}  // namespace patchwell::download
