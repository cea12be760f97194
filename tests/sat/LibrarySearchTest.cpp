#include "Programs.h"
#include "SatClient.h"

#include "Table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
const char* const probeName = "library_search_probe.exe";
const char* const otherBuild = "dllsat_partial.dll";
#else
const char* const probeName = "library_search_probe";
const char* const otherBuild = "libdllsat_partial.so";
#endif
const std::string libraryName(SatClient::librarySAT);

// What a folder holds under the device library's name. The other library is a build without
// ExtrairLogs (and Base64ToAscii), so the probe's report tells which of the two it reached.
enum class Holds { nothing, device, other, otherArchitecture };

const std::string reached = "reached";
const std::string notFound = "Não foi possível carregar a biblioteca do SAT \"" + libraryName +
                             "\".\nVerifique se o driver do SAT está instalado.";
const std::string otherArchitecture = "Não foi possível carregar a biblioteca do SAT \"" +
                                      libraryName + "\".\nA biblioteca encontrada não é de " +
                                      std::to_string(sizeof(void*) * 8) +
                                      " bits, como este programa.";

struct Folders {
    Holds program; // the probe's own folder
    Holds path;    // the one folder on the library search path
    Holds current;
};

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The test device with its header claiming the other x86 architecture: to a 64-bit program it
// looks like a 32-bit maker's DLL.
void writeOtherArchitecture(const fs::path& target)
{
    std::string image = readAll(programs::testDeviceFolder() / libraryName);
    ASSERT_GT(image.size(), 0x40u);
    std::uint32_t peHeader = 0;
    for (int i = 3; i >= 0; --i)
        peHeader = (peHeader << 8) | static_cast<unsigned char>(image[0x3C + i]);
    ASSERT_LT(peHeader + 6, image.size());
    ASSERT_EQ(image.substr(peHeader, 4), std::string("PE\0\0", 4));
    const std::uint16_t machine = sizeof(void*) == 8 ? 0x014C : 0x8664; // i386 : x86_64
    image[peHeader + 4] = static_cast<char>(machine & 0xFF);
    image[peHeader + 5] = static_cast<char>(machine >> 8);
    std::ofstream(target, std::ios::binary) << image;
}

// Expected: "reached", or the beginning of the message shown.
class LibrarySearch : public TableTest<Folders, std::string> {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("vexor-search-" + std::string(GetParam().name));
        fs::remove_all(root);
        for (const char* folder : {"program", "path", "current"})
            fs::create_directories(root / folder);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void place(Holds what, const fs::path& folder)
    {
        const fs::path target = folder / libraryName;
        switch (what) {
        case Holds::nothing:
            break;
        case Holds::device:
            fs::copy_file(programs::testDeviceFolder() / libraryName, target);
            break;
        case Holds::other:
            fs::copy_file(programs::testDeviceFolder() / otherBuild, target);
            break;
        case Holds::otherArchitecture:
            writeOtherArchitecture(target);
            break;
        }
    }

    fs::path root;
};

TEST_P(LibrarySearch, LoadsByBareNameThroughTheNormalSearchOnly)
{
    const auto& c = GetParam();
    const fs::path probe = root / "program" / probeName;
    fs::copy_file(programs::programFolder() / probeName, probe);
    place(c.input.program, root / "program");
    place(c.input.path, root / "path");
    place(c.input.current, root / "current");
    if (HasFatalFailure())
        return;

    const fs::path report = root / "report.txt";
    ASSERT_EQ(programs::run(probe, {report.string()}, root / "current", {root / "path"}), 0)
        << "the probe must end normally, whatever it found";
    const std::string text = readAll(report);
    if (c.expected == reached)
        EXPECT_EQ(text, reached);
    else
        EXPECT_EQ(text.substr(0, c.expected.size()), c.expected) << text;
}

const LibrarySearch::ParamType searchCases[] = {
    {"foundOnThePath", {Holds::nothing, Holds::device, Holds::nothing}, reached},
    {"plantedInTheCurrentFolderIsNotLoaded",
     {Holds::nothing, Holds::device, Holds::other},
     reached},
    {"currentFolderIsNotSearched", {Holds::nothing, Holds::nothing, Holds::device}, notFound},
    {"foundNowhere", {Holds::nothing, Holds::nothing, Holds::nothing}, notFound},
#if defined(_WIN32)
    {"foundInTheProgramFolder", {Holds::device, Holds::nothing, Holds::nothing}, reached},
    {"programFolderComesBeforeThePath", {Holds::device, Holds::other, Holds::nothing}, reached},
    {"otherArchitectureIsNamed",
     {Holds::nothing, Holds::otherArchitecture, Holds::nothing},
     otherArchitecture},
#endif
};

INSTANTIATE_TEST_SUITE_P(SatClient, LibrarySearch, testing::ValuesIn(searchCases), CaseName());

} // namespace
