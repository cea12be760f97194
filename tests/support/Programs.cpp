#include "Programs.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>

namespace fs = std::filesystem;

namespace programs {

#if defined(_WIN32)

fs::path programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size())
        path.resize(path.size() * 2);
    path.resize(length);
    return fs::path(path).parent_path();
}

namespace {

std::wstring quoted(const std::wstring& argument)
{
    return L"\"" + argument + L"\"";
}

std::wstring folderOf(UINT(WINAPI* get)(LPWSTR, UINT))
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = get(folder, MAX_PATH);
    return std::wstring(folder, length < MAX_PATH ? length : 0);
}

} // namespace

int run(const fs::path& program, const std::vector<std::string>& arguments,
        const fs::path& workingFolder, const std::vector<fs::path>& libraryFolders)
{
    std::wstring path;
    for (const fs::path& folder : libraryFolders)
        path += folder.wstring() + L";";
    path += folderOf(GetSystemDirectoryW) + L";" + folderOf(GetWindowsDirectoryW);

    std::wstring commandLine = quoted(program.wstring());
    for (const std::string& argument : arguments)
        commandLine += L" " + quoted(fs::path(argument).wstring());

    // The child inherits this process's environment: PATH is set for it and put back after.
    std::wstring savedPath(32768, L'\0');
    const DWORD savedLength =
        GetEnvironmentVariableW(L"PATH", savedPath.data(), static_cast<DWORD>(savedPath.size()));
    savedPath.resize(savedLength);
    SetEnvironmentVariableW(L"PATH", path.c_str());

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workingFolder.c_str(), &startup, &process);
    SetEnvironmentVariableW(L"PATH", savedLength ? savedPath.c_str() : nullptr);
    if (!started)
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

#else

fs::path programFolder()
{
    return fs::read_symlink("/proc/self/exe").parent_path();
}

int run(const fs::path& program, const std::vector<std::string>& arguments,
        const fs::path& workingFolder, const std::vector<fs::path>& libraryFolders)
{
    std::string libraryPath;
    for (const fs::path& folder : libraryFolders)
        libraryPath += (libraryPath.empty() ? "" : ":") + folder.string();

    std::vector<std::string> argumentCopies{program.string()};
    argumentCopies.insert(argumentCopies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argumentCopies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (chdir(workingFolder.c_str()) != 0)
            _exit(126);
        if (libraryPath.empty())
            unsetenv("LD_LIBRARY_PATH");
        else
            setenv("LD_LIBRARY_PATH", libraryPath.c_str(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

fs::path testDeviceFolder()
{
    return (programFolder() / ".." / "testdevice").lexically_normal();
}

void setVariable(const char* name, const char* value)
{
#if defined(_WIN32)
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

} // namespace programs
