#include <sys/stat.h>

#include <filesystem>

#include "tests/ruroza/RurOzaFixture.h"

namespace fs = std::filesystem;

namespace ruvu::ruroza::test {

std::map<std::string, TreeItem> Snapshot(const std::string& folder) {
    std::map<std::string, TreeItem> items;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        TreeItem item;
        item.folder = S_ISDIR(info.st_mode);
        item.mode = info.st_mode & 07777;
        if (!item.folder) {
            item.bytes = ReadFileBytes(entry.path().string());
            item.mtime = info.st_mtime;
        }
        items[fs::relative(entry.path(), folder).string()] = item;
    }
    return items;
}

std::vector<std::string> TemporaryFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(".~ruvu", 0) == 0) {
            names.push_back(entry.path().string());
        }
    }
    return names;
}

testsupport::ToolResult Shell(const std::string& command, const std::string& workDir) {
    return testsupport::RunTool({"sh", "-c", command}, workDir);
}

void RurOzaTest::ExpectSameAsUnzip(const std::string& archive, const std::string& password) {
    const auto unzip = testsupport::UnzipExtract(tmp_.Host(archive), tmp_.Host("unzip"), password);
    ASSERT_TRUE(unzip.Ok()) << unzip.output;
    callback_.Clear();
    const int32_t done = Extract(archive, password);
    EXPECT_TRUE(callback_.Problems().empty()) << ::testing::PrintToString(callback_.Problems());
    const auto ours = Snapshot(tmp_.Host("out"));
    const auto theirs = Snapshot(tmp_.Host("unzip"));
    int files = 0;
    for (const auto& [name, item] : theirs) {
        files += item.folder ? 0 : 1;
        const auto found = ours.find(name);
        if (found == ours.end()) {
            ADD_FAILURE() << archive << ": missing " << name;
            continue;
        }
        EXPECT_EQ(found->second.folder, item.folder) << name;
        EXPECT_TRUE(found->second.bytes == item.bytes) << archive << ": bytes differ in " << name;
        EXPECT_EQ(found->second.mtime, item.mtime) << archive << ": date differs for " << name;
        if (!item.folder) {
            EXPECT_EQ(found->second.mode & 0777, item.mode & 0777)
                << archive << ": mode differs for " << name;
        }
    }
    EXPECT_EQ(ours.size(), theirs.size()) << archive;
    EXPECT_EQ(done, files) << archive;
}

void RurOzaTest::ClearOutput() {
    fs::remove_all(tmp_.Host("out"));
    fs::remove_all(tmp_.Host("unzip"));
    callback_.Clear();
}

std::vector<int> RurOzaTest::SkipTypes() const {
    std::vector<int> types;
    for (const auto& e : callback_.Of(abi::kActionSkipped)) {
        types.push_back((e.fileSize & 0xFF) - 1);
    }
    return types;
}

std::vector<std::string> RurOzaTest::SkippedNames() const {
    std::vector<std::string> names;
    for (const auto& e : callback_.Of(abi::kActionSkipped)) {
        names.push_back(e.text);
    }
    return names;
}

}  // namespace ruvu::ruroza::test
