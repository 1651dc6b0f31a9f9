#include "data/name_filter.h"

#include "platform/text_encoding.h"

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

std::string MaskRestrictedPieces(std::string_view name, const PieceTest& test, bool& masked) {
    masked = false;
    std::string shown;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(kNameSeparators, start);
        if (end == std::string_view::npos) end = name.size();
        std::string_view piece = name.substr(start, end - start);
        if (!piece.empty() && test && test(piece)) {
            shown.append(Cp949Length(piece), '*');
            masked = true;
        } else {
            shown.append(piece);
        }
        if (end < name.size()) shown.push_back(name[end]);
        start = end + 1;
    }
    return shown;
}

}  // namespace velorin
