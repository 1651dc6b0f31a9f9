#include "app/main_controller.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "app/process.h"
#include "platform/cipher.h"
#include "platform/error_text.h"
#include "platform/window_messages.h"
#include "support/eventually.h"
#include "support/process_fixture.h"
#include "support/scripted_server.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Eventually;

constexpr const char* kPassword = "twelve-chars";

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// A desktop client dispatches other messages while its options dialog is
// open: `whileOpen` plays them, then the dialog gives `answer`.
class COptionsDialogUi : public test::CRecordingUserInterface {
public:
    bool OpenOptions() override {
        CRecordingUserInterface::OpenOptions();
        if (auto during = std::exchange(whileOpen, nullptr)) during();
        return optionsAnswer;
    }

    bool optionsAnswer = false;
    std::function<void()> whileOpen;
};

// A process signing in to scripted session and cache servers on the probe
// responder's loopback address; its loop runs on a thread of its own.
class MainControllerTest : public test::ProcessFixture<COptionsDialogUi> {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.Listen(responder.Address(), kSessionServerPort));
        ASSERT_TRUE(cache.Listen(responder.Address(), kCacheServerPort));
        fs::create_directories(dir / "shared");
        StartProcess(std::nullopt, listenPort);
        web.emplace("VELORIN_WEB", "http://web.test/");
        CSettings& settings = process->Settings();
        settings.SetUserID("kim");
        settings.SetUserPW(kPassword);
        settings.Write(setting::SavePassword, 1);
        settings.Write(setting::DataGroup, 3);
        settings.SetServerName("kim's server");
        bool exists = false;
        ASSERT_TRUE(
            process->ShareDatabase().AddShareFolder(exists, "docs", (dir / "shared").string(), ""));
        loop = std::thread([this] { process->Queue().Run(); });
    }

    void TearDown() override { EndProcess(); }

    void EndProcess() {
        if (!process) return;
        process->Queue().Quit(kExitShutdown);
        loop.join();
        process.reset();
    }

    // Runs `action` on the loop's thread and returns its result.
    template <typename Action>
    auto OnLoop(Action action) {
        auto task = std::make_shared<std::packaged_task<decltype(action())()>>(action);
        auto result = task->get_future();
        process->Queue().PostTask([task] { (*task)(); });
        return result.get();
    }

    CMainController& Controller() { return *process->Controller(); }

    Refusal SignIn() {
        return OnLoop([this] { return Controller().SignIn(std::nullopt); });
    }

    // Up to the session's verdict; returns the sign-in request's payload.
    std::string SessionSignIn() {
        EXPECT_EQ(SignIn(), std::nullopt);
        EXPECT_TRUE(session.Accept());
        auto request = session.ReceiveType(kSessionSignIn);
        return request ? request->payload : "";
    }

    // Both verdicts accept, after SessionSignIn.
    void Accept() {
        ASSERT_TRUE(session.Send(kSessionSignInResult, EncodeSignInResult(0)));
        ASSERT_TRUE(cache.Accept());
        ASSERT_TRUE(cache.ReceiveType(kCacheSignIn));
        ASSERT_TRUE(cache.Send(kCacheSignInResult, EncodeSignInResult(0)));
        ASSERT_TRUE(session.ReceiveType(kServerListRequest));
    }

    void ReachOnline() {
        SessionSignIn();
        Accept();
        ASSERT_TRUE(Eventually([&] { return ui.State() == MemberState::kOnline; }));
    }

    bool RowShown(const std::string& text, int kind) {
        return Eventually([&] {
            for (const auto& row : ui.Rows()) {
                if (row.text == text && row.kind == kind) return true;
            }
            return false;
        });
    }
    bool PopupShown(const std::string& text, std::chrono::milliseconds limit = 10s) {
        return Eventually([&] { return Contains(ui.Popups(), text); }, limit);
    }
    size_t ReceivedNotes() {
        return process->Registry().ValueNames("Software\\Velorin\\app\\msg").size();
    }

    // Set once the process has started: its live update finds no host on port 1.
    std::optional<test::CScopedEnv> web;
    test::CScriptedServer session;
    test::CScriptedServer cache;
    uint16_t listenPort = test::FreeUdpPort();
    std::thread loop;
};

