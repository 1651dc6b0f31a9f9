#pragma once
// The member's preferences, as named values under Software\Velorin\app.
// Every access goes straight to the store and holds the share database's
// lock for its whole duration, so threads never interleave on a value.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "platform/person_lock.h"

namespace velorin {

class CAutostartEntry;
class CRegistry;

struct NumericSetting {
    const char* name;
    uint32_t defaultValue;
};

// Numeric values, with their defaults. Booleans are 0 or 1.
namespace setting {
inline constexpr NumericSetting TransCompleteSave{"TransCompleteSave", 0};
inline constexpr NumericSetting QUICKSEND{"QUICKSEND", 1};
inline constexpr NumericSetting AutoLogin{"AutoLogin", 0};
inline constexpr NumericSetting AutoStart{"AutoStart", 1};
inline constexpr NumericSetting SavePassword{"SavePassword", 0};
inline constexpr NumericSetting MAXDOWN{"MAXDOWN", 5};
inline constexpr NumericSetting MAXUP{"MAXUP", 5};
inline constexpr NumericSetting AUTOPORT{"AUTOPORT", 0};
inline constexpr NumericSetting LISTENPORT{"LISTENPORT", 7296};
inline constexpr NumericSetting VERSION{"VERSION", 1};
inline constexpr NumericSetting BADWORD{"BADWORD", 1};
inline constexpr NumericSetting DataGroup{"DataGroup", 5};
inline constexpr NumericSetting AutoTryTrans{"AutoTryTrans", 1};
inline constexpr NumericSetting WriteLog{"WriteLog", 1};
inline constexpr NumericSetting ContinueRecv{"ContinueRecv", 0};
inline constexpr NumericSetting ContinueServerRecv{"ContinueServerRecv", 0};
inline constexpr NumericSetting TempFile{"TempFile", 0};
inline constexpr NumericSetting ExistFileTransReserve{"ExistFileTransReserve", 1};
inline constexpr NumericSetting BringMessage{"BringMessage", 0};
inline constexpr NumericSetting ShowShareServer{"ShowShareServer", 1};
inline constexpr NumericSetting RecvMessage{"RecvMessage", 1};
inline constexpr NumericSetting PopupMsg{"PopupMsg", 1};
inline constexpr NumericSetting AutoCloseNote{"AutoCloseNote", 1};
inline constexpr NumericSetting LimitSpeed{"LimitSpeed", 0};
inline constexpr NumericSetting FindedListSort{"FindedListSort", 0};
inline constexpr NumericSetting SortPriority{"SortPriority", 0};
}  // namespace setting

// Byte limits of the text values (CP949 bytes for texts that travel on the wire).
inline constexpr size_t kUserIdLimit = 20;
inline constexpr size_t kPasswordLimit = 12;
inline constexpr size_t kServerNameLimit = 50;
inline constexpr size_t kDownloadPathLimit = 259;  // characters
inline constexpr size_t kMessageLimit = 2000;

class CSettings {
public:
    CSettings(CRegistry& registry, CPersonRecursiveMutex& lock, const CAutostartEntry& autostart);

    // Read with default: a value that cannot be read is written with its default
    // first and read again; the default stands in when even that fails.
    uint32_t Read(const NumericSetting& value);
    // The same, reporting whether the stored value could be read.
    bool Get(const NumericSetting& value, uint32_t& out);
    // A failed write is ignored, as every setter's is.
    void Write(const NumericSetting& value, uint32_t number);

    // VERSION belongs to the updater: a missing value reads as 1 and stays missing.
    uint32_t ReadClientVersion();
    // MAXDOWN and MAXUP: a negative number counts as 5.
    uint32_t ReadTransferLimit(const NumericSetting& value);
    // Reading AutoStart rewrites the autostart entry when it is set, so the entry
    // follows the executable when it moves.
    uint32_t ReadAutoStart();
    // The option on the connection page: the value and the entry together.
    void SetAutoStartOption(bool on);

    // Text values: a missing value reads as empty; longer values are cut at a
    // character boundary to their limits.
    std::string GetUserID();
    void SetUserID(const std::string& id);
    std::string GetServerName();
    void SetServerName(const std::string& name);
    // Falls back to the documents folder (nothing written back) when empty.
    std::string GetDownloadPath();
    void SetDownloadPath(const std::string& path);
    // The greeting for visitors: at most 2000 bytes, stored without terminator.
    std::string GetMessage();
    bool SetMessage(const std::string& text);

    // The saved password, enciphered in 12 bytes. False when none is stored.
    bool GetUserPW(std::string& password);
    void SetUserPW(const std::string& password);
    void ClearUserPW();

    // The built-in session server: address and port 3823.
    std::string SessionServerAddress() const;
    uint16_t SessionServerPort() const { return 3823; }

private:
    CRegistry& registry_;
    CPersonRecursiveMutex& lock_;
    const CAutostartEntry& autostart_;
};

// The central service's host: $VELORIN_CENTRAL, else 127.0.0.1.
std::string CentralAddress();
// The service's web host, ending in "/": $VELORIN_WEB, else http://127.0.0.1:8080/.
std::string WebAddress();

}  // namespace velorin
