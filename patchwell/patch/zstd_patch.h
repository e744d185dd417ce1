#pragma once

// Binary patches and compressed files in zstd's format, made and applied with
// one set of parameters. A patch is a zstd frame whose matches may reach back
// into an earlier file (the base, used as the frame's prefix), so an update
// moves only what changed; a compressed file is the same frame without a
// base. Both sides work on file descriptors: the base is memory-mapped
// read-only, the input and output stream through in chunks, so a patch is
// applied straight into the sealed copy that runs.

#include <cstdint>
#include <string>

namespace patchwell::patch {

// The window a frame over a base of `baseSize` to a result of `resultSize`
// bytes is made with: the smallest power of two above the larger of the two,
// at least 2^10 and at most 2^31 (zstd's limit on 64-bit builds, so 2 GiB per
// file). The applying side allows no more than this for the sizes it knows.
int WindowLogFor(std::uint64_t baseSize, std::uint64_t resultSize);

// The level patches are made at unless a publisher asks otherwise.
constexpr int kPatchLevel = 19;

// The level a patch over a window of 2^`windowLog` is made at when `level`
// is asked for. zstd's optimal parser (levels 16 and up) misses matches that
// reach further back than 2^26 bytes, all a patch lives on (libzstd 1.5.4: a
// patch between two 100 MB files that differ in 1 MB came out as large as
// the file), so a larger window is made at 15 at most, the strongest level
// without it (the same pair: 1.2 MB).
int LevelFor(int level, int windowLog);
// The level compressed full downloads are made at.
constexpr int kCompressLevel = 19;

enum class ApplyError {
    None,
    BaseUnreadable,   // the base could not be read or mapped
    InputUnreadable,  // reading the patch failed
    NotAFrame,        // the input does not start with a zstd frame
    WindowTooLarge,   // the frame asks for a larger window than allowed
    Corrupt,          // the decoder refused the data (also: a wrong base, whose checksum fails)
    Truncated,        // the input ended inside a frame
    TooLarge,         // the result would grow past the limit
    NoRoom,           // writing the result failed for lack of space (ENOSPC, EDQUOT, EFBIG)
    WriteFailed,      // writing the result failed otherwise
};

struct ApplyResult {
    ApplyError error = ApplyError::None;
    std::uint64_t written = 0;  // bytes of the result written to the output
    std::string detail;         // for the log: zstd's or the system's words
    bool ok() const { return error == ApplyError::None; }
};

struct ApplyLimits {
    std::uint64_t maxResult = 0;  // the result may not be longer than this
    int maxWindowLog = 0;         // 0: WindowLogFor(base size, maxResult)
};

// Decodes every frame read from `inFd` (from its current offset to its end)
// with the file at `baseFd` as the prefix (-1: no base, a plain compressed
// file), writing the result to `outFd` from its current offset. The output
// holds partial data after a failure: the caller drops it.
ApplyResult Apply(int inFd, int baseFd, int outFd, const ApplyLimits& limits);

struct MakeResult {
    bool ok = false;
    std::uint64_t written = 0;  // bytes of the patch or compressed file
    std::string error;          // why it failed, for the user of the publishing tool
};

// Writes to `outFd` one frame that turns the file at `baseFd` into the file
// at `newFd` (-1 as `baseFd`: compresses `newFd` alone), at `level`
// (1..22; LevelFor caps a patch's over a large window), single-threaded with long-distance matching
// over a window that covers the whole base, and with zstd's frame checksum.
MakeResult Make(int baseFd, int newFd, int outFd, int level);

// "the patch is damaged", ...: the English words for an ApplyError, for logs.
const char* Describe(ApplyError error);

}  // namespace patchwell::patch
