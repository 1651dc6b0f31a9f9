#include "data/settings.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "platform/autostart.h"
#include "platform/cipher.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/text_encoding.h"

namespace velorin {

CSettings::CSettings(CRegistry& registry, CPersonRecursiveMutex& lock,
                     const CAutostartEntry& autostart)
    : registry_(registry), lock_(lock), autostart_(autostart) {}

bool CSettings::Get(const NumericSetting& value, uint32_t& out) {
    std::lock_guard guard(lock_);
    if (registry_.ReadDword(kAppKey, value.name, out)) return true;
    registry_.WriteDword(kAppKey, value.name, value.defaultValue);
    if (registry_.ReadDword(kAppKey, value.name, out)) return true;
    out = value.defaultValue;
    return false;
}

uint32_t CSettings::Read(const NumericSetting& value) {
    uint32_t out = value.defaultValue;
    Get(value, out);
    return out;
}

void CSettings::Write(const NumericSetting& value, uint32_t number) {
    std::lock_guard guard(lock_);
    registry_.WriteDword(kAppKey, value.name, number);
}

uint32_t CSettings::ReadClientVersion() {
    std::lock_guard guard(lock_);
    uint32_t out = setting::VERSION.defaultValue;
    return registry_.ReadDword(kAppKey, setting::VERSION.name, out) ? out
                                                                    : setting::VERSION.defaultValue;
}

uint32_t CSettings::ReadTransferLimit(const NumericSetting& value) {
    uint32_t number = Read(value);
    return static_cast<int32_t>(number) < 0 ? 5 : number;
}

uint32_t CSettings::ReadAutoStart() {
    std::lock_guard guard(lock_);
    uint32_t on = Read(setting::AutoStart);
    if (on != 0) autostart_.Write();
    return on;
}

void CSettings::SetAutoStartOption(bool on) {
    std::lock_guard guard(lock_);
    Write(setting::AutoStart, on ? 1 : 0);
    if (on) {
        autostart_.Write();
    } else {
        autostart_.Remove();
    }
}

namespace {

std::string ReadText(CRegistry& registry, const char* name) {
    std::string text;
    registry.ReadString(kAppKey, name, text);
    return text;
}

}  // namespace

std::string CSettings::GetUserID() {
    std::lock_guard guard(lock_);
    return CutToCp949Bytes(ReadText(registry_, "UserID"), kUserIdLimit);
}

void CSettings::SetUserID(const std::string& id) {
    std::lock_guard guard(lock_);
    registry_.WriteString(kAppKey, "UserID", CutToCp949Bytes(id, kUserIdLimit));
}

std::string CSettings::GetServerName() {
    std::lock_guard guard(lock_);
    return CutToCp949Bytes(ReadText(registry_, "ServerName"), kServerNameLimit);
}

void CSettings::SetServerName(const std::string& name) {
    std::lock_guard guard(lock_);
    registry_.WriteString(kAppKey, "ServerName", CutToCp949Bytes(name, kServerNameLimit));
}

std::string CSettings::GetDownloadPath() {
    std::string path;
    {
        std::lock_guard guard(lock_);
        path = CutToCharacters(ReadText(registry_, "DownloadPath"), kDownloadPathLimit);
    }
    if (path.empty()) path = DocumentsFolder().string();
    return path;
}

void CSettings::SetDownloadPath(const std::string& path) {
    std::lock_guard guard(lock_);
    registry_.WriteString(kAppKey, "DownloadPath", CutToCharacters(path, kDownloadPathLimit));
}

std::string CSettings::GetMessage() {
    std::lock_guard guard(lock_);
    std::string bytes;
    registry_.ReadBinary(kAppKey, "Message", bytes);
    size_t zero = bytes.find('\0');
    if (zero != std::string::npos) bytes.resize(zero);
    return CutToCp949Bytes(bytes, kMessageLimit);
}

bool CSettings::SetMessage(const std::string& text) {
    std::string bytes = text.substr(0, text.find('\0'));
    if (Cp949Length(bytes) > kMessageLimit) return false;
    std::lock_guard guard(lock_);
    registry_.WriteBinary(kAppKey, "Message", bytes);
    return true;
}

bool CSettings::GetUserPW(std::string& password) {
    std::string stored;
    {
        std::lock_guard guard(lock_);
        if (!registry_.ReadBinary(kAppKey, "UserPW", stored)) return false;
    }
    std::array<uint8_t, kPasswordLimit> field{};
    std::memcpy(field.data(), stored.data(), std::min(stored.size(), field.size()));
    DecipherPassword(field);
    password = FixedFieldToUtf8(field.data(), field.size());
    return true;
}

void CSettings::SetUserPW(const std::string& password) {
    std::array<uint8_t, kPasswordLimit> field{};
    Utf8ToFixedField(password, field.data(), field.size());
    EncipherPassword(field);
    std::lock_guard guard(lock_);
    registry_.WriteBinary(kAppKey, "UserPW",
                          std::string(reinterpret_cast<const char*>(field.data()), field.size()));
}

void CSettings::ClearUserPW() {
    std::lock_guard guard(lock_);
    registry_.DeleteValue(kAppKey, "UserPW");
}

std::string CSettings::SessionServerAddress() const {
    return CentralAddress();
}

std::string CentralAddress() {
    const char* env = std::getenv("VELORIN_CENTRAL");
    return (env && *env) ? std::string(env) : std::string("127.0.0.1");
}

std::string WebAddress() {
    const char* env = std::getenv("VELORIN_WEB");
    std::string address = (env && *env) ? std::string(env) : std::string("http://127.0.0.1:8080/");
    if (address.back() != '/') address += '/';
    return address;
}

}  // namespace velorin
