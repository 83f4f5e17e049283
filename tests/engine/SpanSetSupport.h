// Fixtures of the spanned set suites: a floppy changer on drive A with blank disks, a scripted person
// who inserts whatever disk a prompt asks for, source files, and a check of a set's structure as it
// lies on its volumes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/FloppyChanger.h"
#include "tests/engine/EngineTestSupport.h"

namespace ruvu::enginetest {

// The disk number a prompt asks for ("volume 2 of 3" gives 2), 0 for the last disk, -1 for none.
int PromptedDisk(const std::string& text);

// The volumes of a set as they lie on the disks or part files, checked for what every set must be:
// the marker first, the end record whole on the last volume naming it, the directory where the end
// record says with the right count on the last disk, and every local header (with its name and
// extra field) whole on the disk its central header names. Returns where each local header lies (disk
// and offset), in the order of the directory.
struct VolumePosition {
    size_t disk = 0;
    uint64_t offset = 0;
};
std::vector<VolumePosition> CheckSetStructure(const std::vector<std::string>& volumes);

class SpanFixture : public ::testing::Test {
  protected:
    SpanFixture();

    // Drive A is a floppy changer with blank disks d1 ... dN; the first one is in the drive.
    platform::FloppyChanger& Floppies(int blankDisks);
    // Answers each disk prompt by inserting the disk asked for (dN for the last disk: lastDisk).
    void InsertWhatIsAskedFor(int lastDisk = 0);
    // The text of each disk prompt shown so far.
    std::vector<std::string> Prompts() const;
    // The bytes of a file on a disk of the changer ("" when missing).
    std::string DiskFile(const std::string& disk, const std::string& name) const;
    // The volume files of a floppy set, disk by disk, as long as the disks d1, d2, ... hold name.
    std::vector<std::string> FloppyVolumes(const std::string& name) const;

    // Writes count random files of size bytes each into src (f00.bin, f01.bin, ...).
    void MakeSources(int count, size_t size);
    // Adds everything in src to archive (a Windows path) with the options; returns the result.
    int32_t AddSources(const std::string& archive, AddOpts options);
    // Extracts every entry of the listed archive into folder (a host path) and checks that each file
    // of src came back byte for byte.
    void ExpectExtractedLikeSources(const std::string& folder);
    // Lists name and extracts it.
    void ExpectSetReadsBack(const std::string& name);

    TempDir dir;
    Harness h;
    const std::string src = dir / "src";
    const std::string temp = dir / "temp";  // TempDir of the component, empty after every operation
    std::optional<ScopedDrives> drives;
    std::optional<platform::FloppyChanger> changer;

  private:
    int readBacks_ = 0;
};

}  // namespace ruvu::enginetest