TEST_F(MainControllerTest, TheChainGoesOnlineAnnouncingTheRealPorts) {
    std::string request = SessionSignIn();
    ASSERT_EQ(request.size(), 115u);
    PasswordField enciphered = MakePasswordField(kPassword);
    EncipherPassword(enciphered);
    std::string expected("\x01\0\0\0kim", 7);
    expected += std::string(17, '\0') + kPassword;
    expected.append(reinterpret_cast<const char*>(enciphered.data()), 12);
    std::string port{static_cast<char>(listenPort >> 8), static_cast<char>(listenPort & 0xFF)};
    expected += port + port + "\x03" + "kim s server" + std::string(38, '\0');
    EXPECT_EQ(request.substr(0, 103), expected);
    ReachabilityVerdict verdict = process->Reachability();
    EXPECT_EQ(request.substr(103, 8), std::string("\x01\0\0\0", 4) +
                                          std::string(1, static_cast<char>(verdict.reachable)) +
                                          std::string(3, '\0'));
    EXPECT_EQ(request.substr(111), EncodeSignInResult(verdict.reachable ? verdict.roundTrip : -1));
    // The ports announced are bound.
    CTcpSocket taken;
    EXPECT_LT(taken.ListenTcp(listenPort), 0);

    Accept();
    EXPECT_TRUE(process->ServerRunning());
    // The list request goes out before the loop writes its line.
    EXPECT_TRUE(RowShown("리스트 서버에서 리스트를 내려받습니다.", kStatusInformation));
    EXPECT_EQ(ui.RowTexts(),
              (std::vector<std::string>{"서버에 연결중입니다. 잠시만 기다려 주십시오",
                                        "서버 인증작업이 끝났습니다. 서버를 시작합니다.",
                                        "리스트 서버에서 리스트를 내려받습니다."}));
    EXPECT_EQ(ui.Popups(),
              std::vector<std::string>{"\n서비스를 시작합니다. 인증이 마무리 되었습니다."});
    EXPECT_EQ(ui.Opened(),
              (std::vector<std::string>{
                  "sign-in dialog", "connecting 서버에 접속중입니다.잠시만 기다려 주십시오.",
                  "connecting 인증을 요청했습니다. 잠시만 기다려 주십시오.", "connecting closed",
                  "secret-url http://web.test/loginProc.php?userid=kim&userpw=twelve-chars"}));
    // The first tick online asks for the balance.
    EXPECT_TRUE(cache.ReceiveType(kBalanceRequest, 3s));
    EXPECT_TRUE(
        Eventually([&] { return ui.Tray() == "VELORIN - 탐색:0명, 업로드:0명, 다운로드:0명"; }));
}

TEST_F(MainControllerTest, PowerModeChangeReachesTheSessionServerAtOnce) {
    ReachOnline();
    for (bool quickSend : {false, true}) {
        TransferOptions page = OnLoop([this] { return process->OptionSheet().Transfer(); });
        page.quickSend = quickSend;
        EXPECT_EQ(OnLoop([&] { return process->OptionSheet().ApplyTransfer(page); }), std::nullopt);
        auto packet = session.ReceiveType(kPowerModeChanged);
        ASSERT_TRUE(packet);
        uint32_t sent = 99;
        ASSERT_TRUE(DecodePowerModeChanged(packet->payload, sent));
        EXPECT_EQ(sent, quickSend ? 1u : 0u);
    }
}

TEST_F(MainControllerTest, RefusalsShowTheirTextsAndSilenceTheDrop) {
    const char* texts[4][2] = {
        {"서버에 연결하지 못했습니다. 서비스 장애", "\n\n서버에 연결하지 못했습니다. 서비스 장애"},
        {"서버에 연결하지 못했습니다. 잘못된 인증정보",
         "\n\n인증 실패:아이디와 패스워드를 확인하세요!"},
        {"서버에 연결하지 못했습니다. 이미 로그인중", "\n\n인증 실패:이미 해당 로그인중입니다!"},
        {"서버에 연결하지 못했습니다. 잘못된 버젼", "\n\n인증 실패:잘못된 버젼!"}};
    std::atomic<int> updateChecks{0};
    OnLoop([&] {
        Controller().SetLiveUpdateCheck([&] { ++updateChecks; });
        return 0;
    });
    for (int32_t code = -1; code >= -4; --code) {
        SessionSignIn();
        ASSERT_TRUE(session.Send(kSessionSignInResult, EncodeSignInResult(code)));
        EXPECT_TRUE(RowShown(texts[-code - 1][0], kStatusOperation)) << code;
        EXPECT_TRUE(PopupShown(texts[-code - 1][1])) << code;
        EXPECT_TRUE(session.WaitClosed());
    }
    EXPECT_EQ(updateChecks, 1);
    EXPECT_EQ(ui.State(), MemberState::kOffline);
    // An undefined code shows nothing; no refusal is reported as a lost link.
    SessionSignIn();
    ASSERT_TRUE(session.Send(kSessionSignInResult, EncodeSignInResult(-9)));
    EXPECT_TRUE(session.WaitClosed());
    EXPECT_TRUE(Eventually([&] { return ui.State() == MemberState::kOffline; }));
    OnLoop([] { return 0; });
    EXPECT_EQ(ui.Popups().size(), 4u);
    for (const auto& row : ui.Rows()) EXPECT_NE(row.kind, kStatusCaution) << row.text;
}

