#pragma once
// The restricted words of badword.db (table badword(oneword, req)): search
// words are matched as LIKE patterns, file-name pieces as whole words. The
// file is only read; a file that cannot be read restricts nothing.
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace velorin {

namespace badword_text {
// The category whose words mask names and refuse searches but never refuse a transfer.
inline constexpr const char* kAdultCategory = "음란물";
inline constexpr const char* kAdultSearch =
    "'%s'는(은) 음란물을 찾기위한 검색으로 검색을 진행할수 없습니다.";
inline constexpr const char* kListedSearch =
    "'%s'는(은) '%s'에서 요청한 제한검색어 목록에서 발견되었습니다.\r\n검색을 진행할수 없습니다..";
}  // namespace badword_text

// One line of the shared-file check: the file, its folder, the word found and who asked for it.
struct BadWordHit {
    std::string fileName;
    std::string folder;
    std::string word;
    std::string req;
};

// Safe from several threads: every call holds the filter's lock.
class CBadWordFilter {
public:
    CBadWordFilter() = default;
    explicit CBadWordFilter(const std::filesystem::path& file) { Open(file); }
    ~CBadWordFilter();
    CBadWordFilter(const CBadWordFilter&) = delete;
    CBadWordFilter& operator=(const CBadWordFilter&) = delete;

    // False (and every check answers "not restricted") when the file is
    // missing or is not a database.
    bool Open(const std::filesystem::path& file);
    void Close();
    bool IsOpen() const;
    std::string LastError() const;

    // Whether the search word, as a LIKE pattern, matches a listed word;
    // `message` then gets the text the person is shown.
    bool CheckSearchWord(std::string_view word, std::string* message = nullptr);
    // Whether the whole piece is a listed word; `excludeAdult` leaves the
    // adult category out (the test before a transfer).
    bool IsRestrictedName(std::string_view piece, bool excludeAdult);
    // Whether the piece is a listed word, ASCII case ignored; a hit adds its
    // line to `list`.
    bool ScanWord(std::string_view piece, std::string_view fileName, std::string_view folder,
                  std::vector<BadWordHit>& list);

private:
    struct Match {
        std::string word;
        std::string req;
    };
    // The first matching row of `sql` with the parameters bound in order.
    bool Find(const char* sql, const std::vector<std::string_view>& params, Match& match);

    mutable std::mutex lock_;
    sqlite3* db_ = nullptr;
    std::string lastError_;
};

}  // namespace velorin
