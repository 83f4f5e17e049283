#include "tests/cli/CliFixture.h"

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/TextCase.h"
#include "tests/libsupport/PeerTools.h"

namespace fs = std::filesystem;

namespace ruvu::clitest {

DriveLayout::DriveLayout() : changer(temp.MakeDir("a")) {
    temp.MakeDir("c/WORK");
}

std::string DriveLayout::DriveMap() const {
    return "A=floppy:" + temp.Host("a") + ";C=" + temp.Host("c");
}

void DriveLayout::CreateDisks(int count) {
    for (int i = 1; i <= count; ++i) {
        changer.CreateDisk(std::to_string(i));
    }
}

std::set<std::string> DriveLayout::DiskFiles(std::string_view disk) const {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(changer.DiskFolder(disk))) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::vector<std::string> BoxTexts(const platform::ScriptedInteraction& ui) {
    std::vector<std::string> texts;
    for (const auto& box : ui.boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

std::set<std::string> UpperNames(const std::string& archive) {
    std::set<std::string> names;
    for (const std::string& name : testsupport::PythonNames(archive)) {
        names.insert(platform::UpperCase(name));
    }
    return names;
}

void WriteScript(const std::string& hostPath, std::string_view body) {
    const std::string text = "#!/bin/sh\n" + std::string(body);
    FILE* file = std::fopen(hostPath.c_str(), "wb");
    if (file == nullptr) {
        throw std::runtime_error("cannot write " + hostPath);
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    chmod(hostPath.c_str(), 0755);
}

bool WaitForFile(const std::string& hostPath) {
    for (int i = 0; i < 600; ++i) {
        if (fs::exists(hostPath)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace ruvu::clitest
