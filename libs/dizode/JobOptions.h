// What a ZipParams record asks for, read once into plain values. The record's texts are copied out of
// the handle table here, so the job never touches the record again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "abi/ZipParams.h"
#include "zipformat/NameCodec.h"

namespace ruvu::dizode {

struct SpecItem {
    std::string spec;      // as given, trimmed; empty when the entry had no text
    std::string password;  // this spec's own password, else the record's
    bool encrypt = false;
    bool recurse = false;
};

struct JobOptions {
    std::string archivePath;        // full Windows path
    std::string rootDir;            // folder relative specs are taken from; empty = the current folder
    std::string password;           // the record's password (at most 81 characters)
    std::string newArchiveComment;  // comment for an archive that does not exist yet
    std::vector<std::string> storeSuffixes;  // lower case, with their dot
    std::vector<SpecItem> specs;
    std::vector<std::string> excludes;

    bool trace = false;
    bool verbose = false;
    bool encrypt = false;
    bool systemFiles = false;
    bool volumeLabel = false;
    bool noDirEntries = false;
    bool junkDirs = false;
    bool forceDos = false;
    bool move = false;
    bool deleteMode = false;
    bool update = false;
    bool freshen = false;
    bool latestTime = false;
    bool archiveOnly = false;
    bool resetArchive = false;
    bool allowUndo = false;
    // How names without flag bit 11 read; with Oem, new names are written in the OEM code page too.
    zip::CodePageRule codePage = zip::CodePageRule::Auto;
    std::optional<uint32_t> fromDate;  // MS-DOS date and time of the date filter's day, 00:00
    int level = 9;

    bool OemNames() const { return codePage == zip::CodePageRule::Oem; }
};

// Reads the record. Returns nullopt with a reason in error when the record cannot be used.
std::optional<JobOptions> ReadJobOptions(const abi::ZipParams& params, std::string& error);

// The MS-DOS date and time of "mm dd yy" at midnight; nullopt when the text is no valid date.
std::optional<uint32_t> ParseFilterDate(const char (&text)[8]);

}  // namespace ruvu::dizode
