#include "service/wire_fields.h"

#include <cstring>

#include "platform/text_encoding.h"

namespace velorin {
namespace {

template <typename T>
void PutAsHeld(CPayloadWriter& w, const T& value) {
    w.Bytes(std::string_view(reinterpret_cast<const char*>(&value), sizeof(T)));
}

template <typename T>
bool GetAsHeld(CPayloadReader& r, T& value) {
    std::string bytes;
    if (!r.Bytes(sizeof(T), bytes)) return false;
    std::memcpy(&value, bytes.data(), sizeof(T));
    return true;
}

}  // namespace

PasswordField MakePasswordField(std::string_view utf8) {
    PasswordField field{};
    Utf8ToFixedField(utf8, field.data(), field.size());
    return field;
}

std::string PasswordBytes(const PasswordField& field) {
    size_t length = 0;
    while (length < field.size() && field[length] != 0) ++length;
    return std::string(reinterpret_cast<const char*>(field.data()), length);
}

void PutPassword(CPayloadWriter& w, const PasswordField& field) {
    PutAsHeld(w, field);
}
bool GetPassword(CPayloadReader& r, PasswordField& field) {
    return GetAsHeld(r, field);
}

void PutNetworkOrder(CPayloadWriter& w, uint16_t value) {
    PutAsHeld(w, value);
}
void PutNetworkOrder(CPayloadWriter& w, uint32_t value) {
    PutAsHeld(w, value);
}
bool GetNetworkOrder(CPayloadReader& r, uint16_t& value) {
    return GetAsHeld(r, value);
}
bool GetNetworkOrder(CPayloadReader& r, uint32_t& value) {
    return GetAsHeld(r, value);
}

}  // namespace velorin
