#include "views/share_folder_page.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/strings.h"
#include "platform/text_encoding.h"
#include "platform/user_interface.h"

namespace velorin {
namespace fs = std::filesystem;

namespace {

// "/a/./b//" and "/a/b" are one folder; the root stays "/".
std::string NormalPath(const fs::path& path) {
    std::string text = path.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

// The folder a share path names must be there for the file server to serve it.
const char* CheckShareFolder(const fs::path& path) {
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return share_text::kPathMissing;
    if (!fs::is_directory(status)) return share_text::kPathIsFile;
    if (access(path.c_str(), R_OK | X_OK) != 0) return share_text::kPathUnreadable;
    return nullptr;
}

}  // namespace

void GrantDialogFields::SetEveryone(bool on) {
    everyone = on;
    id = on ? kEveryone : "";
}

CShareFolderPage::CShareFolderPage(MemberPageParts parts) : parts_(std::move(parts)) {
    parts_.db.ListShareFolders(folders_);
}

void CShareFolderPage::SelectFolder(std::optional<size_t> row) {
    folder_ = row && *row < folders_.size() ? row : std::nullopt;
    ReloadGrants();
}

void CShareFolderPage::SelectGrant(std::optional<size_t> row) {
    grant_ = row && *row < grants_.size() ? row : std::nullopt;
}

std::optional<size_t> CShareFolderPage::FindFolder(const std::string& name) const {
    for (size_t i = 0; i < folders_.size(); ++i) {
        if (EqualsIgnoreCase(folders_[i].name, name)) return i;
    }
    return std::nullopt;
}

std::optional<size_t> CShareFolderPage::FindGrant(const std::string& id) const {
    for (size_t i = 0; i < grants_.size(); ++i) {
        if (EqualsIgnoreCase(grants_[i].user, id)) return i;
    }
    return std::nullopt;
}

PageRefusal CShareFolderPage::Refuse(const std::string& text) {
    parts_.ui.ShowMessage(text, kAppName);
    return text;
}

PageRefusal CShareFolderPage::Broken() {
    PageRefusal text = Refuse(share_text::kBroken);
    parts_.endProcess();
    return text;
}

PageRefusal CShareFolderPage::CheckFolder(FolderDialogFields& fields,
                                          std::optional<size_t> changing) {
    if (auto refusal = CheckFolderInput(fields.name, fields.path)) return Refuse(*refusal);
    if (auto refusal = CheckFolderText(fields.name, fields.desc)) return Refuse(*refusal);
    fs::path path(fields.path);
    if (!path.is_absolute()) return Refuse(share_text::kPathNotAbsolute);
    fields.path = NormalPath(path);
    if (!IsOneLine(fields.path)) return Refuse(share_text::kNotOneLine);
    if (CutToCharacters(fields.path, kSharePathCharacters) != fields.path) {
        return Refuse(share_text::kLongPath);
    }
    if (const char* refusal = CheckShareFolder(fields.path)) return Refuse(refusal);
    // One folder under two names would be listed and searched twice.
    for (size_t i = 0; i < folders_.size(); ++i) {
        std::error_code ec;
        if (i != changing && fs::equivalent(folders_[i].path, fields.path, ec)) {
            return Refuse(share_text::kPathShared);
        }
    }
    return std::nullopt;
}

PageRefusal CShareFolderPage::AddFolder(FolderDialogFields fields) {
    if (auto refusal = CheckFolder(fields, std::nullopt)) return refusal;
    bool exists = false;
    if (!parts_.db.AddShareFolder(exists, fields.name, fields.path, fields.desc)) return Broken();
    if (exists) return Refuse(share_text::kFolderNotAdded);
    ReloadFolders(fields.name);
    return std::nullopt;
}

PageRefusal CShareFolderPage::BeginChangeFolder(FolderDialogFields& fields) {
    if (!folder_) return Refuse(share_text::kSelectFolderToChange);
    const ShareFolderRow& row = folders_[*folder_];
    fields = FolderDialogFields{row.name, row.path, row.desc};
    return std::nullopt;
}

PageRefusal CShareFolderPage::ChangeFolder(FolderDialogFields fields) {
    if (!folder_) return Refuse(share_text::kSelectFolderToChange);
    if (auto refusal = CheckFolder(fields, folder_)) return refusal;
    std::string oldName = folders_[*folder_].name;
    // A name in use, its own included, is kept; only path and description change.
    std::string kept = FindFolder(fields.name) ? oldName : fields.name;
    // Whatever the update did, the list shows what the database holds.
    parts_.db.UpdateShareFolder(oldName, fields.name, fields.path, fields.desc);
    ReloadFolders(kept);
    return std::nullopt;
}

PageRefusal CShareFolderPage::DeleteFolder() {
    if (!folder_) return Refuse(share_text::kSelectFolderToDelete);
    if (!parts_.ui.AskYesNo(share_text::kConfirmDeleteFolder, kAppName)) {
        return std::string(share_text::kConfirmDeleteFolder);
    }
    if (!parts_.db.DeleteShareFolder(folders_[*folder_].name)) return Broken();
    ReloadFolders("");
    return std::nullopt;
}

PageRefusal CShareFolderPage::BeginAddGrant(GrantDialogFields& fields) {
    if (!folder_) return Refuse(share_text::kSelectFolderForGrant);
    fields = GrantDialogFields{};
    return std::nullopt;
}

PageRefusal CShareFolderPage::CheckGrant(GrantDialogFields& fields, const char* browseAdded,
                                         uint32_t& value) {
    if (fields.everyone) fields.id = kEveryone;
    if (auto refusal = CheckMemberInput(fields.id, fields.desc)) return Refuse(*refusal);
    bool corrected = false;
    value = PermissionFromBoxes(fields.boxes, corrected);
    if (corrected) parts_.ui.ShowMessage(browseAdded, kAppName);
    return std::nullopt;
}

PageRefusal CShareFolderPage::AddGrant(GrantDialogFields fields) {
    if (!folder_) return Refuse(share_text::kSelectFolderForGrant);
    uint32_t value = 0;
    if (auto refusal = CheckGrant(fields, share_text::kDownloadImpliesBrowseOnAdd, value)) {
        return refusal;
    }
    bool exists = false;
    if (!parts_.db.AddPermission(exists, folders_[*folder_].name, fields.id, value, fields.desc)) {
        return Broken();
    }
    if (exists) return Refuse(share_text::kGrantExists);
    ReloadGrants();
    return std::nullopt;
}

PageRefusal CShareFolderPage::BeginChangeGrant(GrantDialogFields& fields) {
    if (!folder_ || !grant_) return Refuse(share_text::kSelectGrantToChange);
    const PermissionRow& row = grants_[*grant_];
    fields = GrantDialogFields{row.user, row.desc, BoxesFromText(PermissionText(row.permission)),
                               row.user == kEveryone};
    return std::nullopt;
}

PageRefusal CShareFolderPage::ChangeGrant(GrantDialogFields fields) {
    if (!folder_ || !grant_) return Refuse(share_text::kSelectGrantToChange);
    uint32_t value = 0;
    if (auto refusal = CheckGrant(fields, share_text::kDownloadImpliesBrowseOnChange, value)) {
        return refusal;
    }
    // Two rows for one member would leave the member's rights to chance.
    std::optional<size_t> same = FindGrant(fields.id);
    if (same && same != grant_) return Refuse(share_text::kGrantExists);
    if (!parts_.db.UpdatePermission(folders_[*folder_].name, grants_[*grant_].user, fields.id,
                                    fields.desc, value)) {
        return Broken();
    }
    ReloadGrants();
    return std::nullopt;
}

PageRefusal CShareFolderPage::RemoveGrant() {
    if (!folder_ || !grant_) return Refuse(share_text::kSelectGrantToRemove);
    if (!CanRemoveGrant(static_cast<uint32_t>(grants_.size()))) {
        return Refuse(share_text::kLastGrant);
    }
    if (!parts_.ui.AskYesNo(share_text::kConfirmRemoveGrant, kAppName)) {
        return std::string(share_text::kConfirmRemoveGrant);
    }
    uint32_t count = 0;
    if (!parts_.db.RemovePermission(count, folders_[*folder_].name, grants_[*grant_].user)) {
        return Broken();
    }
    PageRefusal refusal = CanRemoveGrant(count) ? std::nullopt : Refuse(share_text::kLastGrant);
    ReloadGrants();
    return refusal;
}

void CShareFolderPage::ReloadFolders(const std::string& current) {
    parts_.db.ListShareFolders(folders_);
    SelectFolder(current.empty() ? std::nullopt : FindFolder(current));
}

void CShareFolderPage::ReloadGrants() {
    grant_.reset();
    grants_.clear();
    if (folder_) parts_.db.ListPermissions(folders_[*folder_].name, grants_);
}

}  // namespace velorin
