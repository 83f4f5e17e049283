// Runs the peer tools the libraries must interoperate with (unzip, zip, 7z, bsdtar, python3) and
// captures their output and exit status. Arguments are passed without a shell.
#pragma once

#include <string>
#include <vector>

namespace ruvu::testsupport {

struct ToolResult {
    int status = -1;     // exit status; -1 when the program could not run
    std::string output;  // standard output and error together
    bool Ok() const { return status == 0; }
};

ToolResult RunTool(const std::vector<std::string>& argv, const std::string& workDir = {});

// Integrity checks of an archive by each peer ("password" for encrypted entries).
ToolResult UnzipTest(const std::string& archive, const std::string& password = {});
ToolResult SevenZipTest(const std::string& archive, const std::string& password = {});
ToolResult PythonZipTest(const std::string& archive);
// bsdtar's listing (names, one per line).
ToolResult BsdtarList(const std::string& archive);

// Extracts everything into a folder.
ToolResult UnzipExtract(const std::string& archive, const std::string& folder,
                        const std::string& password = {});
ToolResult SevenZipExtract(const std::string& archive, const std::string& folder,
                           const std::string& password = {});
ToolResult PythonExtract(const std::string& archive, const std::string& folder,
                         const std::string& password = {});
// The entry names as Python's zipfile decodes them, one per line.
std::vector<std::string> PythonNames(const std::string& archive);
// One line per entry from Python: name, flag bits, create_system, external_attr, compress_type,
// CRC, sizes and comment, separated by "|".
std::vector<std::string> PythonInfo(const std::string& archive);

}  // namespace ruvu::testsupport
