#include "platform/json.h"

#include <cstdio>

namespace velorin {

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
            continue;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        // Copy a well-formed UTF-8 sequence; replace anything else.
        size_t n = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool ok = n > 0 && i + n <= text.size();
        for (size_t k = 1; ok && k < n; ++k) {
            ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        }
        if (ok) {
            out.append(text.substr(i, n));
            i += n - 1;
        } else {
            out += "\xEF\xBF\xBD";
        }
    }
    out += "\"";
    return out;
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ", ";
        out += items[i];
    }
    return out + "]";
}

void CJsonObject::Key(std::string_view key) {
    if (!body_.empty()) body_ += ", ";
    body_ += JsonQuote(key) + ": ";
}

CJsonObject& CJsonObject::Add(std::string_view key, std::string_view text) {
    Key(key);
    body_ += JsonQuote(text);
    return *this;
}

CJsonObject& CJsonObject::Add(std::string_view key, int64_t number) {
    Key(key);
    body_ += std::to_string(number);
    return *this;
}

CJsonObject& CJsonObject::Add(std::string_view key, bool flag) {
    Key(key);
    body_ += flag ? "true" : "false";
    return *this;
}

CJsonObject& CJsonObject::AddRaw(std::string_view key, std::string_view json) {
    Key(key);
    body_ += json;
    return *this;
}

}  // namespace velorin
