#include "Programs.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

fs::path vexorProgram() {
#if defined(_WIN32)
    return programs::programFolder().parent_path() / "vexor.exe";
#else
    return programs::programFolder().parent_path() / "vexor";
#endif
}

struct ProgramCase {
    const char* name;
    std::vector<std::string> arguments;
    bool withDevice;
    int exit;
};

class VexorProgram : public ::testing::TestWithParam<ProgramCase> {};

// The built program, as a process of its own, with the device library found or not.
TEST_P(VexorProgram, exitsWith) {
    const ProgramCase& c = GetParam();
    std::vector<fs::path> folders;
    if (c.withDevice)
        folders.push_back(programs::testDeviceFolder());
    EXPECT_EQ(programs::run(vexorProgram(), c.arguments, fs::temp_directory_path(), folders),
              c.exit);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, VexorProgram,
    ::testing::Values(
        ProgramCase{"help", {"--help"}, false, 0},
        ProgramCase{"commandHelp", {"logs", "--help"}, false, 0},
        ProgramCase{"codeArgument", {"status", "--code", "1234"}, true, 2},
        ProgramCase{"unknownCommand", {"reboot"}, true, 2},
        ProgramCase{"missingLibrary", {"status", "--kind", "not-activated"}, false, 2},
        // The test device answers an empty text and code 0: no "Sucesso", no reply code.
        ProgramCase{"refusedStatus", {"status", "--kind", "not-activated"}, true, 1},
        ProgramCase{"refusedBlock", {"block", "--kind", "not-activated", "--json"}, true, 1}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
