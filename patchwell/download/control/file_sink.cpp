#include "patchwell/download/control/file_sink.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace patchwell::download {

namespace {

[[noreturn]] void ThrowErrno(const char* what, const QString& path = {}) {
    const int error = errno;
    std::string message = what;
    if (!path.isEmpty()) {
        message += " ";
        message += path.toStdString();
    }
    message += ": ";
    message += std::strerror(error);
    throw FileError(message);
}

}  // namespace

FileSink::~FileSink() {
    CloseQuietly();
}

void FileSink::Open(const QString& path, bool truncate) {
    CloseQuietly();
    if (path.isEmpty()) {
        throw FileError("cannot open a file without a name");
    }
    const QByteArray name = QFile::encodeName(path);
    // A symbolic link at the target is never written through (a dangling
    // one would create its target wherever it points): open fails instead.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW;
    if (truncate) {
        flags |= O_TRUNC;
    }
    int fd;
    do {
        fd = ::open(name.constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        ThrowErrno("cannot open", path);
    }
    fd_ = fd;
    used_ = 0;
    if (!buffer_) {
        // Not cleared: its pages are touched only as small writes fill it.
        buffer_.reset(new char[kBufferSize]);
    }
}

void FileSink::Seek(qint64 position) {
    Flush();
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
        ThrowErrno("cannot seek");
    }
}

void FileSink::Truncate(qint64 length) {
    Flush();
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        ThrowErrno("cannot truncate");
    }
}

void FileSink::Write(std::string_view data) {
    if (fd_ < 0) {
        throw FileError("write to a closed file");
    }
    if (data.empty()) {
        return;  // an empty view may carry no pointer at all
    }
    if (data.size() >= kDirectWrite) {
        WriteBufferAnd(data.data(), data.size());
        return;
    }
    if (data.size() > kBufferSize - used_) {
        Flush();
    }
    std::memcpy(buffer_.get() + used_, data.data(), data.size());
    used_ += data.size();
}

void FileSink::Flush() {
    if (fd_ < 0) {
        throw FileError("write to a closed file");
    }
    if (used_ == 0) {
        return;
    }
    const std::size_t size = used_;
    used_ = 0;  // a failed write is not retried
    WriteAll(buffer_.get(), size);
}

// Writes what is gathered, then `data`, in as few calls as the kernel allows.
void FileSink::WriteBufferAnd(const char* data, std::size_t size) {
    if (used_ == 0) {
        WriteAll(data, size);
        return;
    }
    iovec parts[2] = {{buffer_.get(), used_}, {const_cast<char*>(data), size}};
    const std::size_t buffered = used_;
    used_ = 0;  // a failed write is not retried
    ssize_t written;
    do {
        written = ::writev(fd_, parts, 2);
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        ThrowErrno("cannot write");
    }
    auto done = static_cast<std::size_t>(written);
    if (done < buffered) {
        WriteAll(buffer_.get() + done, buffered - done);
        done = buffered;
    }
    WriteAll(data + (done - buffered), size - (done - buffered));
}

void FileSink::WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowErrno("cannot write");
        }
        if (written == 0) {
            errno = ENOSPC;
            ThrowErrno("cannot write");
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void FileSink::Close() {
    if (fd_ < 0) {
        return;
    }
    try {
        Flush();
    } catch (...) {
        ::close(fd_);
        fd_ = -1;
        throw;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        ThrowErrno("cannot close");
    }
}

void FileSink::CloseQuietly() noexcept {
    try {
        Close();
    } catch (...) {
    }
}

bool FileSink::Exists(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    return QFileInfo(path).isFile();
}

qint64 FileSink::Length(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        ThrowErrno("cannot measure", path);
    }
    return static_cast<qint64>(info.st_size);
}

void FileSink::Remove(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        ThrowErrno("cannot delete", path);
    }
}

}  // namespace patchwell::download
