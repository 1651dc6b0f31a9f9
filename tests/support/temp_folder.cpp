#include "support/temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace velorin::test {
namespace fs = std::filesystem;

CTempFolder::CTempFolder() {
    std::string pattern = (fs::temp_directory_path() / "velorin-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    path_ = made ? fs::path(made) : fs::path();
}

CTempFolder::~CTempFolder() {
    std::error_code ec;
    // Tests may leave read-only folders behind; make them removable first.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

CScopedEnv::CScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    setenv(name, value.c_str(), 1);
}

CScopedEnv::~CScopedEnv() {
    if (had_) {
        setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

}  // namespace velorin::test
