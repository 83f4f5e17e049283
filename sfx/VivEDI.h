// The settings of a self-extracting archive and the conversions that use them. The archive
// component owns one TCustomVivEDI and maps its SFX properties onto it; its engine sets SourceFile and
// TargetFile and calls Convert or MakeSfx.
//
// Every conversion builds the new file under a temporary name beside the target and puts it in place
// only when it is complete: the source and the stub are checked and the whole file is written first,
// then an existing target goes to the trash, then the new file is renamed over it. A failure, a full
// disk or a kill leaves the source and any old target as they were. Failures raise ESfxError.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/HostError.h"
#include "sfx/SfxHeader.h"

namespace ruvu {

namespace platform {
class ReplacementFile;
}
class TZipArchiveStream;

class TCustomVivEDI : public sfx::Settings {
  public:
    // Zip to executable (MakeSfx) or executable to zip (MakeZip), by the extensions of SourceFile and
    // TargetFile: ESfxError 10102 for a name that is neither ".ZIP" nor ".EXE" (or empty), the text
    // "Can only convert ZIP to EXE or EXE to ZIP" for two of a kind.
    void Convert();
    // Writes TargetFile: the stub (with the icon, when one is set), the header, in the detached
    // layout the name block, then the archive SourceFile (empty: an archive without entries) with
    // its offsets shifted. SFXPath then names the stub used.
    void MakeSfx(bool empty);
    // Writes the archive inside the executable SourceFile as the zip file TargetFile, its offsets
    // counted from its new start, and takes the executable's settings and icon.
    void MakeZip();
    // Takes the settings (either header layout) and the first icon of the executable archive reads.
    // Settings that are not there stay as they are.
    void ReadSettings(TZipArchiveStream& archive);

    std::string LanguageCode = "US";
    std::string SourceFile;  // set by the engine before each conversion
    std::string TargetFile;
    std::string SFXPath = "ZEZIZEZ.BIN";
    std::vector<uint8_t> Icon;  // the bytes of an .ICO file; empty for none
    bool RecycleTarget = true;  // an existing target goes to the trash
    // Removes an existing target (to the trash when toTrash); false stops the conversion with the
    // error's text. Empty: the shell's delete (a test puts a refusing trash here).
    std::function<bool(const std::string& path, bool toTrash, platform::HostError* error)> DeleteTarget;

  private:
    // Puts the finished file in place of TargetFile.
    void Replace(platform::ReplacementFile& out);
};

}  // namespace ruvu
