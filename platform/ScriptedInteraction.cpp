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

NextFloppyAnswer ScriptedInteraction::NextFloppyDialog(const NextFloppyRequest& request) {
    nextFloppyRequests.push_back(request);
    if (onNextFloppy) {
        if (std::optional<NextFloppyAnswer> answer = onNextFloppy(nextFloppyRequests.back())) {
            return *answer;
        }
    }
    if (nextFloppyAnswers.empty()) {
        return NextFloppyAnswer{IDOK, request.eraseBoxChecked};
    }
    NextFloppyAnswer answer = nextFloppyAnswers.front();
    nextFloppyAnswers.pop_front();
    return answer;
}

bool ScriptedInteraction::OverwriteQuestion(std::string_view caption, std::string_view firstText,
                                            std::string_view secondText) {
    overwritePrompts.push_back({std::string(caption), std::string(firstText), std::string(secondText)});
    if (overwriteAnswers.empty()) {
        return false;
    }
    bool answer = overwriteAnswers.front();
    overwriteAnswers.pop_front();
    return answer;
}

namespace {

std::optional<std::string> NextFileDialogAnswer(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

std::optional<std::string> ScriptedInteraction::OpenFileDialog(const FileDialogRequest& request) {
    fileDialogs.push_back({false, request});
    return NextFileDialogAnswer(fileDialogAnswers);
}

std::optional<std::string> ScriptedInteraction::SaveFileDialog(const FileDialogRequest& request) {
    fileDialogs.push_back({true, request});
    return NextFileDialogAnswer(fileDialogAnswers);
}

}  // namespace ruvu::platform
