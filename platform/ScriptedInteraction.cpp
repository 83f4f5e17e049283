#include "platform/Interaction.h"

namespace ruvu::platform {

int ScriptedInteraction::MessageBox(std::string_view text, std::string_view caption, uint32_t flags) {
    boxes.push_back({std::string(text), std::string(caption), flags});
    if (onBox) {
        if (int answer = onBox(boxes.back()); answer != 0) {
            return answer;
        }
    }
    if (boxAnswers.empty()) {
        return DefaultButton(flags);
    }
    int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

PasswordAnswer ScriptedInteraction::PasswordDialog(std::string_view caption, std::string_view prompt,
                                                   int buttonSelector) {
    passwordPrompts.push_back({std::string(caption), std::string(prompt), buttonSelector});
    if (passwordAnswers.empty()) {
        return PasswordAnswer{IDCANCEL, {}};
    }
    PasswordAnswer answer = passwordAnswers.front();
    passwordAnswers.pop_front();
    return answer;
}

void ScriptedInteraction::ProcessPendingEvents() {
    ++pendingEventCalls;
    if (onPendingEvents) {
        onPendingEvents();
    }
}

void ScriptedInteraction::SetScreenCursor(Cursor cursor) {
    cursor_ = cursor;
    cursorChanges.push_back(cursor);
}

}  // namespace ruvu::platform