TEST_F(MainControllerTest, ConnectPortAndCacheFailuresEndOffline) {
    session.StopListening();
    SignIn();
    const std::string unreachable =
        "세션 서버에 연결이 실패 하였습니다. 서버 점검중이거나 네트웤 상태가 좋지 않을 경우 발생 "
        "할수 있습니다.";
    EXPECT_TRUE(RowShown(unreachable, kStatusOperation));
    EXPECT_TRUE(PopupShown(unreachable));
    ASSERT_TRUE(session.Listen(responder.Address(), kSessionServerPort));

    {
        CTcpSocket squatter;
        ASSERT_EQ(squatter.ListenTcp(listenPort), 0);
        SessionSignIn();
        EXPECT_TRUE(
            RowShown("서버에 연결하지 못했습니다. TCP포트를 열수 없습니다.", kStatusOperation));
        EXPECT_TRUE(PopupShown("\n서버에 연결하지 못 했습니다. TCP포트를 열수 없습니다."));
        EXPECT_TRUE(session.WaitClosed());
    }

    SessionSignIn();
    ASSERT_TRUE(session.Send(kSessionSignInResult, EncodeSignInResult(0)));
    ASSERT_TRUE(cache.Accept());
    ASSERT_TRUE(cache.Send(kCacheSignInResult, EncodeSignInResult(-2)));
    EXPECT_TRUE(PopupShown("\n\n인증 실패:결재 서버에 로그인을 실패 했습니다."));
    EXPECT_TRUE(session.WaitClosed());

    cache.StopListening();
    SessionSignIn();
    ASSERT_TRUE(session.Send(kSessionSignInResult, EncodeSignInResult(0)));
    EXPECT_TRUE(PopupShown("\n\n인증 실패:결재 서버에 연결하지 못했습니다."));
    EXPECT_TRUE(session.WaitClosed());
    OnLoop([] { return 0; });
    for (const auto& row : ui.Rows()) EXPECT_NE(row.kind, kStatusCaution) << row.text;
    EXPECT_EQ(ui.State(), MemberState::kOffline);
    EXPECT_FALSE(process->ServerRunning());
}

TEST_F(MainControllerTest, TheFlowNeedsServerNameSavedCredentialsAndASharedFolder) {
    process->Settings().SetServerName("");
    EXPECT_EQ(
        SignIn(),
        "서버설명란이 비어 있습니다. [환경설정]->[필수설정]의 기본설정중 [서버설명]을 입력하세요");
    process->Settings().SetServerName("x");
    process->Settings().Write(setting::SavePassword, 0);
    EXPECT_EQ(SignIn(),
              "아이디와 패스워드저장 옵션이 꺼져 있습니다. 자동로그인 옵션은 해당 옵션이 "
              "선택되어져 있어야합니다.");
    process->Settings().Write(setting::SavePassword, 1);
    process->ShareDatabase().DeleteShareFolder("docs");
    EXPECT_EQ(SignIn(),
              "옵션에 [필수설정]이 설정되어 있지 않습니다. \r\n환경설정의 [필수설정]에서 공유 "
              "폴더을 하나 이상을 세팅해주십시오.");
    EXPECT_EQ(OnLoop([&] {
                  return Controller().SignIn(SignInCredentials{"lee", "pw"});
              }),
              "옵션에 [필수설정] 설정되어 있지 않습니다. \r\n공유 폴더가 하나 이상 세팅되어 "
              "있어야합니다.");
    EXPECT_EQ(ui.Opened(), (std::vector<std::string>{"sign-in dialog", "options", "sign-in dialog",
                                                     "options", "options"}));
    EXPECT_EQ(ui.State(), MemberState::kOffline);
    EXPECT_FALSE(session.Accept(200ms));
}

