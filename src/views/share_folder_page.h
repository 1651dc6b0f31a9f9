#pragma once
// The share folder lists of the required-settings page as a model: the
// folders, the grants of the current folder, the folder dialog ("공유 폴더
// 설정") and the grant dialog ("권한 설정"), with the page's checks, questions
// and texts. Each change goes to the share database at once, so the file
// server's next visitor meets it. A database operation that fails ends the
// process. Drawing is the front-end's.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/share_database.h"
#include "data/share_rules.h"

namespace velorin {

class IUserInterface;

// The text the person was shown when a button or a dialog refused.
using PageRefusal = std::optional<std::string>;

struct FolderDialogFields {
    std::string name;
    std::string path;
    std::string desc;
};

struct GrantDialogFields {
    std::string id;
    std::string desc;
    GrantBoxes boxes;
    // "전체 허용": the ID is "[all]" and cannot be edited.
    bool everyone = false;

    void SetEveryone(bool on);
};

struct MemberPageParts {
    CShareDatabase& db;
    IUserInterface& ui;
    // Called after the fatal text was shown; the process ends with 255.
    std::function<void()> endProcess;
};

class CShareFolderPage {
public:
    // Lists the folders; none is current.
    explicit CShareFolderPage(MemberPageParts parts);

    const std::vector<ShareFolderRow>& Folders() const { return folders_; }
    // The grants of the current folder.
    const std::vector<PermissionRow>& Grants() const { return grants_; }
    std::optional<size_t> CurrentFolder() const { return folder_; }
    std::optional<size_t> CurrentGrant() const { return grant_; }
    // Selecting a folder lists its grants.
    void SelectFolder(std::optional<size_t> row);
    void SelectGrant(std::optional<size_t> row);
    // Letter case does not count, as in the database.
    std::optional<size_t> FindFolder(const std::string& name) const;
    std::optional<size_t> FindGrant(const std::string& id) const;

    // The folder dialog's OK for "추가". The folder becomes the current one.
    PageRefusal AddFolder(FolderDialogFields fields);
    // "변경": the current folder's values for the dialog.
    PageRefusal BeginChangeFolder(FolderDialogFields& fields);
    PageRefusal ChangeFolder(FolderDialogFields fields);
    // Asks first.
    PageRefusal DeleteFolder();

    // The grant dialog for "추가" opens empty once a folder is current.
    PageRefusal BeginAddGrant(GrantDialogFields& fields);
    PageRefusal AddGrant(GrantDialogFields fields);
    PageRefusal BeginChangeGrant(GrantDialogFields& fields);
    PageRefusal ChangeGrant(GrantDialogFields fields);
    // Asks first; a folder keeps at least one grant.
    PageRefusal RemoveGrant();

private:
    PageRefusal Refuse(const std::string& text);
    PageRefusal Broken();
    // The dialog's checks; `fields.path` comes back absolute and normalised.
    PageRefusal CheckFolder(FolderDialogFields& fields, std::optional<size_t> changing);
    // The ID checks and the download rule with the text of the add or the change dialog.
    PageRefusal CheckGrant(GrantDialogFields& fields, const char* browseAdded, uint32_t& value);
    void ReloadFolders(const std::string& current);
    void ReloadGrants();

    MemberPageParts parts_;
    std::vector<ShareFolderRow> folders_;
    std::vector<PermissionRow> grants_;
    std::optional<size_t> folder_;
    std::optional<size_t> grant_;
};

}  // namespace velorin
