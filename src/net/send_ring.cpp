#include "net/send_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace velorin {

bool CSendRing::Allocate(size_t capacity) {
    buffer_.reset(new (std::nothrow) uint8_t[capacity == 0 ? 1 : capacity]);
    capacity_ = buffer_ ? capacity : 0;
    Clear();
    return buffer_ != nullptr;
}

void CSendRing::Release() {
    buffer_.reset();
    capacity_ = 0;
    Clear();
}

bool CSendRing::Append(const uint8_t* data, size_t size) {
    if (size > capacity_ - count_) return false;
    size_t write = read_ + count_;
    if (write >= capacity_) write -= capacity_;
    size_t first = std::min(size, capacity_ - write);
    std::memcpy(buffer_.get() + write, data, first);
    std::memcpy(buffer_.get(), data + first, size - first);
    count_ += size;
    return true;
}

std::span<const uint8_t> CSendRing::FirstRun() const {
    if (count_ == 0) return {};
    return std::span<const uint8_t>(buffer_.get() + read_, std::min(count_, capacity_ - read_));
}

void CSendRing::Consume(size_t size) {
    size = std::min(size, FirstRun().size());
    read_ += size;
    if (read_ >= capacity_) read_ -= capacity_;
    count_ -= size;
    if (count_ == 0) read_ = 0;
}

}  // namespace velorin
