#pragma once

#include <QString>

#include <functional>

namespace patchwell::platform {

// A copy of a file in an anonymous memory file that is sealed once written:
// the kernel refuses every later write, truncation or growth, whoever holds
// it. What is read from it after the copy is exactly what a program started
// from it runs. Where memory files may not be executed, the copy is a file of
// the user's own, removed once open (see executable_copy.h): no one else can
// reach it. The descriptor is inherited by started programs (a script's
// interpreter reopens it through /proc/self/fd), and closed with the copy.
class SealedCopy {
public:
    // Copies the file at `path`; an invalid copy when that fails.
    explicit SealedCopy(const QString& path);
    // Copies what the open descriptor `source` holds from its start (it must
    // be a regular file); the descriptor stays the caller's.
    explicit SealedCopy(int source);
    // A copy written by `fill`, which writes the whole content to the new
    // file it is handed (from its start) and says whether it could; sealed
    // after it. An invalid copy when `fill` fails. `fill` may be called a
    // second time, on another file, when the first kind of copy cannot be
    // had: it starts over from its own beginning.
    explicit SealedCopy(const std::function<bool(int fd)>& fill);
    ~SealedCopy();
    SealedCopy(const SealedCopy&) = delete;
    SealedCopy& operator=(const SealedCopy&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }

private:
    static int Make(const std::function<bool(int fd)>& fill);
    static int CopyOf(int source);

    int fd_ = -1;
};

}  // namespace patchwell::platform
