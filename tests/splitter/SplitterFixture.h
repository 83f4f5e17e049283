// Drive A is a virtual floppy changer and drive C a fresh folder; a scripted interaction answers every
// question. The drive map, the working directory and the interaction come back at the end.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/FloppyChanger.h"
#include "platform/Interaction.h"
#include "tests/libsupport/TempFolder.h"

namespace ruvu::test {

using testsupport::WorkingDirectoryGuard;

class SplitterFixture : public ::testing::Test {
  protected:
    SplitterFixture();

    // Host path of a name on drive C ("DATA/BACKUP.ZIP").
    std::string OnC(std::string_view relative) const { return root_.Host("c/" + std::string(relative)); }
    std::string WriteOnC(std::string_view relative, std::string_view content) const {
        return root_.Write("c/" + std::string(relative), content);
    }
    // Host path of a file on a floppy disk.
    std::string OnDisk(std::string_view disk, std::string_view name) const {
        return changer_.DiskFolder(disk) + "/" + std::string(name);
    }
    // Formatted empty disks named "1" to "count".
    void CreateDisks(int count);
    // Every disk prompt of the workflow puts the next disk ("1", "2", ...) into the drive.
    void InsertNextDiskAtEachPrompt();
    // Messages shown, as "caption: text".
    std::vector<std::string> Boxes() const;

    testsupport::TempFolder root_;
    WorkingDirectoryGuard cwd_;
    testsupport::ScopedDriveMap drives_;
    platform::FloppyChanger changer_;
    platform::ScriptedInteraction ui_;
    platform::ScopedInteraction installed_{ui_};
    int prompts_ = 0;
};

}  // namespace ruvu::test
