#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "patchwell/patch/zstd_patch.h"

namespace patchwell::patch {
namespace {

using Bytes = std::vector<char>;

// A memory file holding `bytes`, read from its start.
class MemoryFile {
public:
    explicit MemoryFile(const Bytes& bytes = {}) : fd_(::memfd_create("patch-test", MFD_CLOEXEC)) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (put <= 0) {
                ADD_FAILURE() << "cannot fill a memory file";
                break;
            }
            done += static_cast<std::size_t>(put);
        }
        Rewind();
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    int fd() const { return fd_; }
    void Rewind() const { ::lseek(fd_, 0, SEEK_SET); }
    Bytes Contents() const {
        Bytes all(static_cast<std::size_t>(::lseek(fd_, 0, SEEK_END)));
        if (!all.empty() &&
            ::pread(fd_, all.data(), all.size(), 0) != static_cast<ssize_t>(all.size())) {
            ADD_FAILURE() << "cannot read a memory file";
        }
        return all;
    }

private:
    int fd_;
};

// Bytes that do not compress by themselves (as an installer's payload that
// is already packed), so that only what a base gives shrinks a patch.
Bytes Noise(std::size_t size, std::uint64_t seed) {
    Bytes bytes(size);
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ULL + 1;
    for (char& byte : bytes) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        byte = static_cast<char>(x >> 56);
    }
    return bytes;
}

// `old` with a few regions rewritten and some bytes inserted: a new release.
Bytes Changed(Bytes old) {
    const Bytes fresh = Noise(4096, 99);
    for (std::size_t at = old.size() / 7; at + 512 < old.size(); at += old.size() / 5) {
        std::copy(fresh.begin(), fresh.begin() + 512, old.begin() + static_cast<long>(at));
    }
    old.insert(old.begin() + static_cast<long>(old.size() / 2), fresh.begin(), fresh.end());
    return old;
}

Bytes MakeFrom(const Bytes* base, const Bytes& result, int level) {
    const MemoryFile baseFile(base ? *base : Bytes{});
    const MemoryFile newFile(result);
    const MemoryFile out;
    const MakeResult made = Make(base ? baseFile.fd() : -1, newFile.fd(), out.fd(), level);
    EXPECT_TRUE(made.ok) << made.error;
    const Bytes patch = out.Contents();
    EXPECT_EQ(made.written, patch.size());
    return patch;
}

ApplyResult ApplyTo(const Bytes* base, const Bytes& patch, int outFd, const ApplyLimits& limits) {
    const MemoryFile baseFile(base ? *base : Bytes{});
    const MemoryFile in(patch);
    return Apply(in.fd(), base ? baseFile.fd() : -1, outFd, limits);
}

TEST(ZstdPatchTest, WindowCoversTheLargerFileWithinZstdsBounds) {
    const struct {
        std::uint64_t base, result;
        int log;
    } rows[] = {{0, 0, 10},          {100, 5, 10},
                {1023, 1024, 11},    {46'000'000, 45'000'000, 26},
                {1ULL << 27, 1, 28}, {1ULL << 40, 0, 31}};
    for (const auto& row : rows) {
        EXPECT_EQ(WindowLogFor(row.base, row.result), row.log) << row.base << " " << row.result;
    }
}

