// Builds a SQLite 3 file from a SQL text, for data files that the build ships
// (the web root's word list) so that no binary database is kept in the sources.
// Usage: velorin-sql-to-sqlite OUT.db IN.sql
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/sqlite_database.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: velorin-sql-to-sqlite OUT.db IN.sql\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    std::ostringstream sql;
    sql << in.rdbuf();
    if (!in) {
        std::fprintf(stderr, "velorin-sql-to-sqlite: cannot read %s\n", argv[2]);
        return 1;
    }
    std::error_code ec;
    std::filesystem::remove(argv[1], ec);
    velorin::CSqliteDatabase db;
    if (!db.Open(argv[1], velorin::CSqliteDatabase::Mode::kReadWriteCreate) ||
        !db.Execute(sql.str())) {
        std::fprintf(stderr, "velorin-sql-to-sqlite: %s: %s\n", argv[1], db.LastError().c_str());
        return 1;
    }
    return 0;
}
