#include "tests/libsupport/LibraryUnderTest.h"

namespace ruvu::testsupport {

LibraryUnderTest::LibraryUnderTest(const std::string& fileName) : module_(platform::LoadLibrary(fileName)) {}

LibraryUnderTest::~LibraryUnderTest() {
    if (module_ != nullptr) {
        platform::FreeLibrary(module_);
    }
}

void* LibraryUnderTest::Entry(const char* name) const {
    return module_ != nullptr ? platform::GetProcAddress(module_, name) : nullptr;
}

abi::ZipExecFunction LibraryUnderTest::ZipExec() const {
    return reinterpret_cast<abi::ZipExecFunction>(Entry(abi::kZipExecName));
}

abi::UnzExecFunction LibraryUnderTest::UnzExec() const {
    return reinterpret_cast<abi::UnzExecFunction>(Entry(abi::kUnzExecName));
}

}  // namespace ruvu::testsupport
