#pragma once

// The target file of a transfer: small writes gather in one 1 MiB buffer that
// lives as long as the sink, so a transfer of small chunks makes few system
// calls and no allocation per chunk. A write of kDirectWrite bytes or more
// goes to the file straight from the caller's bytes (after what is already
// gathered), since copying it first would cost more than the call it saves.
// Failures throw FileError.

#include <QString>

#include <memory>
#include <stdexcept>
#include <string_view>

namespace patchwell::download {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FileSink {
public:
    static constexpr std::size_t kBufferSize = 1 << 20;
    static constexpr std::size_t kDirectWrite = 32 << 10;

    FileSink() = default;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    ~FileSink();  // closes quietly

    // Opens `path` for writing, creating it when missing; with `truncate` the
    // old content goes, otherwise it stays and the position is 0. A symbolic
    // link at `path` (dangling or not) is refused, never followed.
    void Open(const QString& path, bool truncate);
    void Seek(qint64 position);
    void Truncate(qint64 length);
    void Write(std::string_view data);
    // Writes what is buffered and closes; throws when either fails.
    void Close();
    // Writes what it can and closes, never throwing (for the error end).
    void CloseQuietly() noexcept;
    bool isOpen() const { return fd_ >= 0; }

    // True when `path` names a regular file (or a link to one).
    static bool Exists(const QString& path);
    // Length in bytes of the file at `path`; throws when it cannot be read.
    static qint64 Length(const QString& path);
    // Deletes the file at `path`; throws when that fails.
    static void Remove(const QString& path);

private:
    void Flush();
    void WriteAll(const char* data, std::size_t size);
    void WriteBufferAnd(const char* data, std::size_t size);

    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

}  // namespace patchwell::download
