// Loads a run-time library from the program's folder the way the program does
// (platform::LoadLibrary of the bare name) and finds its entry points.
#pragma once

#include <string>

#include "abi/LibraryEntry.h"
#include "platform/Modules.h"

namespace ruvu::testsupport {

class LibraryUnderTest {
  public:
    explicit LibraryUnderTest(const std::string& fileName);
    ~LibraryUnderTest();
    LibraryUnderTest(const LibraryUnderTest&) = delete;
    LibraryUnderTest& operator=(const LibraryUnderTest&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    void* Entry(const char* name) const;
    abi::ZipExecFunction ZipExec() const;
    abi::UnzExecFunction UnzExec() const;

  private:
    platform::ModuleHandle module_ = nullptr;
};

}  // namespace ruvu::testsupport
