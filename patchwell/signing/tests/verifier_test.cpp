// The verifier against signatures that the real minisign tool makes here.

#include <gtest/gtest.h>

#include <array>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "common/testing/qt_printers.h"
#include "patchwell/signing/minisign.h"
#include "patchwell/signing/testing/minisign_tool.h"

namespace patchwell::signing {
namespace {

using testing::MakeKey;
using testing::MinisignKey;
using testing::Sign;

std::string ReadFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll().toStdString();
}

class VerifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        key_ = MakeKey(dir_.path(), QStringLiteral("ours"));
        other_ = MakeKey(dir_.path(), QStringLiteral("theirs"));
        ASSERT_FALSE(key_.publicKeyLine.isEmpty()) << "minisign -G failed";
        ASSERT_FALSE(other_.publicKeyLine.isEmpty());
        data_ = std::string("#!/bin/sh\necho installer\n") + std::string(3 << 20, 'x');
        ASSERT_FALSE(
            WriteTestFile(QDir(dir_.path()), S("setup.sh"), QByteArray::fromStdString(data_))
                .isEmpty());
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    std::string Key() const { return key_.publicKeyLine.toStdString(); }

    QTemporaryDir dir_;
    MinisignKey key_;
    MinisignKey other_;
    std::string data_;
};

TEST_F(VerifierTest, AcceptsBothKindsOfRealSignaturesFromBytesAndFromADescriptor) {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const bool legacy : {false, true}) {
        SCOPED_TRACE(legacy ? "legacy" : "pre-hashed");
        ASSERT_TRUE(Sign(key_, Path("setup.sh"),
                         legacy ? QStringList{QStringLiteral("-l")} : QStringList{}));
        const std::string signature = ReadFile(Path("setup.sh.minisig"));
        EXPECT_NE(signature.find(legacy ? "\n" : "\thashed"), std::string::npos);

        const Verification fromBytes = VerifyData(Key(), signature, data_);
        ASSERT_TRUE(fromBytes.ok()) << OutcomeText(fromBytes.outcome);
        EXPECT_NE(fromBytes.trustedComment.find("file:setup.sh"), std::string::npos);
        const std::optional<long long> stamp = TimestampOf(fromBytes.trustedComment);
        ASSERT_TRUE(stamp.has_value()) << fromBytes.trustedComment;
        EXPECT_LE(std::llabs(*stamp - now), 60);

        // From a descriptor whose offset is somewhere in the middle: the
        // whole file counts, and the offset stays where it was.
        const int fd = ::open(Path("setup.sh").toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::lseek(fd, 100, SEEK_SET), 100);
        const Verification fromFd = VerifyDescriptor(Key(), signature, fd);
        EXPECT_TRUE(fromFd.ok()) << OutcomeText(fromFd.outcome);
        EXPECT_EQ(fromFd.trustedComment, fromBytes.trustedComment);
        EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 100);
        ::close(fd);

        // From a sealed memory file, which is mapped instead of read.
        const int sealed = ::memfd_create("verifier-test", MFD_ALLOW_SEALING | MFD_CLOEXEC);
        ASSERT_GE(sealed, 0);
        ASSERT_EQ(::write(sealed, data_.data(), data_.size()), static_cast<ssize_t>(data_.size()));
        ASSERT_EQ(::fcntl(sealed, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE), 0);
        EXPECT_TRUE(VerifyDescriptor(Key(), signature, sealed).ok());
        EXPECT_EQ(VerifyDescriptor(other_.publicKeyLine.toStdString(), signature, sealed).outcome,
                  Outcome::OtherKey);
        ::close(sealed);

        // The key file as minisign wrote it (comment line and all) works too.
        EXPECT_TRUE(VerifyData(ReadFile(key_.publicFile), signature, data_).ok());
    }
}

