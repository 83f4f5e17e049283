// A fresh temporary folder per test, removed with everything in it afterwards, and helpers to make
// and read files in it. With the default drive map (C=/) a host path reads as "C:\tmp\...".
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace ruvu::testsupport {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Host path of a name below the folder ("a/b.txt").
    std::string Host(std::string_view relative = {}) const;
    // The Windows path of the same name through drive C (mapped to "/").
    std::string Win(std::string_view relative = {}) const;

    // Writes a file (creating its folders) and optionally sets its modification time.
    std::string Write(std::string_view relative, std::string_view content, std::time_t mtime = 0) const;
    std::string MakeDir(std::string_view relative) const;
    bool Exists(std::string_view relative) const;

  private:
    std::string path_;
};

// Whole file contents ("" when missing).
std::string ReadFileBytes(const std::string& hostPath);
// Bytes of a deterministic pseudo-random text that compresses (seeded).
std::string SampleText(size_t size, uint32_t seed = 1);
// Bytes that do not compress.
std::string RandomBytes(size_t size, uint32_t seed = 1);
// The Windows path of a host path through drive C (C=/): "/tmp/x" -> "C:\tmp\x".
std::string WinPathOf(std::string_view hostPath);

// Keeps the process's working directory across a test that changes it (a test that cannot go back
// ends the test program).
class WorkingDirectoryGuard {
  public:
    WorkingDirectoryGuard();
    WorkingDirectoryGuard(const WorkingDirectoryGuard&) = delete;
    WorkingDirectoryGuard& operator=(const WorkingDirectoryGuard&) = delete;
    ~WorkingDirectoryGuard();

  private:
    std::string saved_;
};

// Sets RUVUVADU_DRIVES for the scope of the object and reloads the host layer's drive map; the old
// value comes back afterwards.
class ScopedDriveMap {
  public:
    explicit ScopedDriveMap(const std::string& map);
    ~ScopedDriveMap();
    ScopedDriveMap(const ScopedDriveMap&) = delete;
    ScopedDriveMap& operator=(const ScopedDriveMap&) = delete;

  private:
    std::string old_;
    bool hadOld_ = false;
};

}  // namespace ruvu::testsupport
