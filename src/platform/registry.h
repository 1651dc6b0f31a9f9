#pragma once
// The settings store: a SQLite file standing in for a registry key tree.
// The table is an interface: other programs and tests seed profiles by
// writing it directly, so its schema never changes.
//   registry(key TEXT NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL,
//            data, PRIMARY KEY(key, name))
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace velorin {

enum RegistryType : int { REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };

inline constexpr const char* kAppKey = "Software\\Velorin\\app";
inline constexpr const char* kMsgKey = "Software\\Velorin\\app\\msg";
inline constexpr const char* kHistoryKey = "Software\\Velorin\\app\\history";
inline constexpr const char* kPatcherKey = "Software\\Velorin\\app\\patcher";
inline constexpr const char* kFindExtensionKey = "Software\\Velorin\\app\\__fileserver__";

class CRegistry {
public:
    CRegistry() = default;
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Creates the file and table when missing. A garbage file, or a database
    // of some other program, is left untouched and every call then fails.
    bool Open(const std::filesystem::path& file);
    void Close();
    bool IsOpen() const;

    bool ReadDword(std::string_view key, std::string_view name, uint32_t& value);
    bool WriteDword(std::string_view key, std::string_view name, uint32_t value);
    // REG_SZ: UTF-8 text without terminator.
    bool ReadString(std::string_view key, std::string_view name, std::string& text);
    bool WriteString(std::string_view key, std::string_view name, std::string_view text);
    bool ReadBinary(std::string_view key, std::string_view name, std::string& bytes);
    bool WriteBinary(std::string_view key, std::string_view name, std::string_view bytes);
    bool DeleteValue(std::string_view key, std::string_view name);
    // Value names of a key in the order they were first written.
    std::vector<std::string> ValueNames(std::string_view key);

private:
    bool Read(std::string_view key, std::string_view name, int type, std::string* blob,
              int64_t* number);
    bool Write(std::string_view key, std::string_view name, int type, const std::string* blob,
               int64_t number);

    mutable std::mutex mutex_;
    sqlite3* db_ = nullptr;
};

}  // namespace velorin
