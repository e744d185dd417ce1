#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "file_sink.h"

namespace patchwell::download {
namespace {

// Distinct bytes for every position, so that a write out of order or a
// lost or doubled piece shows in the file.
std::string Pattern(std::size_t offset, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t at = offset + i;
        bytes[i] = static_cast<char>((at * 131 + at / 251) & 0xff);
    }
    return bytes;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Small writes are gathered, large ones go straight to the file after what
// was gathered; whatever the mix, the file holds every byte in order.
TEST(FileSink, MixedWriteSizesKeepTheBytesInOrder) {
    constexpr std::size_t kDirect = FileSink::kDirectWrite;
    constexpr std::size_t kBuffer = FileSink::kBufferSize;
    const std::vector<std::vector<std::size_t>> cases = {
        {1, kDirect, 1},                          // large after a gathered byte (two parts)
        {kDirect, kDirect, kDirect},              // large into an empty buffer only
        {kDirect - 1, kDirect - 1, kDirect - 1},  // just below: gathered
        {kBuffer - 1, 1, 1},                      // the buffer filled exactly, then past it
        {kBuffer - 10, 20, kBuffer + 3, 5},       // a small write that does not fit
        {3 * kBuffer + 7},                        // larger than the buffer
        {1024, 1024, 65536, 1024, 0, 65536, 17},  // the control's chunk sizes
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int index = 0;
    for (const auto& sizes : cases) {
        const QString path = dir.filePath(QString::number(index++));
        FileSink sink;
        sink.Open(path, true);
        std::string expected;
        for (const std::size_t size : sizes) {
            const std::string piece = Pattern(expected.size(), size);
            sink.Write(piece);
            expected += piece;
        }
        sink.Close();
        const QByteArray written = ReadAll(path);
        ASSERT_EQ(static_cast<std::size_t>(written.size()), expected.size()) << "case " << index;
        EXPECT_TRUE(written == QByteArray::fromStdString(expected)) << "case " << index;
    }
}

// A seek or truncate puts gathered bytes out first, in their place.
TEST(FileSink, SeekAndTruncateWriteWhatIsGatheredFirst) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("f"));
    FileSink sink;
    sink.Open(path, true);
    sink.Write(std::string(10, 'a'));
    sink.Seek(4);
    sink.Write(std::string(FileSink::kDirectWrite, 'b'));
    sink.Write("cc");
    sink.Truncate(4 + FileSink::kDirectWrite + 1);
    sink.Close();
    const QByteArray expected = QByteArray(4, 'a') +
                                QByteArray(static_cast<int>(FileSink::kDirectWrite), 'b') +
                                QByteArray(1, 'c');
    EXPECT_TRUE(ReadAll(path) == expected);
}

// A full disk is an error whichever path the bytes take, never a success.
TEST(FileSink, AFullDeviceFailsEveryKindOfWrite) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no /dev/full";
    }
    {
        FileSink sink;
        sink.Open(QStringLiteral("/dev/full"), false);
        sink.Write("x");  // gathered: fails when it goes out
        EXPECT_THROW(sink.Write(std::string(FileSink::kDirectWrite, 'y')), FileError);
    }
    {
        FileSink sink;
        sink.Open(QStringLiteral("/dev/full"), false);
        EXPECT_THROW(sink.Write(std::string(FileSink::kDirectWrite * 2, 'z')), FileError);
    }
    {
        FileSink sink;
        sink.Open(QStringLiteral("/dev/full"), false);
        sink.Write("small");
        EXPECT_THROW(sink.Close(), FileError);
        EXPECT_FALSE(sink.isOpen());
    }
}

}  // namespace
}  // namespace patchwell::download
