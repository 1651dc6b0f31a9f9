#pragma once
// Just enough JSON to answer control commands.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

// A JSON string literal, quotes included. Invalid UTF-8 bytes become U+FFFD.
std::string JsonQuote(std::string_view text);
// "[a, b]" from items that are already valid JSON.
std::string JsonArray(const std::vector<std::string>& items);

// Builds one object: CJsonObject().Add("a", 1).Add("b", "x").Text()
class CJsonObject {
public:
    CJsonObject& Add(std::string_view key, std::string_view text);
    CJsonObject& Add(std::string_view key, const char* text) {
        return Add(key, std::string_view(text));
    }
    CJsonObject& Add(std::string_view key, int64_t number);
    CJsonObject& Add(std::string_view key, int number) {
        return Add(key, static_cast<int64_t>(number));
    }
    CJsonObject& Add(std::string_view key, uint32_t number) {
        return Add(key, static_cast<int64_t>(number));
    }
    CJsonObject& Add(std::string_view key, bool flag);
    // `json` must already be valid JSON (an array or object built elsewhere).
    CJsonObject& AddRaw(std::string_view key, std::string_view json);
    std::string Text() const { return "{" + body_ + "}"; }

private:
    void Key(std::string_view key);
    std::string body_;
};

}  // namespace velorin
