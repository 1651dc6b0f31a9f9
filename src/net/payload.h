#pragma once
// Building and reading message payloads. Integers are little-endian unless a
// caller says otherwise (ports and addresses inside server records and the
// sign-in request keep network byte order). The reader checks every length
// before it reads: a short payload makes every later read fail.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velorin {

class CPayloadWriter {
public:
    CPayloadWriter& U8(uint8_t v);
    CPayloadWriter& U16(uint16_t v);
    CPayloadWriter& U32(uint32_t v);
    CPayloadWriter& U64(uint64_t v);
    CPayloadWriter& I8(int8_t v) { return U8(static_cast<uint8_t>(v)); }
    CPayloadWriter& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    CPayloadWriter& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    CPayloadWriter& I64(int64_t v) { return U64(static_cast<uint64_t>(v)); }
    // Raw bytes, as they are (network-order fields, already-encoded text).
    CPayloadWriter& Bytes(std::string_view bytes);
    CPayloadWriter& Zeros(size_t count);
    // A UTF-8 text as a zero-padded CP949 field of `width` bytes.
    CPayloadWriter& Fixed(std::string_view utf8, size_t width);
    // A UTF-8 text as u16 length + CP949 bytes, cut to `limit` bytes.
    CPayloadWriter& Text16(std::string_view utf8, size_t limit);

    const std::string& Data() const { return data_; }
    std::string Take() { return std::move(data_); }
    size_t Size() const { return data_.size(); }

private:
    std::string data_;
};

class CPayloadReader {
public:
    explicit CPayloadReader(std::string_view data) : data_(data) {}

    bool U8(uint8_t& v);
    bool U16(uint16_t& v);
    bool U32(uint32_t& v);
    bool U64(uint64_t& v);
    bool I8(int8_t& v);
    bool I16(int16_t& v);
    bool I32(int32_t& v);
    bool I64(int64_t& v);
    bool Bytes(size_t count, std::string& out);
    bool Skip(size_t count);
    // A zero-padded CP949 field, decoded to UTF-8.
    bool Fixed(size_t width, std::string& utf8);
    // u16 length + CP949 bytes; refuses lengths above `limit`.
    bool Text16(size_t limit, std::string& utf8);

    size_t Remaining() const { return failed_ ? 0 : data_.size() - pos_; }
    size_t Position() const { return pos_; }
    bool Ok() const { return !failed_; }

private:
    bool Take(size_t count, const char*& p);

    std::string_view data_;
    size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace velorin
