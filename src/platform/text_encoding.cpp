#include "platform/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velorin {
namespace {

// iconv descriptors are not safe to share between threads; one pair per thread.
class CConverter {
public:
    CConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~CConverter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(cd_);
        }
    }
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Converts everything it can; each unconvertible input unit (as measured by
    // `skip`) becomes one "?".
    template <typename SkipFn>
    std::string Convert(std::string_view in, SkipFn skip) {
        std::string out;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            return out;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.reserve(in.size() * 3 / 2 + 4);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[1024];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (rc != static_cast<size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL: replace one unit and go on. The CP949 converter
            // may have taken the whole bad sequence already.
            if (srcLeft == 0) {
                out.push_back('?');
                break;
            }
            size_t n = skip(std::string_view(src, srcLeft));
            src += n;
            srcLeft -= n;
            out.push_back('?');
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

// Length of the well-formed character at the start of `s`, or 1 for a stray byte.
size_t Utf8CharLength(std::string_view s) {
    size_t n = Utf8SequenceLength(static_cast<unsigned char>(s[0]));
    if (n > s.size()) return 1;
    for (size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
    }
    return n;
}

bool IsCp949Lead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

size_t Cp949CharLength(std::string_view s) {
    return (IsCp949Lead(static_cast<unsigned char>(s[0])) && s.size() >= 2) ? 2 : 1;
}

// The length of the longest run of whole characters (as measured by
// `charLength`) at the start of `text` that fits in `limit` bytes.
template <typename CharLengthFn>
size_t WholeCharacters(std::string_view text, size_t limit, CharLengthFn charLength) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t n = charLength(text.substr(pos));
        if (pos + n > limit) break;
        pos += n;
    }
    return pos;
}

}  // namespace

std::string Utf8ToCp949(std::string_view utf8) {
    thread_local CConverter converter("CP949", "UTF-8");
    return converter.Convert(utf8, Utf8CharLength);
}

std::string Cp949ToUtf8(std::string_view cp949) {
    thread_local CConverter converter("UTF-8", "CP949");
    return converter.Convert(cp949, Cp949CharLength);
}

size_t Cp949Length(std::string_view utf8) {
    return Utf8ToCp949(utf8).size();
}

bool FitsCp949(std::string_view utf8) {
    return Cp949ToUtf8(Utf8ToCp949(utf8)) == utf8;
}

bool IsOneLine(std::string_view utf8) {
    return std::none_of(utf8.begin(), utf8.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string CutToCp949Bytes(std::string_view utf8, size_t limit) {
    size_t used = 0;
    size_t pos = 0;
    while (pos < utf8.size()) {
        size_t n = Utf8CharLength(utf8.substr(pos));
        // ASCII is one byte in both; anything else is measured through the converter.
        size_t cost = n == 1 && static_cast<unsigned char>(utf8[pos]) < 0x80
                          ? 1
                          : Utf8ToCp949(utf8.substr(pos, n)).size();
        if (used + cost > limit) break;
        used += cost;
        pos += n;
    }
    return std::string(utf8.substr(0, pos));
}

std::string CutToUtf8Bytes(std::string_view utf8, size_t limit) {
    return std::string(utf8.substr(0, WholeCharacters(utf8, limit, Utf8CharLength)));
}

std::string CutToCharacters(std::string_view utf8, size_t count) {
    size_t pos = 0;
    for (size_t i = 0; i < count && pos < utf8.size(); ++i) {
        pos += Utf8CharLength(utf8.substr(pos));
    }
    return std::string(utf8.substr(0, pos));
}

std::string_view CutCp949(std::string_view cp949, size_t limit) {
    return cp949.substr(0, WholeCharacters(cp949, limit, Cp949CharLength));
}

std::string FixedFieldToUtf8(const void* field, size_t width) {
    const char* p = static_cast<const char*>(field);
    size_t n = strnlen(p, width);
    return Cp949ToUtf8(std::string_view(p, n));
}

void Utf8ToFixedField(std::string_view utf8, void* field, size_t width) {
    std::string bytes = Utf8ToCp949(utf8);
    std::string_view cut = CutCp949(bytes, width);
    std::memset(field, 0, width);
    std::memcpy(field, cut.data(), cut.size());
}

}  // namespace velorin
