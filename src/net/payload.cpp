#include "net/payload.h"

#include "platform/text_encoding.h"

namespace velorin {

namespace {
template <typename T>
void PutLittle(std::string& out, T v) {
    for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
}  // namespace

CPayloadWriter& CPayloadWriter::U8(uint8_t v) {
    data_.push_back(static_cast<char>(v));
    return *this;
}
CPayloadWriter& CPayloadWriter::U16(uint16_t v) {
    PutLittle(data_, v);
    return *this;
}
CPayloadWriter& CPayloadWriter::U32(uint32_t v) {
    PutLittle(data_, v);
    return *this;
}
CPayloadWriter& CPayloadWriter::U64(uint64_t v) {
    PutLittle(data_, v);
    return *this;
}
CPayloadWriter& CPayloadWriter::Bytes(std::string_view bytes) {
    data_.append(bytes);
    return *this;
}
CPayloadWriter& CPayloadWriter::Zeros(size_t count) {
    data_.append(count, '\0');
    return *this;
}
CPayloadWriter& CPayloadWriter::Fixed(std::string_view utf8, size_t width) {
    size_t at = data_.size();
    data_.append(width, '\0');
    Utf8ToFixedField(utf8, data_.data() + at, width);
    return *this;
}
CPayloadWriter& CPayloadWriter::Text16(std::string_view utf8, size_t limit) {
    std::string wire = Utf8ToCp949(utf8);
    std::string_view cut = CutCp949(wire, limit);
    U16(static_cast<uint16_t>(cut.size()));
    data_.append(cut);
    return *this;
}

bool CPayloadReader::Take(size_t count, const char*& p) {
    if (failed_ || data_.size() - pos_ < count) {
        failed_ = true;
        return false;
    }
    p = data_.data() + pos_;
    pos_ += count;
    return true;
}

namespace {
template <typename T>
T GetLittle(const char* p) {
    T v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
        v |= static_cast<T>(static_cast<T>(static_cast<unsigned char>(p[i])) << (8 * i));
    }
    return v;
}
}  // namespace

bool CPayloadReader::U8(uint8_t& v) {
    const char* p;
    if (!Take(1, p)) return false;
    v = static_cast<uint8_t>(*p);
    return true;
}
bool CPayloadReader::U16(uint16_t& v) {
    const char* p;
    if (!Take(2, p)) return false;
    v = GetLittle<uint16_t>(p);
    return true;
}
bool CPayloadReader::U32(uint32_t& v) {
    const char* p;
    if (!Take(4, p)) return false;
    v = GetLittle<uint32_t>(p);
    return true;
}
bool CPayloadReader::U64(uint64_t& v) {
    const char* p;
    if (!Take(8, p)) return false;
    v = GetLittle<uint64_t>(p);
    return true;
}
bool CPayloadReader::I8(int8_t& v) {
    uint8_t u;
    if (!U8(u)) return false;
    v = static_cast<int8_t>(u);
    return true;
}
bool CPayloadReader::I16(int16_t& v) {
    uint16_t u;
    if (!U16(u)) return false;
    v = static_cast<int16_t>(u);
    return true;
}
bool CPayloadReader::I32(int32_t& v) {
    uint32_t u;
    if (!U32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
}
bool CPayloadReader::I64(int64_t& v) {
    uint64_t u;
    if (!U64(u)) return false;
    v = static_cast<int64_t>(u);
    return true;
}
bool CPayloadReader::Bytes(size_t count, std::string& out) {
    const char* p;
    if (!Take(count, p)) return false;
    out.assign(p, count);
    return true;
}
bool CPayloadReader::Skip(size_t count) {
    const char* p;
    return Take(count, p);
}
bool CPayloadReader::Fixed(size_t width, std::string& utf8) {
    const char* p;
    if (!Take(width, p)) return false;
    utf8 = FixedFieldToUtf8(p, width);
    return true;
}
bool CPayloadReader::Text16(size_t limit, std::string& utf8) {
    uint16_t length = 0;
    if (!U16(length)) return false;
    if (length > limit) {
        failed_ = true;
        return false;
    }
    const char* p;
    if (!Take(length, p)) return false;
    utf8 = Cp949ToUtf8(std::string_view(p, length));
    return true;
}

}  // namespace velorin
