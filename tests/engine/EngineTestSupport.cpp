#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/LocalFileHeader.h"

namespace ruvu::enginetest {

namespace fs = std::filesystem;

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ruvu-engine-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = fs::canonical(pattern).string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, std::string_view bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void AppendFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ExecProgram(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

int RunProgram(const std::vector<std::string>& argv, const std::string& workDir, std::string_view input,
               std::string* output) {
    TempDir io;
    const std::string inPath = io / "in";
    const std::string outPath = io / "out";
    WriteFile(inPath, input);
    pid_t child = fork();
    if (child == 0) {
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) {
            _exit(126);
        }
        if (!freopen(inPath.c_str(), "rb", stdin) || !freopen(outPath.c_str(), "wb", stdout)) {
            _exit(126);
        }
        ExecProgram(argv);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (output) {
        *output = ReadFile(outPath);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string BesideProgram(std::string_view name) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.find_last_of('/') + 1) + std::string(name);
}

std::string Python(std::string_view script, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"python3", "-c", std::string(script)};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    EXPECT_EQ(RunProgram(argv, {}, {}, &output), 0) << script;
    return output;
}

namespace {

std::string ValueAfter(const std::string& line, std::string_view label) {
    std::string rest = line.substr(line.find(label) + label.size());
    rest.erase(0, rest.find_first_not_of(' '));
    return rest;
}

uint32_t ParseDosDate(const std::string& text) {
    static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    std::istringstream in(text);
    platform::DosDateTimeParts parts;
    std::string month;
    char colon = 0;
    in >> parts.year >> month >> parts.day >> parts.hour >> colon >> parts.minute >> colon >> parts.second;
    parts.month = static_cast<int>(kMonths.find(month) / 3) + 1;
    return platform::EncodeDosDateTime(parts);
}

// The lines between a "... begins ..." and a "... ends ..." marker, joined by line feeds.
std::string BlockText(std::istream& in, std::string_view endMarker) {
    std::string text;
    std::string line;
    bool first = true;
    while (std::getline(in, line) && line.find(endMarker) == std::string::npos) {
        text += (first ? "" : "\n") + line;
        first = false;
    }
    return text;
}

}  // namespace

ZipinfoListing Zipinfo(const std::string& archive) {
    std::string output;
    RunProgram({"zipinfo", "-v", archive}, {}, {}, &output);
    ZipinfoListing listing;
    std::istringstream in(output);
    std::string line;
    ZipinfoEntry* entry = nullptr;
    while (std::getline(in, line)) {
        if (line.find("zipfile comment begins") != std::string::npos) {
            listing.archiveComment = BlockText(in, "zipfile comment ends");
        } else if (line.starts_with("Central directory entry #")) {
            entry = &listing.entries.emplace_back();
            std::getline(in, line);  // dashes
            std::getline(in, line);  // blank
            std::getline(in, line);
            entry->name = line.substr(2);
        } else if (!entry) {
            continue;
        } else if (line.find("offset of local header from start of archive:") != std::string::npos) {
            entry->localHeaderOffset = static_cast<uint32_t>(std::stoul(ValueAfter(line, "archive:")));
        } else if (line.find("file last modified on (DOS date/time):") != std::string::npos) {
            entry->dosDateTime = ParseDosDate(ValueAfter(line, "(DOS date/time):"));
        } else if (line.find("32-bit CRC value (hex):") != std::string::npos) {
            entry->crc = static_cast<uint32_t>(std::stoul(ValueAfter(line, "(hex):"), nullptr, 16));
        } else if (line.find("  compressed size:") != std::string::npos) {
            entry->compressedSize = static_cast<uint32_t>(std::stoul(ValueAfter(line, "compressed size:")));
        } else if (line.find("uncompressed size:") != std::string::npos) {
            entry->uncompressedSize =
                static_cast<uint32_t>(std::stoul(ValueAfter(line, "uncompressed size:")));
        } else if (line.find("Unix file attributes (") != std::string::npos) {
            entry->unixMode = static_cast<int32_t>(std::stoul(ValueAfter(line, "attributes ("), nullptr, 8));
        } else if (line.find("MS-DOS file attributes (") != std::string::npos) {
            entry->dosAttributes =
                static_cast<uint32_t>(std::stoul(ValueAfter(line, "attributes ("), nullptr, 16));
        } else if (line.find("file comment begins") != std::string::npos) {
            entry->comment = BlockText(in, "file comment ends");
        }
    }
    return listing;
}

BuiltZip BuildZip(const std::vector<TestEntry>& entries, std::string_view archiveComment) {
    BuiltZip built;
    std::string& out = built.bytes;
    std::string central;
    for (const TestEntry& entry : entries) {
        zip::LocalFileEntry local;
        local.VersionNeeded = 20;
        local.Flags = entry.flags;
        local.DosDateTime = entry.dosDateTime;
        local.Crc32 = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                                                  static_cast<uInt>(entry.data.size())));
        local.CompressedSize = local.UncompressedSize = static_cast<uint32_t>(entry.data.size());
        local.Name = entry.name;
        const uint32_t localOffset = static_cast<uint32_t>(out.size());
        out.append(local.Serialize()).append(entry.data);

