#pragma once
// The share database (velorin.dat): shared folders under their virtual names,
// the rights other members have on each, the friend list and the black list.
// One connection for the whole run; one recursive lock guards every operation
// (operations call each other, and the settings accessors share the lock).
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/person_lock.h"
#include "platform/sqlite_database.h"

namespace velorin {

struct ShareFolderRow {
    std::string name;
    std::string path;
    std::string desc;
};

struct PermissionRow {
    std::string folder;
    std::string user;
    uint32_t permission = 0;
    std::string desc;
};

struct FolderGrantRow {
    std::string name;  // as the ShareFolder row spells it
    std::string desc;  // the folder's description
    uint32_t permission = 0;
};

struct MemberRow {
    std::string id;
    std::string desc;
};

class CShareDatabase {
public:
    // A new, empty file with the four tables. Fails when the file exists.
    static bool CreateFile(const std::filesystem::path& file);

    // Opens an existing file and checks that it holds the four tables.
    bool Open(const std::filesystem::path& file);
    void Close();
    bool IsOpen() const { return db_.IsOpen(); }
    CPersonRecursiveMutex& Mutex() { return mutex_; }

    bool CountShareFolders(uint32_t& count);
    bool AddShareFolder(bool& exists, const std::string& name, const std::string& path,
                        const std::string& desc);
    bool DeleteShareFolder(const std::string& name);
    bool UpdateShareFolder(const std::string& oldName, const std::string& newName,
                           const std::string& path, const std::string& desc);
    bool GetSharePath(const std::string& name, std::string& path);
    bool ListSharePaths(std::vector<std::string>& paths);
    bool ListShareFolders(std::vector<ShareFolderRow>& rows);
    // (name, path) of every folder, for the share index.
    bool LoadShareFolders(std::vector<ShareFolderRow>& rows);

    bool AddPermission(bool& exists, const std::string& folder, const std::string& user,
                       uint32_t permission, const std::string& desc);
    // Deletes only while the folder has two or more grants; `count` is the number before.
    bool RemovePermission(uint32_t& count, const std::string& folder, const std::string& user);
    bool DeleteFolderPermissions(const std::string& folder);
    bool UpdatePermission(const std::string& folder, const std::string& oldUser,
                          const std::string& newUser, const std::string& desc, uint32_t permission);
    bool RenameFolderPermissions(const std::string& oldName, const std::string& newName);
    bool ListPermissions(const std::string& folder, std::vector<PermissionRow>& rows);
    // The member's own grant decides alone; "[all]" applies only without one.
    bool HasPermission(const std::string& folder, const std::string& user, uint32_t mask);
    // The folders that carry a grant row for `user` ("[all]" included as a name).
    bool ListGrantedFolders(const std::string& user, std::vector<FolderGrantRow>& rows);
    uint32_t GetPermission(const std::string& folder, const std::string& user);

    bool AddFriend(bool& exists, const std::string& id, const std::string& desc);
    bool DeleteFriend(const std::string& id);
    bool UpdateFriend(const std::string& oldId, const std::string& newId, const std::string& desc);
    bool ListFriends(std::vector<MemberRow>& rows);

    bool AddBlack(bool& exists, const std::string& id, const std::string& desc);
    bool DeleteBlack(const std::string& id);
    bool UpdateBlack(const std::string& oldId, const std::string& newId, const std::string& desc);
    bool IsBlacklisted(bool& flag, const std::string& id);
    bool ListBlack(std::vector<MemberRow>& rows);

private:
    struct MemberList;
    static const MemberList kFriendList;
    static const MemberList kBlackList;
    bool AddMember(const MemberList& list, bool& exists, const std::string& id,
                   const std::string& desc);
    bool DeleteMember(const MemberList& list, const std::string& id);
    bool UpdateMember(const MemberList& list, const std::string& oldId, const std::string& newId,
                      const std::string& desc);
    bool IsListed(const MemberList& list, bool& flag, const std::string& id);
    bool ListMembers(const MemberList& list, std::vector<MemberRow>& rows);
    bool LookupPermission(const std::string& folder, const std::string& user, bool& own,
                          bool& found, uint32_t& permission);

    CPersonRecursiveMutex mutex_;
    CSqliteDatabase db_;
};

}  // namespace velorin
