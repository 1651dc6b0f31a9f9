#include "data/name_filter.h"

namespace velorin {

std::vector<std::string> SplitNamePieces(std::string_view name) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(kNameSeparators, start);
        if (end == std::string_view::npos) end = name.size();
        if (end > start) pieces.emplace_back(name.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

bool HasRestrictedPiece(std::string_view name, const PieceTest& test) {
    if (!test) return false;
    for (const std::string& piece : SplitNamePieces(name)) {
        if (test(piece)) return true;
    }
    return false;
}

}  // namespace velorin