TEST_F(MainControllerTest, WhatHappensWhileTheOptionsDialogIsOpenOutrunsItsAnswer) {
    const std::string noName =
        "서버설명란이 비어 있습니다. [환경설정]->[필수설정]의 기본설정중 [서버설명]을 입력하세요";
    const std::string connecting = "connecting 서버에 접속중입니다.잠시만 기다려 주십시오.";
    struct Case {
        const char* name;
        std::function<void()> whileOpen;
        Refusal refusal;
        MemberState state;
        bool signsIn;
    };
    // The exit ends the loop: last.
    const Case cases[] = {
        {"nothing", [] {}, std::nullopt, MemberState::kConnecting, true},
        {"stop", [&] { Controller().StopServer(); }, noName, MemberState::kOffline, false},
        {"sign-in", [&] { Controller().SignIn(std::nullopt); }, noName, MemberState::kConnecting,
         true},
        {"exit", [&] { Controller().Exit(); }, noName, MemberState::kOffline, false},
    };
    ui.optionsAnswer = true;
    for (const Case& c : cases) {
        process->Settings().SetServerName("");
        ui.whileOpen = [&] {
            process->Settings().SetServerName("kim's server");
            c.whileOpen();
        };
        auto shown = [&] {
            std::vector<std::string> opened = ui.Opened();
            return std::count(opened.begin(), opened.end(), connecting);
        };
        auto before = shown();
        EXPECT_EQ(SignIn(), c.refusal) << c.name;
        EXPECT_EQ(shown() - before, c.signsIn ? 1 : 0) << c.name;
        EXPECT_EQ(ui.State(), c.state) << c.name;
        EXPECT_EQ(session.Accept(c.signsIn ? 5000ms : 200ms), c.signsIn) << c.name;
    }
    EXPECT_TRUE(process->Queue().QuitRequested());
}

TEST_F(MainControllerTest, ALostSessionReconnectsWhenTheTimerFires) {
    ReachOnline();
    session.Drop();
    std::string text =
        "세션서버로 부터 접속이 끊어졌습니다. 서버를 중지합니다. (" + ErrorText(ECONNRESET) + ")";
    EXPECT_TRUE(RowShown(text, kStatusCaution));
    EXPECT_TRUE(PopupShown("\n" + text));
    EXPECT_EQ(ui.State(), MemberState::kOffline);
    EXPECT_TRUE(cache.WaitClosed());
    auto due = process->Queue().TimerDue(Controller().Handle(), CMainController::kReconnectTimer);
    ASSERT_TRUE(due);
    EXPECT_GT(*due - std::chrono::steady_clock::now(), 35s);

    process->Settings().SetUserID("someone-else");
    process->Queue().PostMessage(Controller().Handle(), WM_TIMER, CMainController::kReconnectTimer);
    ASSERT_TRUE(session.Accept());
    auto again = session.ReceiveType(kSessionSignIn);
    ASSERT_TRUE(again);
    SignInRequest fields;
    ASSERT_TRUE(DecodeSignInRequest(again->payload, fields));
    EXPECT_EQ(fields.userId, "kim");
    EXPECT_EQ(PasswordBytes(fields.password), kPassword);
}

TEST_F(MainControllerTest, ADuplicateSignInEndsTheSessionWithoutReconnecting) {
    ReachOnline();
    ASSERT_TRUE(session.Send(kSignedInElsewhere, EncodeSignedInElsewhere(kElsewhereLeave)));
    session.Drop();
    const std::string text = "다른곳에서 동일한 아이디로 로그인 하였습니다. 접속을 해제합니다.";
    EXPECT_TRUE(RowShown(text, kStatusCaution));
    EXPECT_TRUE(PopupShown(text));
    EXPECT_TRUE(cache.WaitClosed());
    OnLoop([] { return 0; });
    EXPECT_EQ(ui.State(), MemberState::kOffline);
    EXPECT_FALSE(
        process->Queue().TimerDue(Controller().Handle(), CMainController::kReconnectTimer));
}

