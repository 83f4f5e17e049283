#include "engine/ZipPassDlg.h"

#include "engine/DozEngine.h"
#include "engine/Messages.h"
#include "platform/Interaction.h"

namespace ruvu {

TPasswordButton PasswordDialog(std::string_view caption, std::string_view prompt, int buttonSelector,
                               std::string& password) {
    const platform::PasswordAnswer answer =
        platform::CurrentInteraction().PasswordDialog(caption, prompt, buttonSelector);
    password = answer.modalResult == platform::IDOK ? answer.password.substr(0, kPasswordDialogLength) : "";
    switch (answer.modalResult) {
        case platform::IDOK:
            return pbOk;
        case platform::IDCANCEL:
            return pbCancel;
        case platform::IDNOTOALL:
            return pbCancelAll;
        default:
            return pbAbort;
    }
}

void TDozEngine::GetAddPassword(TPasswordButton& button, std::string& password) {
    password.clear();
    if (Options.Unattended) {
        ShowZipMessage(msg::NoAddPassword);
        return;
    }
    const std::string caption = LoadZipStr(msg::PasswordCaption);
    std::string first;
    button = PasswordDialog(caption, LoadZipStr(msg::EnterPassword), pwCancel, first);
    if (button != pbOk || first.empty()) {
        return;
    }
    std::string second;
    button = PasswordDialog(caption, LoadZipStr(msg::ConfirmPassword), pwCancel, second);
    if (button != pbOk || second.empty()) {
        return;
    }
    if (first != second) {
        ShowZipMessage(msg::PasswordMismatch);
        return;
    }
    password = first;
}

void TDozEngine::GetExtrPassword(TPasswordButton& button, std::string& password) {
    password.clear();
    if (Options.Unattended) {
        ShowZipMessage(msg::NoExtractPassword);
        return;
    }
    button = PasswordDialog(LoadZipStr(msg::PasswordCaption), LoadZipStr(msg::EnterPassword),
                            pwCancel | pwCancelAll, password);
}

}  // namespace ruvu
