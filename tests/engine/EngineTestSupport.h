// Fixtures of the engine suites: a fresh temporary folder per test, peer tools, hand-built archives,
// the drive map, and a component whose events and message boxes are recorded.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "platform/Interaction.h"

namespace ruvu::enginetest {

// A fresh folder removed with its contents at the end of the scope.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
void AppendFile(const std::string& path, std::string_view bytes);

// Replaces this process (a forked child) with the program, found on PATH; exit status 127 when it
// cannot be run.
[[noreturn]] void ExecProgram(const std::vector<std::string>& argv);
// Runs a program with its arguments (no shell) in a folder, feeding input on standard input; returns
// the exit status and puts standard output into output.
int RunProgram(const std::vector<std::string>& argv, const std::string& workDir = {},
               std::string_view input = {}, std::string* output = nullptr);
// The file of that name beside the test program (ruvuzip, ZEZIZEZ.ELF, ...).
std::string BesideProgram(std::string_view name);
// Runs a Python script with arguments; fails the test when it fails.
std::string Python(std::string_view script, const std::vector<std::string>& args = {});

// One entry of `zipinfo -v`, in its own terms.
struct ZipinfoEntry {
    std::string name;
    uint32_t localHeaderOffset = 0;
    uint32_t dosDateTime = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    int32_t unixMode = -1;  // -1 when zipinfo shows none
    uint32_t dosAttributes = 0;
    std::string comment;
};
struct ZipinfoListing {
    std::string archiveComment;
    std::vector<ZipinfoEntry> entries;
};
ZipinfoListing Zipinfo(const std::string& archive);

// A hand-built entry of a stored archive.
struct TestEntry {
    TestEntry(std::string entryName, std::string entryData = {}, std::string entryComment = {})
        : name(std::move(entryName)), data(std::move(entryData)), comment(std::move(entryComment)) {}

    std::string name;
    std::string data;
    std::string extra;
    std::string comment;
    uint16_t flags = 0;
    uint8_t host = 0;
    uint8_t madeBy = 20;
    uint32_t externalAttributes = 0x20;
    uint32_t dosDateTime = 0x5A8C6B2E;
};
// Where BuildZip put things.
struct BuiltZip {
    std::string bytes;
    std::vector<uint32_t> centralHeaders;  // offset of each central header
    uint32_t centralDirOffset = 0;
    uint32_t endRecordOffset = 0;
};
BuiltZip BuildZip(const std::vector<TestEntry>& entries, std::string_view archiveComment = {});

// Sets RUVUVADU_DRIVES for the scope and reloads the drive map; the old value and working
// directory come back afterwards.
class ScopedDrives {
  public:
    explicit ScopedDrives(const std::string& map);
    ~ScopedDrives();
    ScopedDrives(const ScopedDrives&) = delete;
    ScopedDrives& operator=(const ScopedDrives&) = delete;

  private:
    std::string oldMap_;
    bool hadMap_ = false;
    std::string oldCwd_;
};

// A component with a scripted interaction installed and its events recorded.
struct Harness {
    Harness();
    ~Harness();
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    TDozEngine& Engine() { return zip.Engine(); }
    // Ids of the messages reported, in order.
    std::vector<int32_t> MessageIds() const;
    bool Reported(int32_t id) const;
    // Sets ZipFileName and returns ErrCode afterwards.
    int32_t Open(const std::string& path);
    // The listed names, in order.
    std::vector<std::string> Names() const;

    platform::ScriptedInteraction ui;
    platform::Interaction* previousUi;
    TDozErozev zip;
    std::vector<std::pair<int32_t, std::string>> messages;
    std::vector<int32_t> seqNos;
    int dirUpdates = 0;
};

}  // namespace ruvu::enginetest