TEST_F(VerifierTest, RefusesChangedDataOtherKeysAndChangedComments) {
    ASSERT_TRUE(
        Sign(key_, Path("setup.sh"),
             {QStringLiteral("-t"), QStringLiteral("timestamp:1700000000\tfile:setup.sh")}));
    const std::string signature = ReadFile(Path("setup.sh.minisig"));
    ASSERT_TRUE(VerifyData(Key(), signature, data_).ok());
    EXPECT_EQ(TimestampOf(VerifyData(Key(), signature, data_).trustedComment), 1700000000);

    std::string changed = data_;
    changed[changed.size() / 2] ^= 1;
    EXPECT_EQ(VerifyData(Key(), signature, changed).outcome, Outcome::BadSignature);
    EXPECT_EQ(VerifyData(Key(), signature, data_ + "\n").outcome, Outcome::BadSignature);
    EXPECT_EQ(VerifyData(Key(), signature, "").outcome, Outcome::BadSignature);

    EXPECT_EQ(VerifyData(other_.publicKeyLine.toStdString(), signature, data_).outcome,
              Outcome::OtherKey);
    // Signed by another key that claims our key id: the signature fails.
    ASSERT_TRUE(Sign(other_, Path("setup.sh")));
    std::string theirs = ReadFile(Path("setup.sh.minisig"));
    EXPECT_EQ(VerifyData(Key(), theirs, data_).outcome, Outcome::OtherKey);
    const std::size_t lineStart = theirs.find('\n') + 1;
    const std::size_t lineEnd = theirs.find('\n', lineStart);
    QByteArray raw = QByteArray::fromBase64(
        QByteArray::fromStdString(theirs.substr(lineStart, lineEnd - lineStart)));
    const QByteArray ourId = QByteArray::fromBase64(key_.publicKeyLine.toLatin1()).mid(2, 8);
    ASSERT_EQ(raw.size(), 74);
    raw.replace(2, 8, ourId);
    theirs.replace(lineStart, lineEnd - lineStart, raw.toBase64().toStdString());
    EXPECT_EQ(VerifyData(Key(), theirs, data_).outcome, Outcome::BadSignature);

    // A newer timestamp written into the trusted comment (a replay made to
    // look fresh) breaks the global signature.
    std::string moved = signature;
    const std::size_t at = moved.find("1700000000");
    ASSERT_NE(at, std::string::npos);
    moved.replace(at, 10, "1900000000");
    EXPECT_EQ(VerifyData(Key(), moved, data_).outcome, Outcome::BadTrustedComment);
    std::string extended = signature;
    extended.insert(extended.find("\n", extended.find("\ntrusted comment:") + 1), "\thashed");
    EXPECT_EQ(VerifyData(Key(), extended, data_).outcome, Outcome::BadTrustedComment);
    // The untrusted comment is not signed and may say anything.
    std::string untrusted = signature;
    untrusted.insert(untrusted.find('\n'), " (edited)");
    EXPECT_TRUE(VerifyData(Key(), untrusted, data_).ok());
    EXPECT_TRUE(VerifyData(Key(), moved, data_).trustedComment.empty());

    // Unreadable data: a closed descriptor and a folder.
    EXPECT_EQ(VerifyDescriptor(Key(), signature, -1).outcome, Outcome::Unreadable);
    const int folder = ::open(dir_.path().toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    EXPECT_EQ(VerifyDescriptor(Key(), signature, folder).outcome, Outcome::Unreadable);
    ::close(folder);
}

TEST_F(VerifierTest, MalformedKeysAndSignaturesFail) {
    ASSERT_TRUE(Sign(key_, Path("setup.sh")));
    const std::string signature = ReadFile(Path("setup.sh.minisig"));
    const std::string key = Key();

    for (const std::string& bad :
         {std::string(), std::string("not base64!"), key.substr(0, key.size() - 4), key + "AAAA",
          key + "\n" + key, std::string("untrusted comment: x\n"),
          // A valid base64 text of the right length with another algorithm.
          std::string("Xd") + key.substr(2)}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParsePublicKey(bad).has_value());
        EXPECT_EQ(VerifyData(bad, signature, data_).outcome, Outcome::MalformedKey);
    }
    EXPECT_TRUE(ParsePublicKey("  " + key + " \r\n").has_value());

    std::vector<std::string> lines;
    for (std::size_t from = 0; from < signature.size();) {
        const std::size_t end = signature.find('\n', from);
        lines.push_back(signature.substr(from, end - from));
        from = end == std::string::npos ? signature.size() : end + 1;
    }
    ASSERT_EQ(lines.size(), 4U);
    const auto join = [](std::initializer_list<std::string> parts) {
        std::string out;
        for (const std::string& p : parts) {
            out += p + "\n";
        }
        return out;
    };
    // The signature line of another algorithm: "Ed"/"ED" is "RWQ"/"RUQ" in
    // base64; "AAA" decodes to zero bytes in their place.
    std::string otherAlgorithm = lines[1];
    otherAlgorithm.replace(0, 3, "AAA");
    for (const std::string& bad : {std::string(), join({lines[0], lines[1], lines[2]}),
                                   join({lines[0], lines[1], lines[2], lines[3], "extra"}),
                                   join({lines[0], lines[1].substr(0, 40), lines[2], lines[3]}),
                                   join({lines[0], otherAlgorithm, lines[2], lines[3]}),
                                   join({lines[0], lines[1], "comment: " + lines[2], lines[3]}),
                                   join({"comment", lines[1], lines[2], lines[3]}),
                                   join({lines[0], lines[1], lines[2], lines[3] + "=="})}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(VerifyData(key, bad, data_).outcome, Outcome::MalformedSignature);
    }
    // Line breaks written as CR LF are the same signature.
    EXPECT_TRUE(
        VerifyData(key, join({lines[0] + "\r", lines[1] + "\r", lines[2] + "\r", lines[3] + "\r"}),
                   data_)
            .ok());
}

TEST(KeyIdText, NamesTheKeyAsMinisignsCommentDoes) {
    // The first two from keys minisign made ("minisign public key ...").
    const struct {
        std::array<unsigned char, 8> id;
        const char* text;
    } rows[] = {
        {{0x7A, 0x24, 0x3B, 0x9A, 0x3A, 0xFE, 0xE6, 0xF7}, "F7E6FE3A9A3B247A"},
        {{0x20, 0xDD, 0xA6, 0x62, 0x93, 0xBF, 0x59, 0x0F}, "F59BF9362A6DD20"},
        {{0x01, 0, 0, 0, 0, 0, 0, 0}, "1"},
        {{}, "0"},
    };
    for (const auto& row : rows) {
        PublicKey key;
        key.keyId = row.id;
        EXPECT_EQ(KeyIdText(key), row.text);
    }
}

TEST(TimestampOf, ReadsOnlyAPlainNumberAfterTheKey) {
    EXPECT_EQ(TimestampOf("timestamp:1765000000\tfile:iupdate.ini\thashed"), 1765000000);
    EXPECT_EQ(TimestampOf("file:x\ttimestamp:42"), 42);
    EXPECT_FALSE(TimestampOf("").has_value());
    EXPECT_FALSE(TimestampOf("file:x").has_value());
    EXPECT_FALSE(TimestampOf("timestamp:").has_value());
    EXPECT_FALSE(TimestampOf("timestamp:-5").has_value());
    EXPECT_FALSE(TimestampOf("timestamp:12 ").has_value());
    EXPECT_FALSE(TimestampOf("timestamp:99999999999999999999").has_value());
    EXPECT_FALSE(TimestampOf("my timestamp:12").has_value());
}

}  // namespace
}  // namespace patchwell::signing
