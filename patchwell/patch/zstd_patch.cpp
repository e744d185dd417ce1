#include "patchwell/patch/zstd_patch.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "common/files/whole_file.h"

namespace patchwell::patch {

namespace {

struct DCtxFree {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};
struct CCtxFree {
    void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};

// A whole file in memory: mapped read-only where the caller owns the file
// (the publisher's inputs), read into an anonymous mapping where another
// process of the user's might still cut the file short under a mapping,
// which would end the program with SIGBUS instead of a refusal.
class WholeFile {
public:
    enum class Mode { Map, Copy };
    WholeFile(int fd, Mode mode) {
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            return;
        }
        size_ = static_cast<std::size_t>(info.st_size);
        if (size_ == 0) {
            ok_ = true;
            return;
        }
        if (mode == Mode::Map) {
            void* at = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
            if (at != MAP_FAILED) {
                data_ = at;
                ok_ = true;
            }
            return;
        }
        void* at =
            ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (at == MAP_FAILED) {
            return;
        }
        data_ = at;
        std::size_t done = 0;
        while (done < size_) {
            const ssize_t got =
                ::pread(fd, static_cast<char*>(at) + done, size_ - done, static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return;  // shorter than it was a moment ago, or unreadable
            }
            done += static_cast<std::size_t>(got);
        }
        ok_ = true;
    }
    ~WholeFile() {
        if (data_ != nullptr) {
            ::munmap(data_, size_);
        }
    }
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    bool ok() const { return ok_; }
    const void* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
    bool ok_ = false;
};

// Writes all of `data`; 0 or the errno of the failure.
int WriteAllTo(int fd, const char* data, std::size_t size) {
    return common::WriteAll(fd, data, size) ? 0 : errno;
}

bool IsRoomError(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

ApplyError FromDecoder(std::size_t code) {
    switch (ZSTD_getErrorCode(code)) {
        case ZSTD_error_prefix_unknown:
            return ApplyError::NotAFrame;
        case ZSTD_error_frameParameter_windowTooLarge:
            return ApplyError::WindowTooLarge;
        default:
            return ApplyError::Corrupt;
    }
}

ApplyResult Failure(ApplyError error, std::uint64_t written, std::string detail) {
    ApplyResult result;
    result.error = error;
    result.written = written;
    result.detail = std::move(detail);
    return result;
}

}  // namespace

int WindowLogFor(std::uint64_t baseSize, std::uint64_t resultSize) {
    const std::uint64_t largest = baseSize > resultSize ? baseSize : resultSize;
    int log = 0;
    while (log < 63 && (std::uint64_t{1} << log) <= largest) {
        ++log;
    }
    // zstd's bounds (ZSTD_WINDOWLOG_MIN and, on 64-bit builds,
    // ZSTD_WINDOWLOG_MAX_64), which its stable interface does not export.
    constexpr int kMinWindowLog = 10;
    constexpr int kMaxWindowLog = 31;
    if (log < kMinWindowLog) {
        return kMinWindowLog;
    }
    return log > kMaxWindowLog ? kMaxWindowLog : log;
}

int LevelFor(int level, int windowLog) {
    constexpr int kLongWindowLog = 26;
    constexpr int kStrongestWithoutOptimalParser = 15;
    return windowLog > kLongWindowLog && level > kStrongestWithoutOptimalParser
               ? kStrongestWithoutOptimalParser
               : level;
}

ApplyResult Apply(int inFd, int baseFd, int outFd, const ApplyLimits& limits) {
    std::unique_ptr<WholeFile> base;
    if (baseFd >= 0) {
        base = std::make_unique<WholeFile>(baseFd, WholeFile::Mode::Copy);
        if (!base->ok()) {
            return Failure(ApplyError::BaseUnreadable, 0, std::strerror(errno));
        }
    }
    const int windowLog = limits.maxWindowLog > 0
                              ? limits.maxWindowLog
                              : WindowLogFor(base ? base->size() : 0, limits.maxResult);
    std::unique_ptr<ZSTD_DCtx, DCtxFree> context(ZSTD_createDCtx());
    if (!context) {
        return Failure(ApplyError::Corrupt, 0, "no memory for the decoder");
    }
    ZSTD_DCtx_setParameter(context.get(), ZSTD_d_windowLogMax, windowLog);
    // The prefix holds for one frame: it is referred to again before each.
    auto referBase = [&] {
        if (base && base->size() > 0) {
            ZSTD_DCtx_refPrefix(context.get(), base->data(), base->size());
        }
    };
    referBase();

    std::vector<char> in(ZSTD_DStreamInSize());
    std::vector<char> out(ZSTD_DStreamOutSize());
    std::uint64_t written = 0;
    bool anyInput = false;
    bool betweenFrames = false;
    // What the decoder still expects of the current frame; 0 once a frame
    // ended. The decoder takes a frame's last byte only once it flushed all
    // of the frame's output, so a loop over the input sees every byte.
    std::size_t pending = 1;
    for (;;) {
        const ssize_t got = ::read(inFd, in.data(), in.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Failure(ApplyError::InputUnreadable, written, std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        anyInput = true;
        ZSTD_inBuffer input{in.data(), static_cast<std::size_t>(got), 0};
        while (input.pos < input.size) {
            if (betweenFrames) {
                referBase();
                betweenFrames = false;
            }
            ZSTD_outBuffer output{out.data(), out.size(), 0};
            pending = ZSTD_decompressStream(context.get(), &output, &input);
            if (ZSTD_isError(pending)) {
                return Failure(FromDecoder(pending), written, ZSTD_getErrorName(pending));
            }
            if (output.pos > limits.maxResult - written) {
                return Failure(ApplyError::TooLarge, written, "longer than the bound size");
            }
            if (const int error = WriteAllTo(outFd, out.data(), output.pos)) {
                return Failure(IsRoomError(error) ? ApplyError::NoRoom : ApplyError::WriteFailed,
                               written, std::strerror(error));
            }
            written += output.pos;
            betweenFrames = pending == 0;
        }
    }
    if (!anyInput) {
        return Failure(ApplyError::NotAFrame, 0, "empty");
    }
    if (pending != 0) {
        return Failure(ApplyError::Truncated, written, "the data ends inside a frame");
    }
    ApplyResult result;
    result.written = written;
    return result;
}

MakeResult Make(int baseFd, int newFd, int outFd, int level) {
    MakeResult result;
    std::unique_ptr<WholeFile> base;
    if (baseFd >= 0) {
        base = std::make_unique<WholeFile>(baseFd, WholeFile::Mode::Map);
        if (!base->ok()) {
            result.error = std::string("cannot read the old file: ") + std::strerror(errno);
            return result;
        }
    }
    const WholeFile fresh(newFd, WholeFile::Mode::Map);
    if (!fresh.ok()) {
        result.error = std::string("cannot read the new file: ") + std::strerror(errno);
        return result;
    }
    if (level < 1 || level > ZSTD_maxCLevel()) {
        result.error = "the level must be between 1 and " + std::to_string(ZSTD_maxCLevel());
        return result;
    }
    std::unique_ptr<ZSTD_CCtx, CCtxFree> context(ZSTD_createCCtx());
    if (!context) {
        result.error = "no memory for the encoder";
        return result;
    }
    ZSTD_CCtx* c = context.get();
    const int windowLog = WindowLogFor(base ? base->size() : 0, fresh.size());
    ZSTD_CCtx_setParameter(c, ZSTD_c_compressionLevel, base ? LevelFor(level, windowLog) : level);
    ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, windowLog);
    ZSTD_CCtx_setParameter(c, ZSTD_c_enableLongDistanceMatching, 1);
    ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 1);
    ZSTD_CCtx_setParameter(c, ZSTD_c_contentSizeFlag, 1);
    ZSTD_CCtx_setPledgedSrcSize(c, fresh.size());
    if (base && base->size() > 0) {
        const std::size_t referred = ZSTD_CCtx_refPrefix(c, base->data(), base->size());
        if (ZSTD_isError(referred)) {
            result.error = ZSTD_getErrorName(referred);
            return result;
        }
    }
    std::vector<char> out(ZSTD_CStreamOutSize());
    ZSTD_inBuffer input{fresh.data(), fresh.size(), 0};
    for (;;) {
        ZSTD_outBuffer output{out.data(), out.size(), 0};
        const std::size_t left = ZSTD_compressStream2(c, &output, &input, ZSTD_e_end);
        if (ZSTD_isError(left)) {
            result.error = ZSTD_getErrorName(left);
            return result;
        }
        if (const int error = WriteAllTo(outFd, out.data(), output.pos)) {
            result.error = std::string("cannot write: ") + std::strerror(error);
            return result;
        }
        result.written += output.pos;
        if (left == 0) {
            break;
        }
    }
    result.ok = true;
    return result;
}

const char* Describe(ApplyError error) {
    switch (error) {
        case ApplyError::None:
            return "applied";
        case ApplyError::BaseUnreadable:
            return "the base cannot be read";
        case ApplyError::InputUnreadable:
            return "the patch cannot be read";
        case ApplyError::NotAFrame:
            return "not a zstd file";
        case ApplyError::WindowTooLarge:
            return "the window is larger than allowed";
        case ApplyError::Corrupt:
            return "damaged, or made from another base";
        case ApplyError::Truncated:
            return "cut short";
        case ApplyError::TooLarge:
            return "the result is longer than allowed";
        case ApplyError::NoRoom:
            return "no room for the result";
        case ApplyError::WriteFailed:
            return "the result cannot be written";
    }
    return "unknown";
}

}  // namespace patchwell::patch
