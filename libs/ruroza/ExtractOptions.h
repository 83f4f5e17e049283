// What an UnzParams record asks for, read once into plain values. The record's texts are copied out
// of the handle table here, so the job never touches the record again.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "abi/UnzParams.h"
#include "zipformat/NameCodec.h"

namespace ruvu::ruroza {

struct ExtractOptions {
    std::string archivePath;         // full Windows path
    std::string baseFolder;          // full Windows path; the current folder when the record gives none
    std::string password;            // the record's password (may be empty)
    std::vector<std::string> specs;  // empty: every entry
    int passwordRequests = 0;        // action-8 questions allowed per entry
    zip::CodePageRule codePage = zip::CodePageRule::Auto;  // how names without flag bit 11 read

    bool test = false;
    bool trace = false;
    bool verbose = false;
    bool update = false;
    bool freshen = false;  // never together with update
    bool dirNames = false;
    bool overwrite = false;
};

// Reads the record. Returns nullopt with a reason in error when the record cannot be used.
std::optional<ExtractOptions> ReadExtractOptions(const abi::UnzParams& params, std::string& error);

}  // namespace ruvu::ruroza
