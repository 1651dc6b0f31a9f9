#include "app/settings_commands.h"

#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "data/settings.h"
#include "platform/json.h"
#include "views/option_sheet.h"

namespace velorin {
namespace {

using Args = std::vector<std::string>;

// Every numeric setting, in the order the settings table lists them.
constexpr const NumericSetting* kNumbers[] = {
    &setting::TransCompleteSave,  &setting::QUICKSEND,       &setting::AutoLogin,
    &setting::AutoStart,          &setting::SavePassword,    &setting::AUTOPORT,
    &setting::LISTENPORT,         &setting::BADWORD,         &setting::DataGroup,
    &setting::AutoTryTrans,       &setting::WriteLog,        &setting::ContinueRecv,
    &setting::ContinueServerRecv, &setting::TempFile,        &setting::ExistFileTransReserve,
    &setting::BringMessage,       &setting::ShowShareServer, &setting::RecvMessage,
    &setting::PopupMsg,           &setting::AutoCloseNote,   &setting::LimitSpeed,
    &setting::FindedListSort,     &setting::SortPriority,
};

ControlAnswer Settings(CSettings& settings) {
    CJsonObject json;
    json.Add("UserID", settings.GetUserID());
    std::string password;
    json.Add("passwordSaved", settings.GetUserPW(password));
    json.Add("VERSION", static_cast<int64_t>(settings.ReadClientVersion()));
    for (const NumericSetting* value : kNumbers) {
        json.Add(value->name, static_cast<int64_t>(settings.Read(*value)));
    }
    // Shown as the pages show them.
    json.Add("MAXDOWN", static_cast<int64_t>(settings.ReadTransferLimit(setting::MAXDOWN)));
    json.Add("MAXUP", static_cast<int64_t>(settings.ReadTransferLimit(setting::MAXUP)));
    json.Add("ServerName", settings.GetServerName());
    json.Add("DownloadPath", settings.GetDownloadPath());
    json.Add("Message", settings.GetMessage());
    return CControlCommands::Done(json.Text());
}

// "1", "on", "yes" / "0", "off", "no".
std::optional<bool> Flag(const std::string& text) {
    if (text == "1" || text == "on" || text == "yes") return true;
    if (text == "0" || text == "off" || text == "no") return false;
    return std::nullopt;
}

std::optional<int64_t> Number(const std::string& text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

ControlAnswer Applied(const OptionRefusal& refusal) {
    if (refusal) return CControlCommands::Refused(*refusal);
    return CControlCommands::Done(CJsonObject().Add("ok", true).Text());
}

// One field of a page: read the page, change the field, apply the page.
template <typename Page>
using FieldSetter = std::function<bool(Page& page, const std::string& value)>;

template <typename Page>
ControlAnswer SetField(Page page, const std::string& value, const FieldSetter<Page>& setter,
                       const std::function<OptionRefusal(const Page&)>& apply) {
    if (!setter(page, value)) return CControlCommands::Refused("not a value for it: " + value);
    return Applied(apply(page));
}

ControlAnswer Set(COptionSheet sheet, const std::string& name, const std::string& value) {
    auto flag = [&value](bool& field) {
        std::optional<bool> on = Flag(value);
        if (on) field = *on;
        return on.has_value();
    };
    auto number = [&value](auto& field, int64_t low, int64_t high) {
        std::optional<int64_t> n = Number(value);
        if (!n || *n < low || *n > high) return false;
        field = static_cast<std::remove_reference_t<decltype(field)>>(*n);
        return true;
    };
    auto required = [&](const FieldSetter<RequiredOptions>& setter) {
        return SetField<RequiredOptions>(
            sheet.Required(), value, setter,
            [&sheet](const RequiredOptions& page) { return sheet.ApplyRequired(page); });
    };
    auto connection = [&](const FieldSetter<ConnectionOptions>& setter) {
        return SetField<ConnectionOptions>(
            sheet.Connection(), value, setter,
            [&sheet](const ConnectionOptions& page) { return sheet.ApplyConnection(page); });
    };
    auto transfer = [&](const FieldSetter<TransferOptions>& setter) {
        return SetField<TransferOptions>(
            sheet.Transfer(), value, setter,
            [&sheet](const TransferOptions& page) { return sheet.ApplyTransfer(page); });
    };
    auto notice = [&](const FieldSetter<NoticeOptions>& setter) {
        return SetField<NoticeOptions>(
            sheet.Notice(), value, setter,
            [&sheet](const NoticeOptions& page) { return sheet.ApplyNotice(page); });
    };
    // Numbers beyond the pages' choices reach the page's own check.
    constexpr int64_t kAny = 0xFFFFFFFFll;
    if (name == "DataGroup")
        return required([&](auto& p, auto&) { return number(p.dataGroup, 0, kAny); });
    if (name == "ServerName")
        return required([](auto& p, const auto& v) { return p.serverName = v, true; });
    if (name == "DownloadPath")
        return required([](auto& p, const auto& v) { return p.downloadPath = v, true; });
    if (name == "AutoStart") {
        std::optional<bool> on = Flag(value);
        if (!on) return CControlCommands::Refused("not a value for it: " + value);
        sheet.SetAutoStart(*on);
        return Applied(std::nullopt);
    }
    if (name == "AUTOPORT") return connection([&](auto& p, auto&) { return flag(p.autoPort); });
    if (name == "LISTENPORT")
        return connection([](auto& p, const auto& v) { return p.listenPort = v, true; });
    if (name == "QUICKSEND") return transfer([&](auto& p, auto&) { return flag(p.quickSend); });
    if (name == "ContinueRecv")
        return transfer([&](auto& p, auto&) { return number(p.continueRecv, 0, kAny); });
    if (name == "ContinueServerRecv")
        return transfer([&](auto& p, auto&) { return number(p.continueServerRecv, 0, kAny); });
    if (name == "TempFile")
        return transfer([&](auto& p, auto&) { return number(p.tempFile, 0, kAny); });
    if (name == "ExistFileTransReserve")
        return transfer([&](auto& p, auto&) { return number(p.existFileTransReserve, 0, kAny); });
    if (name == "MAXDOWN")
        return transfer([&](auto& p, auto&) { return number(p.maxDown, INT32_MIN, INT32_MAX); });
    if (name == "MAXUP")
        return transfer([&](auto& p, auto&) { return number(p.maxUp, INT32_MIN, INT32_MAX); });
    if (name == "WriteLog") return transfer([&](auto& p, auto&) { return flag(p.writeLog); });
    if (name == "BringMessage") return notice([&](auto& p, auto&) { return flag(p.bringMessage); });
    if (name == "Message")
        return notice([](auto& p, const auto& v) { return p.message = v, true; });
    return CControlCommands::Refused(
        "no option page sets " + name +
        " (DataGroup ServerName DownloadPath AutoStart AUTOPORT LISTENPORT QUICKSEND "
        "ContinueRecv ContinueServerRecv TempFile ExistFileTransReserve MAXDOWN MAXUP WriteLog "
        "BringMessage Message)");
}

}  // namespace

void RegisterSettingsCommands(CControlCommands& commands, CSettings& settings,
                              std::function<COptionSheet()> sheet) {
    commands.Register("settings", [&settings](const Args&) { return Settings(settings); });
    commands.Register("set", [sheet](const Args& args) {
        if (args.size() < 3) return CControlCommands::Refused("usage: set NAME VALUE");
        // A greeting or a description may come as several words.
        return Set(sheet(), args[1], CControlCommands::JoinFrom(args, 2));
    });
    commands.Register("reindex", [sheet](const Args&) {
        return CControlCommands::Done(
            CJsonObject().Add("ok", true).Add("text", sheet().Reindex()).Text());
    });
    commands.Register("notice-preview", [sheet](const Args&) {
        COptionSheet options = sheet();
        return Applied(options.Preview(options.Notice()));
    });
}

}  // namespace velorin
