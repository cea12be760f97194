#include "Programs.h"
#include "Table.h"

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

struct Started {
    std::vector<std::string> arguments;
    bool withDevice;
};

// The built program, as a process of its own, with the device library found or not.
using VexorProgram = TableTest<Started, int>; // and its exit status

TEST_P(VexorProgram, exitsWith) {
    const Started& c = GetParam().input;
    std::vector<fs::path> folders;
    if (c.withDevice)
        folders.push_back(programs::testDeviceFolder());
    EXPECT_EQ(programs::run(vexorProgram(), c.arguments, fs::temp_directory_path(), folders),
              GetParam().expected);
}

INSTANTIATE_TABLE(Runs, VexorProgram, {"help", {{"--help"}, false}, 0},
                  {"commandHelp", {{"logs", "--help"}, false}, 0},
                  {"codeArgument", {{"status", "--code", "1234"}, true}, 2},
                  {"unknownCommand", {{"reboot"}, true}, 2},
                  {"missingLibrary", {{"status", "--kind", "not-activated"}, false}, 2},
                  // The test device answers an empty text and code 0: no "Sucesso", no reply code.
                  {"refusedStatus", {{"status", "--kind", "not-activated"}, true}, 1},
                  {"refusedBlock", {{"block", "--kind", "not-activated", "--json"}, true}, 1});

} // namespace