TEST_F(MainControllerTest, MemberInformationWarnsAndNotesAreAnnounced) {
    test::CScopedEnv tz{"TZ", "UTC"};
    tzset();
    ReachOnline();
    // 2026-01-01 00:00:00 UTC; the restriction ends three days later.
    ASSERT_TRUE(session.Send(kMemberInformation,
                             EncodeMemberInformation({"kim", 500, 20, 0, 2, 1767225600, 0})));
    EXPECT_TRUE(Eventually([&] {
        return Contains(ui.Messages(),
                        "비신사적인 행위로 인해 2회 경고로 2026/01/04 00:00 까지 서버운영이 "
                        "제한됩니다.자세한 내용은 홈페이지을 참고 하세요");
    }));
    EXPECT_EQ(ui.Pane(kPaneService), "서비스 중(kim) - 현재 포인트 : 500, 서버운영 제한");
    ASSERT_TRUE(
        session.Send(kMemberInformation, EncodeMemberInformation({"kim", 9, 20, 0, 4, 0, 0})));
    EXPECT_TRUE(Eventually([&] {
        return Contains(ui.Messages(),
                        "비신사적인 행위로 인해 4회 경고로 서버운영이 영구 제한 됩니다. \r\n자세한 "
                        "내용은 홈페이지을 참고 하세요");
    }));
    EXPECT_EQ(ui.Pane(kPaneService), "서비스 중(kim) - 현재 포인트 : 9");

    ASSERT_TRUE(session.Send(kNoteFromMember, EncodeNote({"lee", "hi"})));
    EXPECT_TRUE(PopupShown("\nlee 님으로 부터 쪽지가 도착했습니다."));
    // A burst gets no pop-up of its own within the second, yet every note is kept.
    for (const char* sender : {"park", "choi", "han"}) {
        ASSERT_TRUE(session.Send(kNoteFromMember, EncodeNote({sender, "again"})));
    }
    EXPECT_TRUE(Eventually([&] { return ReceivedNotes() == 4; }));
    EXPECT_FALSE(PopupShown("\nhan 님으로 부터 쪽지가 도착했습니다.", 300ms));
}

TEST_F(MainControllerTest, RefreshIsRefusedWhileOfflineAndWhileADownloadRuns) {
    EXPECT_EQ(OnLoop([&] { return Controller().RefreshServerList(); }),
              "서버를 시작하셔야 사용하실수 있습니다.");
    EXPECT_TRUE(Contains(ui.Messages(), "? 서버에 접속되어 있지 않습니다. 접속하시겠습니까?"));
    EXPECT_TRUE(Eventually([&] { return ui.Tray() == "VELORIN - 오프라인"; }));
    EXPECT_EQ(ui.Pane(kPaneService),
              "서버에 연결 하시려면 \"[벨로린홈]->[서버 연결]\" 을 누르세요");

    ReachOnline();
    ControlAnswer refresh = OnLoop([&] { return process->Commands().Execute({"refresh"}); });
    EXPECT_EQ(refresh.status, ControlAnswer::kRefused);
    EXPECT_TRUE(RowShown("이미 리스트 전송을 요청했습니다. 리스트 전송이 끝난후 다시 요청하세요",
                         kStatusInformation));
    EXPECT_FALSE(session.ReceiveType(kServerListRequest, 300ms));

    ControlAnswer signout = OnLoop([&] { return process->Commands().Execute({"signout"}); });
    EXPECT_EQ(signout.status, ControlAnswer::kDone);
    EXPECT_TRUE(RowShown("사용자에 의해 서버가 종료되었습니다.", kStatusOperation));
    EXPECT_TRUE(Contains(ui.Opened(), "url http://web.test/logout.php"));
    EXPECT_TRUE(session.WaitClosed());
}

TEST_F(MainControllerTest, ShutdownEndsBothLinksWithoutSigningOff) {
    ReachOnline();
    EndProcess();
    EXPECT_FALSE(session.ReceiveType(kSessionSignOff, 500ms));
    EXPECT_FALSE(cache.ReceiveType(kCacheSignOff, 500ms));
    EXPECT_TRUE(session.WaitClosed(100ms));
    EXPECT_TRUE(cache.WaitClosed(100ms));
}

}  // namespace
}  // namespace velorin
