#pragma once
// File names are tested against the word list piece by piece before a
// transfer is asked for: the pieces lie between the characters "(). [],-_".
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

inline constexpr std::string_view kNameSeparators = "(). [],-_";

// The non-empty pieces of `name`, in order.
std::vector<std::string> SplitNamePieces(std::string_view name);

using PieceTest = std::function<bool(std::string_view piece)>;
// True when any piece of `name` is restricted by `test`.
bool HasRestrictedPiece(std::string_view name, const PieceTest& test);
// `name` with every restricted piece replaced by one "*" per CP949 byte;
// `masked` tells whether any was.
std::string MaskRestrictedPieces(std::string_view name, const PieceTest& test, bool& masked);

}  // namespace velorin
