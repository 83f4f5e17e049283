#include "tests/libsupport/RecordingCallback.h"

#include <algorithm>
#include <cstring>

namespace ruvu::testsupport {

namespace {

void PutText(abi::CallbackRecord* record, const std::string& text, size_t limit) {
    const size_t n = std::min(text.size(), limit);
    std::memcpy(record->TextArea(), text.data(), n);
    record->TextArea()[n] = '\0';
}

}  // namespace

RecordingCallback::RecordingCallback() : self_(this) {}

uint32_t RecordingCallback::Handle() const {
    static platform::ScopedHandle handle(reinterpret_cast<void*>(&RecordingCallback::Trampoline));
    return handle.Get();
}

int32_t RecordingCallback::Trampoline(abi::CallbackRecord* record) {
    auto* self = platform::ResolveHandleAs<RecordingCallback>(record->CallerRef);
    return self != nullptr ? self->Answer(record) : 1;
}

int32_t RecordingCallback::Answer(abi::CallbackRecord* record) {
    CallbackEvent e;
    e.actionCode = record->ActionCode;
    e.action = record->ActionCode & abi::kActionMask;
    e.errorCode = record->ErrorCode;
    e.fileSize = record->FileSize;
    e.dataValue = record->DataValue;
    e.isZip = record->IsZipOperation;
    uint32_t first = 0;
    std::memcpy(&first, record->Text, 4);
    if (first == 0) {
        const char* text = platform::ResolveHandleAs<const char>(record->TextPointer());
        e.text = text != nullptr ? text : "";
    } else {
        e.text.assign(record->Text, strnlen(record->Text, sizeof record->Text));
    }
    if (e.action == abi::kActionNewName && record->FileSize == 0) {
        const char* external = platform::ResolveHandleAs<const char>(record->DataValue);
        e.externalName = external != nullptr ? external : "";
    }
    if (e.action == abi::kActionComment) {
        e.oldComment.assign(record->OldComment(), strnlen(record->OldComment(), abi::kOldCommentSize));
    }
    events.push_back(e);
    if (onEvent) {
        onEvent(e);
    }
    switch (e.action) {
        case abi::kActionItemProgress:
            if (stopAtProgress > 0 && ++progressCalls_ == stopAtProgress) {
                return stopResult;
            }
            break;
        case abi::kActionNewName:
        case abi::kActionExtractName: {
            const auto found = newNames.find(e.text);
            record->ErrorCode = found != newNames.end() ? 1 : 0;
            if (found != newNames.end()) {
                PutText(record, found->second, 512);
            }
            break;
        }
        case abi::kActionPassword: {
            record->ErrorCode = 0;
            if (!passwords.empty()) {
                const auto answer = passwords.front();
                passwords.pop_front();
                if (answer) {
                    PutText(record, *answer, 80);
                    record->ErrorCode = 1;
                }
            }
            record->FileSize = std::min(record->FileSize, 15);
            if (cancelAllPasswords) {
                record->ActionCode = 0;
            }
            break;
        }
        case abi::kActionComment: {
            const auto found = comments.find(e.text);
            record->ErrorCode = found != comments.end() ? 1 : 0;
            if (found != comments.end()) {
                PutText(record, found->second, 511);
                record->FileSize = static_cast<int32_t>(std::min<size_t>(found->second.size(), 511));
            }
            break;
        }
        case abi::kActionOverwrite:
            if (!overwriteAnswers.empty()) {
                record->FileSize = overwriteAnswers.front() ? 1 : 0;
                overwriteAnswers.pop_front();
            }
            break;
        case abi::kActionCrcError:
            record->ErrorCode = crcAnswer.value_or(2);
            break;
        default:
            break;
    }
    if (stopAtAction >= 0 && static_cast<uint32_t>(stopAtAction) == e.action) {
        stopAtAction = -1;
        return stopResult;
    }
    return 0;
}

std::vector<CallbackEvent> RecordingCallback::Of(uint32_t action) const {
    std::vector<CallbackEvent> out;
    std::copy_if(events.begin(), events.end(), std::back_inserter(out),
                 [&](const CallbackEvent& e) { return e.action == action; });
    return out;
}

std::vector<std::string> RecordingCallback::Messages() const {
    std::vector<std::string> out;
    for (const auto& e : Of(abi::kActionMessage)) {
        out.push_back(e.text);
    }
    return out;
}

std::vector<std::string> RecordingCallback::Problems() const {
    std::vector<std::string> out;
    for (const auto& e : Of(abi::kActionMessage)) {
        if (e.errorCode != 0) {
            out.push_back(e.text);
        }
    }
    return out;
}

int32_t RecordingCallback::WorstCode() const {
    int32_t worst = 0;
    for (const auto& e : events) {
        if (e.action == abi::kActionMessage || e.action == abi::kActionSkipped) {
            worst = std::max(worst, e.errorCode & 0xFF);
        }
    }
    return worst;
}

bool RecordingCallback::HasMessage(const std::string& part) const {
    const auto messages = Messages();
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& m) { return m.find(part) != std::string::npos; });
}

}  // namespace ruvu::testsupport
