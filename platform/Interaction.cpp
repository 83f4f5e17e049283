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

Interaction& CurrentInteraction() {
    static ConsoleInteraction console;
    Interaction* current = installed.load();
    return current != nullptr ? *current : console;
}

Interaction* InstallInteraction(Interaction* interaction) {
    return installed.exchange(interaction);
}

}  // namespace ruvu::platform
