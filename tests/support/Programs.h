#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Where the built test programs and libraries are, found from the running program itself, so
// that the paths hold wherever the build runs them (natively or under Wine).
namespace programs {

// The folder of the running test program (bin/tests).
std::filesystem::path programFolder();

// The folder of the scripted device libraries (bin/testdevice).
std::filesystem::path testDeviceFolder();

// Runs a program in workingFolder with the platform's library search path (PATH on Windows,
// LD_LIBRARY_PATH elsewhere) made of libraryFolders alone (plus, on Windows, the system
// folders) and waits for it. Returns its exit status, or -1 when it could not be started.
int run(const std::filesystem::path& program, const std::vector<std::string>& arguments,
        const std::filesystem::path& workingFolder,
        const std::vector<std::filesystem::path>& libraryFolders);

// Sets the variable in this program's environment, or removes it without a value, for the
// programs it starts from then on.
void setVariable(const char* name, const char* value);

} // namespace programs
