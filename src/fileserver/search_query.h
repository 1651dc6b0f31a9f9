#pragma once
// How a search robot answers one query from the share index.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fileserver/search_datagram.h"

namespace velorin {

class CShareIndex;

// The words of a term: split at blanks and "|", empty ones dropped.
std::vector<std::string> SplitSearchWords(std::string_view term);

// Calls `send` with one answer datagram per matching row (at most 20), carrying
// `memberId` and the query's send time. Returns the number of answers.
int AnswerSearch(CShareIndex& index, const SearchQuery& query, const std::string& memberId,
                 const std::function<void(const std::string&)>& send);

}  // namespace velorin
