// Fixtures shared by the host-layer suites: fresh temporary folders, environment variables and the
// drive state restored at the end of each test.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ruvu::platform::test {

// A fresh folder under TMPDIR (or /tmp), given as its physical path and removed with its content at
// the end of the scope.
class TempFolder {
  public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& Path() const { return path_; }
    // The host path of a name inside the folder ("a/b" allowed).
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

// Sets an environment variable (nullopt unsets it) and restores the old value at the end of the scope.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();

  private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Installs a drive map (RUVUVADU_DRIVES) for a test; at the end restores the variable, the working
// directory and the drive state.
class ScopedDrives {
  public:
    explicit ScopedDrives(std::optional<std::string> map);
    ScopedDrives(const ScopedDrives&) = delete;
    ScopedDrives& operator=(const ScopedDrives&) = delete;
    ~ScopedDrives();

  private:
    std::string savedCwd_;
    std::optional<ScopedEnv> env_;
};

void WriteTextFile(const std::string& hostPath, std::string_view content);
std::string ReadTextFile(const std::string& hostPath);
void MakeFolders(const std::string& hostPath);
bool HostExists(const std::string& hostPath);

}  // namespace ruvu::platform::test
