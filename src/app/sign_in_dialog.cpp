#include "app/sign_in_dialog.h"

#include "app/main_controller.h"
#include "data/settings.h"
#include "platform/text_encoding.h"
#include "platform/user_interface.h"
#include "platform/window_messages.h"

namespace velorin {

CSignInDialog::CSignInDialog(CSettings& settings, IUserInterface& ui, CMessageQueue& queue,
                             WindowHandle mainWindow)
    : settings_(settings), ui_(ui), queue_(queue), mainWindow_(mainWindow) {}

SignInDialogFields CSignInDialog::Open() {
    SignInDialogFields fields;
    fields.userId = settings_.GetUserID();
    fields.savePassword =
        settings_.Read(setting::SavePassword) != 0 && settings_.GetUserPW(fields.password);
    if (fields.savePassword) {
        fields.autoLogin = settings_.Read(setting::AutoLogin) != 0;
    } else {
        fields.password.clear();
        settings_.Write(setting::AutoLogin, 0);
    }
    return fields;
}

Refusal CSignInDialog::Confirm(const SignInDialogFields& fields) {
    const char* refusal = fields.userId.empty()     ? sign_in_dialog_text::kNoId
                          : fields.password.empty() ? sign_in_dialog_text::kNoPassword
                                                    : nullptr;
    if (refusal) {
        ui_.ShowMessage(refusal, kAppName);
        return std::string(refusal);
    }
    SignInCredentials typed = Store(settings_, fields);
    queue_.PostMessage(mainWindow_, WM_SIGN_IN, 0, 0, typed);
    return std::nullopt;
}

SignInCredentials CSignInDialog::Store(CSettings& settings, const SignInDialogFields& fields) {
    SignInCredentials typed{CutToCp949Bytes(fields.userId, kUserIdLimit),
                            CutToCp949Bytes(fields.password, kPasswordLimit)};
    settings.SetUserID(typed.userId);
    settings.Write(setting::SavePassword, fields.savePassword ? 1 : 0);
    if (fields.savePassword) {
        settings.SetUserPW(typed.password);
    } else {
        // "Do not remember" forgets a password saved earlier as well.
        settings.ClearUserPW();
    }
    // A disabled box cannot have been ticked.
    settings.Write(setting::AutoLogin, fields.savePassword && fields.autoLogin ? 1 : 0);
    return typed;
}

void CSignInDialog::OpenAccountPage(const SignInDialogFields& fields) {
    ui_.OpenUrl(AccountPageUrl(SignInCredentials{fields.userId, fields.password}), true);
}

}  // namespace velorin
