#include "platform/Interaction.h"

#include <atomic>

namespace ruvu::platform {

namespace {

std::atomic<Interaction*> installed{nullptr};

}  // namespace

std::vector<int> MessageBoxButtons(uint32_t flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_OK:
            return {IDOK};
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE:
            return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        default:
            return {};
    }
}

int DefaultButton(uint32_t flags) {
    std::vector<int> buttons = MessageBoxButtons(flags);
    if (buttons.empty()) {
        return 0;
    }
    size_t index = (flags & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

NextFloppyAnswer Interaction::NextFloppyDialog(const NextFloppyRequest& request) {
    std::string text = request.request;
    if (!request.total.empty()) {
        text += "\n" + request.total;
    }
    const int answer = MessageBox(text, request.caption, MB_OKCANCEL);
    return NextFloppyAnswer{answer == IDOK ? IDOK : IDABORT, request.eraseBoxChecked};
}

bool Interaction::OverwriteQuestion(std::string_view caption, std::string_view firstText,
                                    std::string_view secondText) {
    std::string text(firstText);
    text += "\n>>>>\n";
    text += secondText;
    text += "\nFelülirható?";
    return MessageBox(text, caption, MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

std::optional<std::string> Interaction::OpenFileDialog(const FileDialogRequest&) {
    return std::nullopt;
}

std::optional<std::string> Interaction::SaveFileDialog(const FileDialogRequest&) {
    return std::nullopt;
}

Interaction& CurrentInteraction() {
    static ConsoleInteraction console;
    Interaction* current = installed.load();
    return current != nullptr ? *current : console;
}

Interaction* InstallInteraction(Interaction* interaction) {
    return installed.exchange(interaction);
}

}  // namespace ruvu::platform