TEST(ZstdPatchTest, PatchesAndCompressedFilesComeBackExactly) {
    const Bytes old = Noise(600'000, 1);
    const Bytes fresh = Changed(old);
    const struct {
        const char* what;
        const Bytes* base;
        int level;
    } rows[] = {{"patch", &old, kPatchLevel},
                {"patch, fast level", &old, 3},
                {"compressed", nullptr, kCompressLevel}};
    for (const auto& row : rows) {
        const Bytes patch = MakeFrom(row.base, fresh, row.level);
        if (row.base != nullptr) {
            EXPECT_LT(patch.size(), fresh.size() / 20)
                << row.what << ": a patch moves only what changed";
        }
        const MemoryFile out;
        const ApplyResult applied = ApplyTo(row.base, patch, out.fd(), {fresh.size(), 0});
        ASSERT_TRUE(applied.ok()) << row.what << ": " << applied.detail;
        EXPECT_EQ(applied.written, fresh.size()) << row.what;
        EXPECT_TRUE(out.Contents() == fresh) << row.what;
    }
}

TEST(ZstdPatchTest, BadInputEndsInARefusalNeverInAWrongResult) {
    const Bytes old = Noise(300'000, 2);
    const Bytes fresh = Changed(old);
    const Bytes patch = MakeFrom(&old, fresh, 9);
    Bytes flipped = patch;
    flipped[flipped.size() / 2] ^= 0x10;
    const Bytes cut(patch.begin(), patch.begin() + static_cast<long>(patch.size() / 2));
    Bytes otherBase = old;
    otherBase[1000] ^= 1;
    const Bytes garbage(5000, 'x');
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    const struct {
        const char* what;
        const Bytes* base;
        const Bytes& input;
        std::uint64_t maxResult;
        int maxWindowLog;
        bool toFullDisk;
        ApplyError error;
    } rows[] = {
        {"bit flipped", &old, flipped, fresh.size(), 0, false, ApplyError::Corrupt},
        {"cut short", &old, cut, fresh.size(), 0, false, ApplyError::Truncated},
        {"another base", &otherBase, patch, fresh.size(), 0, false, ApplyError::Corrupt},
        {"no base", nullptr, patch, fresh.size(), 0, false, ApplyError::Corrupt},
        {"grows past the bound", &old, patch, fresh.size() - 1, 0, false, ApplyError::TooLarge},
        {"window over the allowed", &old, patch, fresh.size(), 12, false,
         ApplyError::WindowTooLarge},
        {"not zstd", &old, garbage, fresh.size(), 0, false, ApplyError::NotAFrame},
        {"empty", &old, Bytes{}, fresh.size(), 0, false, ApplyError::NotAFrame},
        {"disk full", &old, patch, fresh.size(), 0, true, ApplyError::NoRoom},
    };
    for (const auto& row : rows) {
        const MemoryFile out;
        const ApplyResult applied = ApplyTo(row.base, row.input, row.toFullDisk ? full : out.fd(),
                                            {row.maxResult, row.maxWindowLog});
        EXPECT_EQ(applied.error, row.error) << row.what << ": " << applied.detail;
        EXPECT_LE(applied.written, row.maxResult) << row.what;
    }
    ::close(full);

    const int folder = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const MemoryFile in(patch);
    const MemoryFile out;
    EXPECT_EQ(Apply(in.fd(), folder, out.fd(), {fresh.size(), 0}).error,
              ApplyError::BaseUnreadable);
    ::close(folder);
}

// Over 2^27 bytes a streaming decoder refuses the window unless it is
// allowed: a base of that size checks the decoder is set up from the sizes.
TEST(ZstdPatchTest, BaseOverTheDecodersDefaultWindow) {
    const Bytes old = Noise((std::size_t{1} << 27) + 4096, 3);
    const Bytes fresh = Changed(old);
    const Bytes patch = MakeFrom(&old, fresh, 1);
    EXPECT_LT(patch.size(), std::size_t{1} << 20);
    const MemoryFile out;
    const ApplyResult applied = ApplyTo(&old, patch, out.fd(), {fresh.size(), 0});
    ASSERT_TRUE(applied.ok()) << applied.detail;
    EXPECT_TRUE(out.Contents() == fresh);
}

// Past a window of 2^26 the default level still finds the base: a patch
// between two 80 MB releases holds about what changed, not the whole file.
TEST(ZstdPatchTest, PatchOverALongWindowAtTheDefaultLevel) {
    const Bytes old = Noise(80'000'000, 4);
    const Bytes fresh = Changed(old);
    EXPECT_EQ(LevelFor(kPatchLevel, WindowLogFor(old.size(), fresh.size())), 15);
    EXPECT_EQ(LevelFor(kPatchLevel, 26), kPatchLevel);
    EXPECT_EQ(LevelFor(3, 31), 3);
    const Bytes patch = MakeFrom(&old, fresh, kPatchLevel);
    EXPECT_LT(patch.size(), std::size_t{100'000});
    const MemoryFile out;
    const ApplyResult applied = ApplyTo(&old, patch, out.fd(), {fresh.size(), 0});
    ASSERT_TRUE(applied.ok()) << applied.detail;
    EXPECT_TRUE(out.Contents() == fresh);
}

}  // namespace
}  // namespace patchwell::patch
