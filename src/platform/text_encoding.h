#pragma once
// UTF-8 inside the program, CP949 on the wire. Byte limits of member IDs,
// descriptions, notes and greetings count CP949 bytes so that whatever is
// stored also fits its wire field.
#include <cstddef>
#include <string>
#include <string_view>

namespace velorin {

// Characters that CP949 cannot hold (and malformed UTF-8) become "?".
std::string Utf8ToCp949(std::string_view utf8);
// Malformed CP949 bytes become "?".
std::string Cp949ToUtf8(std::string_view cp949);

size_t Cp949Length(std::string_view utf8);
// True when the text survives the way to CP949 and back unchanged.
bool FitsCp949(std::string_view utf8);
// True when the text holds no control character (a line break, a tab ...).
bool IsOneLine(std::string_view utf8);

// The longest prefix whose CP949 form has at most `limit` bytes; never splits a character.
std::string CutToCp949Bytes(std::string_view utf8, size_t limit);
// The longest prefix of at most `limit` UTF-8 bytes; never splits a character.
std::string CutToUtf8Bytes(std::string_view utf8, size_t limit);
// The first `count` characters.
std::string CutToCharacters(std::string_view utf8, size_t count);

// A CP949 byte string cut to `limit` bytes without splitting a double-byte character.
std::string_view CutCp949(std::string_view cp949, size_t limit);

// A zero-padded fixed field of the wire: the bytes up to the first zero (or all of them).
std::string FixedFieldToUtf8(const void* field, size_t width);
// Writes the CP949 form, cut to the width, zero-padded.
void Utf8ToFixedField(std::string_view utf8, void* field, size_t width);

}  // namespace velorin
