#pragma once
#include <filesystem>

namespace velorin {

// An empty word list: badword.db with its table badword(oneword, req).
bool CreateBadwordFile(const std::filesystem::path& file);

}  // namespace velorin
