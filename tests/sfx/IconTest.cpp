// The icon inside the stub: replaced in place by an image of the same size, taken back as an icon
// file, and the checks that keep a damaged or hostile executable from hanging the walk or being
// written outside the resource's bytes. Also the Windows stub the build makes.
#include <gtest/gtest.h>

#include <sstream>

#include "sfx/PeResources.h"
#include "sfx/SfxError.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/sfx/SfxTestSupport.h"
#include "zipformat/ByteOrder.h"

namespace ruvu::sfxtest {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string Failure(const std::string& image) {
    try {
        sfx::FindIconResource(Bytes(image));
    } catch (const ESfxError& error) {
        return error.Id() != 0 ? std::to_string(error.Id()) : error.what();
    }
    return "found";
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
    zip::PutU32(reinterpret_cast<uint8_t*>(bytes.data() + at), value);
}

TEST(IconTest, ReplacesIconOneWithTheFirstImageOfItsSize) {
    const std::string icon1(40, 'A');
    const PeImage pe = BuildPe({{14, 1, std::string(20, 'G')}, {3, 2, std::string(40, 'Z')}, {3, 1, icon1}});
    std::vector<uint8_t> image = Bytes(pe.bytes);
    const sfx::ResourceBytes found = sfx::FindIconResource(image);
    EXPECT_EQ(found.FilePos, pe.dataPositions[2]);
    EXPECT_EQ(found.Size, 40u);

    // The second image has the size: it is written, and nothing else changes.
    sfx::ReplaceIcon(image,
                     Bytes(BuildIco({std::string(30, 'x'), std::string(40, 'B'), std::string(40, 'C')})));
    std::string expected = pe.bytes;
    expected.replace(pe.dataPositions[2], 40, std::string(40, 'B'));
    EXPECT_EQ(std::string(image.begin(), image.end()), expected);

    // No image of that size: the executable stays as it was.
    std::vector<uint8_t> untouched = Bytes(pe.bytes);
    try {
        sfx::ReplaceIcon(untouched, Bytes(BuildIco({std::string(30, 'x')})));
        ADD_FAILURE() << "replaced";
    } catch (const ESfxError& error) {
        EXPECT_STREQ(error.what(), "No matching icon found.");
    }
    EXPECT_EQ(untouched, Bytes(pe.bytes));

    // An entry whose bytes lie outside the icon file is never taken; bytes that are no icon file.
    std::string outside = BuildIco({std::string(40, 'B')});
    Put32(outside, 6 + 12, 5000);
    EXPECT_THROW(sfx::ReplaceIcon(untouched, Bytes(outside)), ESfxError);
    try {
        sfx::ReplaceIcon(untouched, Bytes("no icon at all"));
        ADD_FAILURE() << "replaced";
    } catch (const ESfxError& error) {
        EXPECT_STREQ(error.what(), "No icon found.");
    }
    EXPECT_EQ(untouched, Bytes(pe.bytes));
}

TEST(IconTest, DamagedOrHostileExecutablesFailWithTheirMessage) {
    const PeImage good = BuildPe({{3, 1, std::string(40, 'A')}});
    struct Case {
        std::string name;
        std::string image;
        std::string failure;
    };
    std::vector<Case> cases;
    auto with = [&](std::string name, auto change, std::string failure) {
        std::string image = good.bytes;
        change(image);
        cases.push_back({std::move(name), std::move(image), std::move(failure)});
    };
    with(
        "not MZ", [](std::string& b) { b[0] = 'X'; }, "10902");
    with(
        "e_lfanew beyond the file", [](std::string& b) { Put32(b, 60, 0x7FFFFFF0); }, "10902");
    with(
        "64-bit optional header", [](std::string& b) { b[64 + 24 + 1] = 0x02; }, "10902");
    with(
        "no resource directory", [](std::string& b) { Put32(b, 64 + 136, 0); },
        "No resources found in executable.");
    with(
        "no section at the resource address", [](std::string& b) { Put32(b, 64 + 136, 0x5000); },
        "No resources found in executable.");
    with(
        "truncated section table",
        [](std::string& b) {
            Put32(b, 64 + 136, 0x5000);
            b[64 + 6] = static_cast<char>(0xFF);
        },
        "Error while reading executable sections.");
    with(
        "self-referencing directory",
        [&](std::string& b) { Put32(b, good.rootDirectory + 16 + 4, 0x80000000u); },
        "Error while browsing resources.");
    with(
        "cycle one level down",
        [&](std::string& b) {
            const uint32_t typeDir =
                zip::GetU32(reinterpret_cast<const uint8_t*>(b.data()) + good.rootDirectory + 20) &
                0x7FFFFFFF;
            Put32(b, 0x200 + typeDir + 16 + 4, 0x80000000u | typeDir);
        },
        "Error while browsing resources.");
    with(
        "directory beyond the section",
        [&](std::string& b) { Put32(b, good.rootDirectory + 16 + 4, 0x80100000u); },
        "Error while browsing resources.");
    with(
        "data beyond the section", [&](std::string& b) { b.resize(b.size() - 10); },
        "Error while browsing resources.");
    cases.push_back({"no icon 1", BuildPe({{14, 1, "group"}, {3, 2, "two"}}).bytes,
                     "No icon resources found in executable."});
    cases.push_back({"truncated headers", good.bytes.substr(0, 100), "10902"});
    for (const Case& c : cases) {
        EXPECT_EQ(Failure(c.image), c.failure) << c.name;
    }
    EXPECT_EQ(Failure(good.bytes), "found");
}

TEST(IconTest, WindowsStubIsA32BitProgramWithIconOneAndNoLibrariesOfItsOwn) {
    const std::string stub = enginetest::ReadFile(BesideProgram("ZEZIZEZ.BIN"));
    if (stub.empty()) {
        GTEST_SKIP() << "no mingw-w64 cross compiler: ZEZIZEZ.BIN was not built";
    }
    const auto* p = reinterpret_cast<const uint8_t*>(stub.data());
    const uint32_t pe = zip::GetU32(p + 60);
    EXPECT_EQ(zip::GetU16(p + pe + 4), 0x014C);   // i386
    EXPECT_EQ(zip::GetU16(p + pe + 24), 0x010B);  // 32-bit optional header
    EXPECT_EQ(zip::GetU16(p + pe + 92), 2);       // the Windows GUI subsystem
    EXPECT_GT(sfx::FindIconResource(Bytes(stub)).Size, 0u);

    // Its own icon comes back as the icon file it was drawn as.
    const auto icon = sfx::FirstIconOf(Bytes(stub));
    ASSERT_TRUE(icon);
    EXPECT_EQ(*icon, enginetest::ReadFile(RUVU_SOURCE_DIR "/stub/StubIcon.ico"));

    ProgramRun imports = RunWithInput({"objdump", "-p", BesideProgram("ZEZIZEZ.BIN")}, {}, "");
    ASSERT_EQ(imports.status, 0);
    std::istringstream lines(imports.output);
    int libraries = 0;
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("DLL Name: ");
        if (at != std::string::npos) {
            const std::string name = line.substr(at + 10);
            EXPECT_TRUE(name == "KERNEL32.dll" || name == "USER32.dll" || name == "msvcrt.dll") << name;
            ++libraries;
        }
    }
    EXPECT_GT(libraries, 0);
}

}  // namespace
}  // namespace ruvu::sfxtest
