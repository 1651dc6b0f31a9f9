#pragma once
// The send queue of a framed link: a ring of bytes with a read position and a
// count. Bytes go in whole or not at all; they come out from the read
// position in at most two runs, the second when the content wraps the end.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace velorin {

class CSendRing {
public:
    // False when `capacity` bytes cannot be had (the ring is then empty, capacity 0).
    bool Allocate(size_t capacity);
    void Release();
    void Clear() { read_ = count_ = 0; }

    // False, with nothing stored, when fewer than `size` bytes are free.
    bool Append(const uint8_t* data, size_t size);
    // The queued bytes from the read position up to the end of the buffer (or
    // of the content, when that comes first).
    std::span<const uint8_t> FirstRun() const;
    // Drops `size` bytes from the front (at most what FirstRun gives).
    void Consume(size_t size);

    size_t Capacity() const { return capacity_; }
    size_t Count() const { return count_; }

private:
    std::unique_ptr<uint8_t[]> buffer_;
    size_t capacity_ = 0;
    size_t read_ = 0;
    size_t count_ = 0;
};

}  // namespace velorin
