// Filling the parameter records of the two libraries from the engine's options. A record and every
// text and array it points to live in one call object: the handles are registered while it is filled
// and released with it, so nothing of a work call outlives it, also after an error.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/UnzParams.h"
#include "abi/ZipParams.h"
#include "engine/OptionSets.h"
#include "platform/Handles.h"

namespace ruvu {

class TDozEngine;

// Texts and blocks registered in the handle table for one work call.
class RecordArena {
  public:
    // A NUL-terminated copy of the text.
    uint32_t Text(std::string_view text);
    // As Text; 0 for an empty text.
    uint32_t TextOrNull(std::string_view text) { return text.empty() ? 0 : Text(text); }
    // Registers memory the caller keeps alive as long as the arena.
    uint32_t Register(void* pointer);

  private:
    std::deque<std::string> texts_;
    std::deque<platform::ScopedHandle> handles_;
};

struct ZipCall {
    abi::ZipParams params{};
    std::vector<abi::SpecEntry> specs;
    std::vector<uint32_t> excludes;
    RecordArena arena;
};

struct UnzCall {
    abi::UnzParams params{};
    std::vector<abi::UnzSpecEntry> specs;
    RecordArena arena;
};

// One line of an add's file specifications after its markers: ">" recurse, "|" do not recurse (first
// character only), "<" followed by a password (its own password), "<" at the end or "< " at the end
// (no encryption).
struct AddSpec {
    std::string spec;  // trimmed; empty gives a null text
    std::optional<std::string> password;
    uint32_t encrypt = 0;  // 0, 0xFFFF from the markers, or the record's EncryptFlag
    uint16_t recurse = 0;
};
AddSpec ParseAddSpec(std::string_view line, uint16_t recurseFlag, uint32_t encryptFlag,
                     std::string_view password);

// ".gif:.png:..." for the members from assGIF to assEXE, then the normalised user list for assEXT,
// without the last colon; empty for an empty set.
std::string StoreSuffixList(AddStoreExts suffixes, std::string_view extSuffixes);
// The date as "mm dd yy".
std::string DateFilterText(TDateTime date);
// The password as ZipParams carries it: at most its first 81 characters.
std::string ZipPasswordText(std::string_view password);

// Every ZipParams field from the engine's options for writing target; the specs follow separately.
void FillZipParams(TDozEngine& engine, std::string_view target, int32_t version, ZipCall& call);
// One SpecEntry per add line by the marker syntax, the exclusion texts, then SpecMarker.
void FillAddSpecs(const std::vector<std::string>& lines, const std::vector<std::string>& excludes,
                  ZipCall& call);
// The delete switches, one SpecEntry per line as written, the exclusion texts, then SpecMarker.
void FillDeleteSpecs(const std::vector<std::string>& lines, const std::vector<std::string>& excludes,
                     ZipCall& call);

// Every UnzParams field from the engine's options for reading archive; extractDir empty gives null.
void FillUnzParams(TDozEngine& engine, std::string_view archive, int32_t version, std::string_view extractDir,
                   UnzCall& call);
// One UnzSpecEntry per line; none (every entry) for no lines or a first line of exactly "*.*".
void FillUnzSpecs(const std::vector<std::string>& lines, UnzCall& call);

}  // namespace ruvu
