// The settings of a self-extracting archive: what the stub shows and does when it runs. The archive
// component owns one and maps its SFX properties onto it; the SFX conversions read it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ruvu {

// Bits of TCustomVivEDI::OptionsWord.
enum SfxOptionBits : uint16_t {
    kSfxAskCmdLine = 0x0001,
    kSfxAskFiles = 0x0002,
    kSfxHideOverWriteBox = 0x0004,
    kSfxAutoRun = 0x0008,
    kSfxNoSuccessMsg = 0x0010,
    kSfxOldStyleFlag = 0x0100,  // read from an older header layout
    kSfxDetachedFlag = 0x0400,  // detached layout
};

// Values of TCustomVivEDI::OverwriteByte.
enum SfxOverwrite : uint8_t {
    kSfxOverwriteAlways = 0,
    kSfxOverwriteNever = 1,
    kSfxOverwriteAsk = 2,
};

// Message box styles of the start-up message, chosen by a leading character 1 or 2.
inline constexpr uint32_t kSfxStyleOkCancelInfo = 0x41;
inline constexpr uint32_t kSfxStyleYesNoQuestion = 0x24;

class TCustomVivEDI {
  public:
    // Takes a message whose first character may choose the box style (1: OK/Cancel with the
    // information icon, 2: Yes/No with the question icon); that character is not kept.
    void AssignMessage(std::string_view text);

    std::string LanguageCode = "US";
    std::string CommandLine;
    std::string Caption;
    std::string Message;
    std::string FallbackPath;
    std::string DefaultDir;
    std::string SourceFile;  // set by the engine before each conversion
    std::string TargetFile;
    std::string SFXPath = "ZEZIZEZ.BIN";
    std::vector<uint8_t> Icon;  // bytes of an .ICO file; empty for none
    uint32_t MessageStyle = 0;
    uint16_t OptionsWord = 0;
    uint8_t OverwriteByte = kSfxOverwriteAsk;
    bool RecycleTarget = true;  // an existing target goes to the recycle bin
};

}  // namespace ruvu
