#include "data/badword_file.h"

#include "platform/sqlite_database.h"

namespace velorin {

bool CreateBadwordFile(const std::filesystem::path& file) {
    CSqliteDatabase db;
    return db.Open(file, CSqliteDatabase::Mode::kReadWriteCreate) &&
           db.Execute("CREATE TABLE IF NOT EXISTS badword (oneword TEXT, req TEXT)");
}

}  // namespace velorin