        zip::CentralDirEntry cd;
        cd.MadeByVersion = entry.madeBy;
        cd.HostSystem = entry.host;
        cd.VersionNeeded = local.VersionNeeded;
        cd.Flags = entry.flags;
        cd.DosDateTime = entry.dosDateTime;
        cd.Crc32 = local.Crc32;
        cd.CompressedSize = local.CompressedSize;
        cd.UncompressedSize = local.UncompressedSize;
        cd.ExternalAttributes = entry.externalAttributes;
        cd.LocalHeaderOffset = localOffset;
        cd.Name = entry.name;
        cd.Extra = entry.extra;
        cd.Comment = entry.comment;
        built.centralHeaders.push_back(static_cast<uint32_t>(central.size()));
        central.append(cd.Serialize());
    }
    built.centralDirOffset = static_cast<uint32_t>(out.size());
    for (uint32_t& offset : built.centralHeaders) {
        offset += built.centralDirOffset;
    }
    out += central;
    built.endRecordOffset = static_cast<uint32_t>(out.size());
    zip::EndOfCentralDir end;
    end.EntriesThisDisk = end.TotalEntries = static_cast<uint16_t>(entries.size());
    end.CentralDirSize = static_cast<uint32_t>(central.size());
    end.CentralDirOffset = built.centralDirOffset;
    end.CommentLength = static_cast<uint16_t>(archiveComment.size());
    end.AppendTo(out);
    out.append(archiveComment);
    return built;
}

ScopedDrives::ScopedDrives(const std::string& map) : oldCwd_(fs::current_path().string()) {
    if (const char* old = std::getenv("RUVUVADU_DRIVES")) {
        hadMap_ = true;
        oldMap_ = old;
    }
    setenv("RUVUVADU_DRIVES", map.c_str(), 1);
    platform::ReloadDriveMap();
}

ScopedDrives::~ScopedDrives() {
    if (hadMap_) {
        setenv("RUVUVADU_DRIVES", oldMap_.c_str(), 1);
    } else {
        unsetenv("RUVUVADU_DRIVES");
    }
    std::error_code ignored;
    fs::current_path(oldCwd_, ignored);
    platform::ReloadDriveMap();
}

Harness::Harness() : previousUi(platform::InstallInteraction(&ui)) {
    zip.OnMessage = [this](TObject*, int32_t code, const std::string& text) {
        messages.emplace_back(code, text);
    };
    zip.OnDirUpdate = [this](TObject*) { ++dirUpdates; };
    zip.OnNewName = [this](TObject*, int32_t seqNo, const ZipDirEntry&) { seqNos.push_back(seqNo); };
}

Harness::~Harness() {
    platform::InstallInteraction(previousUi);
}

std::vector<int32_t> Harness::MessageIds() const {
    std::vector<int32_t> ids;
    for (const auto& [code, text] : messages) {
        ids.push_back(code);
    }
    return ids;
}

bool Harness::Reported(int32_t id) const {
    const std::vector<int32_t> ids = MessageIds();
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

int32_t Harness::Open(const std::string& path) {
    zip.SetZipFileName(path);
    return zip.ErrCode();
}

std::vector<std::string> Harness::Names() const {
    std::vector<std::string> names;
    for (const ZipDirEntry& entry : zip.Entries()) {
        names.push_back(entry.FileName);
    }
    return names;
}

}  // namespace ruvu::enginetest
