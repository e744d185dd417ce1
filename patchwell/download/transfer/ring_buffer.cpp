#include "patchwell/download/transfer/ring_buffer.h"

#include <algorithm>
#include <cstring>

namespace patchwell::download {

void RingBuffer::Push(const char* data, std::size_t n) {
    const std::size_t cap = ring_.size();
    const std::size_t tail = (head_ + size_) % cap;
    const std::size_t first = std::min(n, cap - tail);
    std::memcpy(ring_.data() + tail, data, first);
    if (first < n) {
        std::memcpy(ring_.data(), data + first, n - first);
    }
    size_ += n;
    peak_ = std::max(peak_, size_);
}

void RingBuffer::Grow(std::size_t capacity) {
    if (capacity <= ring_.size()) {
        return;
    }
    RawBuffer bigger(capacity);
    const std::size_t cap = ring_.size();
    const std::size_t first = std::min(size_, cap - head_);
    if (size_ > 0) {
        std::memcpy(bigger.data(), ring_.data() + head_, first);
        std::memcpy(bigger.data() + first, ring_.data(), size_ - first);
    }
    ring_ = std::move(bigger);
    head_ = 0;
}

std::string_view RingBuffer::Take(std::size_t n) {
    if (n == 0) {
        return {};
    }
    const std::size_t cap = ring_.size();
    std::string_view view;
    if (head_ + n <= cap) {
        view = std::string_view(ring_.data() + head_, n);
    } else {
        if (scratch_.size() < n) {
            scratch_ = RawBuffer(n);
        }
        const std::size_t first = cap - head_;
        std::memcpy(scratch_.data(), ring_.data() + head_, first);
        std::memcpy(scratch_.data() + first, ring_.data(), n - first);
        view = std::string_view(scratch_.data(), n);
    }
    head_ = (head_ + n) % cap;
    size_ -= n;
    if (size_ == 0) {
        head_ = 0;
    }
    return view;
}

}  // namespace patchwell::download
