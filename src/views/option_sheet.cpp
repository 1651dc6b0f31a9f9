#include "views/option_sheet.h"

#include <charconv>
#include <filesystem>
#include <iterator>
#include <random>
#include <system_error>

#include "data/process_options.h"
#include "data/settings.h"
#include "data/share_rules.h"
#include "fileserver/file_server.h"
#include "fileserver/search_robot.h"
#include "platform/paths.h"
#include "platform/status_lines.h"
#include "platform/text_encoding.h"
#include "platform/user_interface.h"
#include "service/session_client.h"

namespace velorin {
namespace fs = std::filesystem;

namespace {

// The session limits as the page shows them: a negative count is 5.
int32_t ShownLimit(CSettings& settings, const NumericSetting& value) {
    return static_cast<int32_t>(settings.ReadTransferLimit(value));
}

}  // namespace

COptionSheet::COptionSheet(OptionSheetParts parts) : parts_(parts) {}

OptionRefusal COptionSheet::Refuse(const char* text) {
    parts_.ui.ShowMessage(text, kAppName);
    return std::string(text);
}

const char* COptionSheet::CheckServerName(const std::string& text) {
    if (Cp949Length(text) > kServerNameLimit) return option_text::kLongServerName;
    if (!FitsCp949(text)) return option_text::kUnwritableText;
    return nullptr;
}

std::optional<uint32_t> COptionSheet::ParsePort(const std::string& text) {
    uint32_t port = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, port);
    if (text.empty() || error != std::errc() || stop != end || port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

RequiredOptions COptionSheet::Required() {
    CSettings& settings = parts_.settings;
    return RequiredOptions{settings.Read(setting::DataGroup), settings.GetServerName(),
                           settings.GetDownloadPath()};
}

std::string COptionSheet::RandomServerName() {
    static thread_local std::minstd_rand random(std::random_device{}());
    return SampleServerDescription(static_cast<unsigned>(random() % 20));
}

std::string COptionSheet::DocumentsPath() {
    return DocumentsFolder().string();
}

OptionRefusal COptionSheet::ApplyRequired(const RequiredOptions& page) {
    if (page.dataGroup >= std::size(kCategories)) return Refuse(option_text::kBadChoice);
    if (const char* refusal = CheckServerName(page.serverName)) return Refuse(refusal);
    // The sign-in refuses a download folder that is not there; say so while it can be mended.
    std::error_code ec;
    fs::path folder(page.downloadPath);
    if (!folder.is_absolute() || !fs::is_directory(folder, ec) ||
        CutToCharacters(page.downloadPath, kDownloadPathLimit) != page.downloadPath) {
        return Refuse(option_text::kBadDownloadPath);
    }
    std::string downloadPath = folder.lexically_normal().string();
    CSettings& settings = parts_.settings;
    settings.Write(setting::DataGroup, page.dataGroup);
    settings.SetServerName(page.serverName);
    settings.SetDownloadPath(downloadPath);
    parts_.options.SetDownloadPath(downloadPath);
    return std::nullopt;
}

ConnectionOptions COptionSheet::Connection() {
    CSettings& settings = parts_.settings;
    settings.Read(setting::AutoTryTrans);
    return ConnectionOptions{settings.Read(setting::AutoStart) != 0,
                             settings.Read(setting::AUTOPORT) != 0,
                             std::to_string(settings.Read(setting::LISTENPORT))};
}

void COptionSheet::SetAutoStart(bool on) {
    parts_.settings.SetAutoStartOption(on);
    parts_.options.AutoStart = on ? 1 : 0;
}

OptionRefusal COptionSheet::ApplyConnection(const ConnectionOptions& page) {
    std::optional<uint32_t> port = ParsePort(page.listenPort);
    if (!port) return Refuse(option_text::kBadPort);
    if ((parts_.options.AutoStart != 0) != page.autoStart) SetAutoStart(page.autoStart);
    parts_.settings.Write(setting::AUTOPORT, page.autoPort ? 1 : 0);
    parts_.settings.Write(setting::LISTENPORT, *port);
    return std::nullopt;
}

TransferOptions COptionSheet::Transfer() {
    CSettings& settings = parts_.settings;
    TransferOptions page;
    page.quickSend = settings.Read(setting::QUICKSEND) != 0;
    page.continueRecv = settings.Read(setting::ContinueRecv);
    page.continueServerRecv = settings.Read(setting::ContinueServerRecv);
    page.tempFile = settings.Read(setting::TempFile);
    page.existFileTransReserve = settings.Read(setting::ExistFileTransReserve);
    page.maxDown = ShownLimit(settings, setting::MAXDOWN);
    page.maxUp = ShownLimit(settings, setting::MAXUP);
    page.writeLog = settings.Read(setting::WriteLog) != 0;
    return page;
}

OptionRefusal COptionSheet::ApplyTransfer(const TransferOptions& page) {
    if (page.continueRecv > 2 || page.continueServerRecv > 1 || page.tempFile > 1 ||
        page.existFileTransReserve > 1) {
        return Refuse(option_text::kBadChoice);
    }
    uint32_t maxDown = page.maxDown < 0 ? 5 : static_cast<uint32_t>(page.maxDown);
    uint32_t maxUp = page.maxUp < 0 ? 5 : static_cast<uint32_t>(page.maxUp);
    CSettings& settings = parts_.settings;
    CProcessOptions& options = parts_.options;
    bool quickSendChanged = (options.QUICKSEND != 0) != page.quickSend;
    settings.Write(setting::QUICKSEND, page.quickSend ? 1 : 0);
    settings.Write(setting::ContinueRecv, page.continueRecv);
    settings.Write(setting::ContinueServerRecv, page.continueServerRecv);
    settings.Write(setting::TempFile, page.tempFile);
    settings.Write(setting::ExistFileTransReserve, page.existFileTransReserve);
    settings.Write(setting::MAXDOWN, maxDown);
    settings.Write(setting::MAXUP, maxUp);
    settings.Write(setting::WriteLog, page.writeLog ? 1 : 0);

    options.QUICKSEND = page.quickSend ? 1 : 0;
    options.ContinueRecv = page.continueRecv;
    options.ContinueServerRecv = page.continueServerRecv;
    options.TempFile = page.tempFile;
    options.ExistFileTransReserve = page.existFileTransReserve;
    options.MaxUploadSessions = maxDown + 1;
    options.MaxDownloadSessions = maxUp + 1;
    options.WriteLog = page.writeLog ? 1 : 0;
    parts_.status.SetWriteLog(page.writeLog);
    parts_.fileServer.SetLimits(static_cast<int32_t>(maxDown + 1), static_cast<int32_t>(maxUp + 1));
    // The session server shows the icon flag of the member's record from it.
    if (quickSendChanged && parts_.serverRunning) parts_.session.SendPowerMode(options.QUICKSEND);
    return std::nullopt;
}

std::string COptionSheet::Reindex() {
    // Without a sign-in the robot builds its index when it starts anyway.
    if (!parts_.serverRunning) return option_text::kReindexLater;
    parts_.robot.RequestReindex();
    return option_text::kReindexing;
}

NoticeOptions COptionSheet::Notice() {
    return NoticeOptions{parts_.settings.Read(setting::BringMessage) != 0,
                         parts_.settings.GetMessage()};
}

OptionRefusal COptionSheet::ApplyNotice(const NoticeOptions& page) {
    if (!FitsCp949(page.message)) return Refuse(option_text::kUnwritableText);
    if (!parts_.settings.SetMessage(page.message)) return Refuse(option_text::kLongMessage);
    parts_.settings.Write(setting::BringMessage, page.bringMessage ? 1 : 0);
    parts_.options.SetMessage(parts_.settings.GetMessage());
    parts_.options.BringMessage = page.bringMessage ? 1 : 0;
    return std::nullopt;
}

OptionRefusal COptionSheet::Preview(const NoticeOptions& page) {
    if (!page.bringMessage) return Refuse(option_text::kPreviewNeedsBox);
    parts_.ui.ShowNotice(page.message);
    return std::nullopt;
}

}  // namespace velorin
