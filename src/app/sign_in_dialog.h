#pragma once
// The sign-in dialog ("로그인") as a model: what its fields and boxes show
// when it opens, and what its confirmation stores before it starts the
// sign-in with the typed credentials. Drawing is the front-end's.
#include <optional>
#include <string>

#include "app/sign_in_credentials.h"
#include "platform/message_queue.h"

namespace velorin {

class CSettings;
class IUserInterface;

namespace sign_in_dialog_text {
inline constexpr const char* kTitle = "로그인";
inline constexpr const char* kNoId = "사용자 ID를 입력해 주세요!";
inline constexpr const char* kNoPassword = "사용자 패스워드를 입력해 주세요!";
}  // namespace sign_in_dialog_text

struct SignInDialogFields {
    std::string userId;
    std::string password;
    // "아이디/비밀번호 기억" and "프로그램 시작시 자동 로그인"; the second box can
    // only be ticked while the first one is.
    bool savePassword = false;
    bool autoLogin = false;

    bool AutoLoginEnabled() const { return savePassword; }
};

class CSignInDialog {
public:
    // `mainWindow` gets WM_SIGN_IN with the typed credentials.
    CSignInDialog(CSettings& settings, IUserInterface& ui, CMessageQueue& queue,
                  WindowHandle mainWindow);

    // The fields as the dialog opens. A saved password that cannot be read
    // counts as not saved; with nothing saved AutoLogin is stored as 0.
    SignInDialogFields Open();
    // "확인": a refusal is shown and keeps the dialog open; otherwise the
    // fields are stored and the sign-in is posted.
    Refusal Confirm(const SignInDialogFields& fields);
    // What the confirmation stores, without the sign-in; the credentials as typed and cut.
    static SignInCredentials Store(CSettings& settings, const SignInDialogFields& fields);
    // The account page link, for the typed credentials.
    void OpenAccountPage(const SignInDialogFields& fields);

private:
    CSettings& settings_;
    IUserInterface& ui_;
    CMessageQueue& queue_;
    WindowHandle mainWindow_;
};

}  // namespace velorin
