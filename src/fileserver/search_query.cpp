#include "fileserver/search_query.h"

#include "data/share_index.h"

namespace velorin {

std::vector<std::string> SplitSearchWords(std::string_view term) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= term.size()) {
        size_t end = term.find_first_of(" |", start);
        if (end == std::string_view::npos) end = term.size();
        if (end > start) words.emplace_back(term.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

int AnswerSearch(CShareIndex& index, const SearchQuery& query, const std::string& memberId,
                 const std::function<void(const std::string&)>& send) {
    std::vector<std::string> words = SplitSearchWords(query.term);
    if (words.empty()) return 0;
    int answers = 0;
    index.Find(words, query.ext, [&](const ShareIndexRow& row) {
        SearchAnswer answer;
        answer.memberId = memberId;
        answer.sendTime = query.sendTime;
        answer.size = row.size;
        answer.name = row.name;
        answer.path = row.path;
        answer.ext = row.ext;
        answer.type = static_cast<uint32_t>(row.type);
        send(EncodeSearchAnswer(answer));
        ++answers;
    });
    return answers;
}

}  // namespace velorin
