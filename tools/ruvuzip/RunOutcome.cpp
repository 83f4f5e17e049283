#include "tools/ruvuzip/RunOutcome.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "abi/LibraryEntry.h"
#include "engine/Messages.h"

namespace ruvu::ruvuzip {

namespace {

// A skip the person chose or a missing password, as opposed to an entry that could not be handled.
bool IsChosenSkip(UnZipSkipTypes type) {
    return type == abi::stNotNewer || type == abi::stNoOverwrite || type == abi::stNotPresent ||
           type == abi::stBadPassword;
}

// Why an entry was skipped without a problem; the library tells those reasons only when verbose.
std::string_view ChoiceText(UnZipSkipTypes type) {
    switch (type) {
        case abi::stNotNewer:
            return "not newer than the file on disk";
        case abi::stNoOverwrite:
            return "the file exists (-o overwrites it)";
        case abi::stNotPresent:
            return "not on disk";
        default:
            return "skipped";
    }
}

}  // namespace

RunOutcome::RunOutcome(TDozErozev& component, bool passwordGiven) : component_(component) {
    component.OnExtractSkipped = [this, passwordGiven](TObject*, const std::string& name, UnZipSkipTypes type,
                                                       int32_t error) {
        const int32_t code = static_cast<int8_t>(error & 0xFF);
        if (!IsChosenSkip(type)) {
            ++failed_;
            return;
        }
        ++skipped_;
        if (code != 0) {
            skipCodes_.insert(code);
        } else {
            std::fprintf(stderr, "skipped %s: %s\n", name.c_str(), std::string(ChoiceText(type)).c_str());
        }
        passwordMissing_ = passwordMissing_ || (type == abi::stBadPassword && !passwordGiven);
    };
    if (!passwordGiven) {
        component.OnPasswordError = [](TObject*, bool, std::string& password, const std::string&,
                                       uint32_t& repeatCount, TPasswordButton& button) {
            password.clear();
            repeatCount = 0;
            button = pbCancel;
        };
    }
}

ExitStatus RunOutcome::Finish() {
    if (passwordMissing_ && component_.OnMessage) {
        component_.OnMessage(&component_, msg::ExtractUnattendedWarning,
                             LoadZipStr(msg::ExtractUnattendedWarning));
    }
    const int32_t errCode = component_.ErrCode();
    if (failed_ > 0 || (errCode != 0 && !skipCodes_.contains(errCode))) {
        return kFailed;
    }
    return skipped_ > 0 ? kSkipped : kAllHandled;
}

}  // namespace ruvu::ruvuzip
