#pragma once

// The body buffer of the transfer: a ring of bytes that the library's
// deliveries are copied into and the chunks are taken from. A chunk that
// wraps around the end of the ring is handed out as a copy; every other
// chunk is a view into the ring itself.

#include <cstddef>
#include <memory>
#include <string_view>

namespace patchwell::download {

// A byte buffer that is not cleared when allocated, so that its pages are
// touched only as data arrives.
class RawBuffer {
public:
    explicit RawBuffer(std::size_t size = 0)
        : bytes_(size > 0 ? new char[size] : nullptr), size_(size) {}
    char* data() { return bytes_.get(); }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
};

class RingBuffer {
public:
    explicit RingBuffer(std::size_t capacity) : ring_(capacity) {}

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return ring_.size(); }
    std::size_t free() const { return ring_.size() - size_; }
    // The most bytes held at once since construction.
    std::size_t peak() const { return peak_; }

    // Appends n bytes; n must not exceed free().
    void Push(const char* data, std::size_t n);
    // Removes the first n bytes (n <= size()) and returns them. The view is
    // valid until the next call that changes the buffer.
    std::string_view Take(std::size_t n);
    // Moves the content into a larger ring of `capacity` bytes.
    void Grow(std::size_t capacity);

private:
    RawBuffer ring_;
    RawBuffer scratch_;  // a wrapping chunk, made contiguous
    std::size_t head_ = 0;
    std::size_t size_ = 0;
    std::size_t peak_ = 0;
};

}  // namespace patchwell::download
