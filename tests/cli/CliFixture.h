// What the command-line suites share: a fresh folder whose "a" is a virtual floppy changer (drive A)
// and whose "c" is drive C, the working directory kept across a test, and small checks on archives
// and files.
#pragma once

#include <chrono>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FloppyChanger.h"
#include "platform/Interaction.h"
#include "tests/libsupport/TempFolder.h"

namespace ruvu::clitest {

using testsupport::WorkingDirectoryGuard;

// Drive A is a floppy changer in temp/a, drive C is temp/c with the folder C:\WORK.
struct DriveLayout {
    DriveLayout();
    // "A=floppy:...;C=..." for RUVUVADU_DRIVES.
    std::string DriveMap() const;
    // Host path of a name on drive C ("WORK/ARCH.ZIP").
    std::string OnC(std::string_view relative) const { return temp.Host("c/" + std::string(relative)); }
    std::string WriteOnC(std::string_view relative, std::string_view content) const {
        return temp.Write("c/" + std::string(relative), content);
    }
    // Formatted empty disks "1" to "count".
    void CreateDisks(int count);
    // The names of the files on a disk.
    std::set<std::string> DiskFiles(std::string_view disk) const;

    testsupport::TempFolder temp;
    platform::FloppyChanger changer;
};

// The texts of the boxes a scripted interaction showed, in order.
std::vector<std::string> BoxTexts(const platform::ScriptedInteraction& ui);
// The entry names of an archive as Python's zipfile reads them, in upper case.
std::set<std::string> UpperNames(const std::string& archive);
// Writes an executable shell script.
void WriteScript(const std::string& hostPath, std::string_view body);
// Waits until a file exists; false after a minute.
bool WaitForFile(const std::string& hostPath);

}  // namespace ruvu::clitest
